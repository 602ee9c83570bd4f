// Read-only property objects and GetProps over value lists.
#include "platform/mapi/orgstore/object_base.h"

namespace korvale::mapi::orgstore {

HRESULT GetPropsFrom(const std::vector<SPropValue>& all, const SPropTagArray* tags,
                     std::vector<SPropValue>* values) {
  if (!values) return MAPI_E_INVALID_PARAMETER;
  values->clear();
  if (!tags) {
    for (const auto& v : all)
      if (!v.IsError()) values->push_back(v);
    return S_OK;
  }
  bool errors = false;
  for (ULONG tag : *tags) {
    values->push_back(GetPropAs(all, tag));
    errors |= values->back().IsError();
  }
  return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT ReadOnlyProp::GetLastError(HRESULT, ULONG, std::optional<MAPIERROR>* error) {
  return last_.Get(error);
}

HRESULT ReadOnlyProp::GetProps(const SPropTagArray* tags, ULONG, std::vector<SPropValue>* values) {
  return Guarded(last_, [&] { return GetPropsFrom(AllProps(), tags, values); });
}

HRESULT ReadOnlyProp::GetPropList(ULONG, SPropTagArray* tags) {
  if (!tags) return MAPI_E_INVALID_PARAMETER;
  return Guarded(last_, [&] {
    tags->clear();
    for (const auto& v : AllProps()) tags->push_back(v.ulPropTag);
    return S_OK;
  });
}

HRESULT ReadOnlyProp::SetProps(const std::vector<SPropValue>&, std::vector<SPropProblem>*) {
  return last_.Set(MAPI_E_NO_ACCESS, "the object is read-only");
}
HRESULT ReadOnlyProp::DeleteProps(const SPropTagArray&, std::vector<SPropProblem>*) {
  return last_.Set(MAPI_E_NO_ACCESS, "the object is read-only");
}
HRESULT ReadOnlyProp::SaveChanges(ULONG) { return S_OK; }
HRESULT ReadOnlyProp::OpenProperty(ULONG, const IID&, ULONG, ULONG, std::shared_ptr<IUnknown>*) {
  return MAPI_E_NO_SUPPORT;
}
HRESULT ReadOnlyProp::CopyTo(const SPropTagArray*, const IID&, IMAPIProp*, ULONG,
                             std::vector<SPropProblem>*) {
  return MAPI_E_NO_SUPPORT;
}
HRESULT ReadOnlyProp::GetIDsFromNames(const std::vector<MAPINAMEID>&, ULONG, SPropTagArray*) {
  return MAPI_E_NO_SUPPORT;
}
HRESULT ReadOnlyProp::GetNamesFromIDs(const SPropTagArray&, ULONG, std::vector<std::optional<MAPINAMEID>>*) {
  return MAPI_E_NO_SUPPORT;
}

}  // namespace korvale::mapi::orgstore
