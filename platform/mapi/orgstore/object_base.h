// What every MAPI object of the organisation store shares: the extended
// error of its last failure, the guard that turns store failures into result
// codes, and a read-only property object to derive from.
#pragma once

#include <initializer_list>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "platform/mapi/mapi.h"
#include "platform/mapi/orgstore/backend.h"

namespace korvale::mapi::orgstore {

inline constexpr const char* kComponent = "Korvale organisation store";

class LastError {
 public:
  HRESULT Set(HRESULT hr, std::string text) {
    error_ = MAPIERROR{0, std::move(text), kComponent, static_cast<ULONG>(hr), 0};
    return hr;
  }
  void Clear() { error_.reset(); }
  HRESULT Get(std::optional<MAPIERROR>* out) const {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    *out = error_;
    return S_OK;
  }

 private:
  std::optional<MAPIERROR> error_;
};

// Runs an operation that talks to the store; SQLite failures become
// MAPI_E_CALL_FAILED (MAPI_E_BUSY while another writer holds the lock past
// the busy timeout), broken blobs MAPI_E_CORRUPT_DATA, a message deleted
// meanwhile MAPI_E_OBJECT_DELETED; the text goes to the object's extended error.
template <class F>
HRESULT Guarded(LastError& last, F&& fn) {
  try {
    return fn();
  } catch (const DbError& e) {
    return last.Set(e.code == 5 /* SQLITE_BUSY */ ? MAPI_E_BUSY : MAPI_E_CALL_FAILED, e.message);
  } catch (const CorruptData& e) {
    return last.Set(MAPI_E_CORRUPT_DATA, e.message);
  } catch (const ObjectGone& e) {
    return last.Set(MAPI_E_OBJECT_DELETED, e.message);
  } catch (const std::bad_alloc&) {
    return last.Set(MAPI_E_NOT_ENOUGH_MEMORY, "out of memory");
  }
}

// QueryInterface for an object that offers the listed interfaces.
template <class Self>
HRESULT QueryImpl(Self* self, const IID& iid, std::initializer_list<IID> offered,
                  std::shared_ptr<IUnknown>* out) {
  if (!out) return MAPI_E_INVALID_PARAMETER;
  if (iid == IID_IUnknown) {
    *out = std::static_pointer_cast<IUnknown>(self->shared_from_this());
    return S_OK;
  }
  for (const auto& i : offered)
    if (i == iid) {
      *out = std::static_pointer_cast<IUnknown>(self->shared_from_this());
      return S_OK;
    }
  return MAPI_E_INTERFACE_NOT_SUPPORTED;
}

// GetProps over a list of values (see IMAPIProp::GetProps).
HRESULT GetPropsFrom(const std::vector<SPropValue>& all, const SPropTagArray* tags,
                     std::vector<SPropValue>* values);

// An IMAPIProp whose properties are computed and cannot be changed.
class ReadOnlyProp : public virtual IMAPIProp {
 public:
  HRESULT GetLastError(HRESULT hr, ULONG flags, std::optional<MAPIERROR>* error) override;
  HRESULT GetProps(const SPropTagArray* tags, ULONG flags, std::vector<SPropValue>* values) override;
  HRESULT GetPropList(ULONG flags, SPropTagArray* tags) override;
  HRESULT SetProps(const std::vector<SPropValue>& values, std::vector<SPropProblem>* problems) override;
  HRESULT DeleteProps(const SPropTagArray& tags, std::vector<SPropProblem>* problems) override;
  HRESULT SaveChanges(ULONG flags) override;
  HRESULT OpenProperty(ULONG tag, const IID& iid, ULONG options, ULONG flags,
                       std::shared_ptr<IUnknown>* out) override;
  HRESULT CopyTo(const SPropTagArray* excluded, const IID& iid, IMAPIProp* destination, ULONG flags,
                 std::vector<SPropProblem>* problems) override;
  HRESULT GetIDsFromNames(const std::vector<MAPINAMEID>& names, ULONG flags, SPropTagArray* tags) override;
  HRESULT GetNamesFromIDs(const SPropTagArray& tags, ULONG flags,
                          std::vector<std::optional<MAPINAMEID>>* names) override;

 protected:
  // Every property of the object; may throw DbError / CorruptData.
  virtual std::vector<SPropValue> AllProps() = 0;
  LastError last_;
};

}  // namespace korvale::mapi::orgstore
