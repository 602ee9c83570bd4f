// In-memory table view: restriction check, projection, sort and cursor.
#include "platform/mapi/orgstore/row_table.h"

#include <algorithm>

#include "common/utf8.h"

namespace korvale::mapi::orgstore {

std::string CutUtf8(const std::string& text, size_t max_chars) {
  return std::string(Utf8Prefix(text, max_chars));
}

RowTable::RowTable(Source source, SPropTagArray columns, bool truncate)
    : source_(std::move(source)), columns_(std::move(columns)), truncate_(truncate) {}

std::shared_ptr<RowTable> RowTable::Fixed(std::vector<std::vector<SPropValue>> rows, SPropTagArray columns) {
  auto shared = std::make_shared<std::vector<std::vector<SPropValue>>>(std::move(rows));
  return std::make_shared<RowTable>([shared](const SRestriction*) { return *shared; }, std::move(columns));
}

HRESULT RowTable::QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) {
  return QueryImpl(this, iid, {IID_IMAPITable}, out);
}

HRESULT RowTable::GetLastError(HRESULT, ULONG, std::optional<MAPIERROR>* error) { return last_.Get(error); }

HRESULT RowTable::SetColumns(const SPropTagArray& columns, ULONG) {
  if (columns.empty()) return MAPI_E_INVALID_PARAMETER;
  columns_ = columns;
  return S_OK;
}

HRESULT RowTable::QueryColumns(ULONG, SPropTagArray* columns) {
  if (!columns) return MAPI_E_INVALID_PARAMETER;
  *columns = columns_;
  return S_OK;
}

HRESULT RowTable::Restrict(const SRestriction* restriction, ULONG) {
  if (restriction)
    restriction_ = *restriction;
  else
    restriction_.reset();
  rows_.reset();
  cursor_ = 0;
  return S_OK;
}

HRESULT RowTable::SortTable(const SSortOrderSet& order, ULONG) {
  sort_ = order;
  rows_.reset();
  cursor_ = 0;
  return S_OK;
}

HRESULT RowTable::Load() {
  if (rows_) return S_OK;
  return Guarded(last_, [&] {
    auto all = source_(restriction_ ? &*restriction_ : nullptr);
    std::vector<std::vector<SPropValue>> kept;
    kept.reserve(all.size());
    for (auto& row : all)
      if (!restriction_ || TestRestriction(*restriction_, row)) kept.push_back(std::move(row));
    if (sort_ && !sort_->aSort.empty()) {
      std::stable_sort(kept.begin(), kept.end(), [&](const auto& a, const auto& b) {
        for (const auto& key : sort_->aSort) {
          SPropValue va = GetPropAs(a, key.ulPropTag), vb = GetPropAs(b, key.ulPropTag);
          // Rows without the property sort after the others.
          if (va.IsError() != vb.IsError()) return vb.IsError();
          auto c = CompareValues(va, vb, true);
          if (!c || *c == 0) continue;
          return key.ulOrder == TABLE_SORT_DESCEND ? *c > 0 : *c < 0;
        }
        return false;
      });
    }
    rows_ = std::move(kept);
    return S_OK;
  });
}

SRow RowTable::Project(const std::vector<SPropValue>& row) const {
  SRow out;
  out.lpProps.reserve(columns_.size());
  for (ULONG tag : columns_) {
    SPropValue v = tag == PR_NULL ? SPropValue(PR_NULL, std::monostate{}) : GetPropAs(row, tag);
    if (truncate_) {
      if (auto s = std::get_if<std::string>(&v.Value)) *s = CutUtf8(*s, 255);
      if (auto b = std::get_if<SBinary>(&v.Value); b && b->size() > 510) b->resize(510);
    }
    out.lpProps.push_back(std::move(v));
  }
  return out;
}

HRESULT RowTable::GetRowCount(ULONG, ULONG* count) {
  if (!count) return MAPI_E_INVALID_PARAMETER;
  HRESULT hr = Load();
  if (FAILED(hr)) return hr;
  *count = static_cast<ULONG>(rows_->size());
  return S_OK;
}

HRESULT RowTable::QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) {
  HRESULT hr = Load();
  if (FAILED(hr)) return hr;
  if (row) *row = static_cast<ULONG>(cursor_);
  if (numerator) *numerator = static_cast<ULONG>(cursor_);
  if (denominator) *denominator = static_cast<ULONG>(rows_->size());
  return S_OK;
}

HRESULT RowTable::SeekRow(BOOKMARK origin, LONG row_count, LONG* rows_sought) {
  HRESULT hr = Load();
  if (FAILED(hr)) return hr;
  int64_t base = origin == BOOKMARK_BEGINNING ? 0
                 : origin == BOOKMARK_CURRENT ? static_cast<int64_t>(cursor_)
                 : origin == BOOKMARK_END     ? static_cast<int64_t>(rows_->size())
                                              : -1;
  if (base < 0) return MAPI_E_INVALID_BOOKMARK;
  int64_t target = std::clamp<int64_t>(base + row_count, 0, static_cast<int64_t>(rows_->size()));
  if (rows_sought) *rows_sought = static_cast<LONG>(target - base);
  cursor_ = static_cast<size_t>(target);
  return S_OK;
}

HRESULT RowTable::FindRow(const SRestriction& restriction, BOOKMARK origin, ULONG flags) {
  HRESULT hr = Load();
  if (FAILED(hr)) return hr;
  int64_t start = origin == BOOKMARK_BEGINNING ? 0
                  : origin == BOOKMARK_CURRENT ? static_cast<int64_t>(cursor_)
                  : origin == BOOKMARK_END     ? static_cast<int64_t>(rows_->size())
                                               : -1;
  if (start < 0) return MAPI_E_INVALID_BOOKMARK;
  int64_t n = static_cast<int64_t>(rows_->size());
  if (flags & DIR_BACKWARD) {
    for (int64_t i = std::min(start, n) - 1; i >= 0; --i)
      if (TestRestriction(restriction, (*rows_)[i])) {
        cursor_ = static_cast<size_t>(i);
        return S_OK;
      }
  } else {
    for (int64_t i = start; i < n; ++i)
      if (TestRestriction(restriction, (*rows_)[i])) {
        cursor_ = static_cast<size_t>(i);
        return S_OK;
      }
  }
  return MAPI_E_NOT_FOUND;
}

HRESULT RowTable::QueryRows(LONG row_count, ULONG flags, SRowSet* rows) {
  if (!rows) return MAPI_E_INVALID_PARAMETER;
  HRESULT hr = Load();
  if (FAILED(hr)) return hr;
  rows->aRow.clear();
  if (row_count <= 0) return S_OK;
  size_t end = std::min(rows_->size(), cursor_ + static_cast<size_t>(row_count));
  for (size_t i = cursor_; i < end; ++i) rows->aRow.push_back(Project((*rows_)[i]));
  if (!(flags & TBL_NOADVANCE)) cursor_ = end;
  return S_OK;
}

}  // namespace korvale::mapi::orgstore
