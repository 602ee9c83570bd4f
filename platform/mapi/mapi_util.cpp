// MAPI's helper functions over the interfaces: HrQueryAllRows, HrGetOneProp.
#include "platform/mapi/mapi_prop.h"

namespace korvale::mapi {

HRESULT HrQueryAllRows(IMAPITable* table, const SPropTagArray* columns, const SRestriction* restriction,
                       const SSortOrderSet* sort, LONG max_rows, SRowSet* rows) {
  if (!table || !rows) return MAPI_E_INVALID_PARAMETER;
  HRESULT hr;
  if (columns && FAILED(hr = table->SetColumns(*columns, TBL_BATCH))) return hr;
  if (restriction && FAILED(hr = table->Restrict(restriction, TBL_BATCH))) return hr;
  if (sort && FAILED(hr = table->SortTable(*sort, TBL_BATCH))) return hr;
  if (FAILED(hr = table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr))) return hr;
  ULONG count = 0;
  if (FAILED(hr = table->GetRowCount(0, &count))) return hr;
  if (max_rows > 0 && count > static_cast<ULONG>(max_rows)) return MAPI_E_TABLE_TOO_BIG;
  return table->QueryRows(static_cast<LONG>(count ? count : 1), 0, rows);
}

HRESULT HrGetOneProp(IMAPIProp* object, ULONG tag, SPropValue* value) {
  if (!object || !value) return MAPI_E_INVALID_PARAMETER;
  SPropTagArray tags{tag};
  std::vector<SPropValue> values;
  HRESULT hr = object->GetProps(&tags, 0, &values);
  if (FAILED(hr)) return hr;
  if (values.empty()) return MAPI_E_NOT_FOUND;
  if (values[0].IsError()) return values[0].ErrorCode();
  *value = std::move(values[0]);
  return S_OK;
}

HRESULT HrSetOneProp(IMAPIProp* object, const SPropValue& value) {
  if (!object) return MAPI_E_INVALID_PARAMETER;
  std::vector<SPropProblem> problems;
  HRESULT hr = object->SetProps({value}, &problems);
  if (FAILED(hr)) return hr;
  return problems.empty() ? S_OK : problems[0].scode;
}

}  // namespace korvale::mapi
