// The base interfaces every MAPI object builds on: IUnknown, IMAPIProp
// (properties), IStream (a property opened as a stream), IMAPITable (rows with
// columns, restriction, sort and a cursor) and IMAPIContainer (a contents
// table and OpenEntry).
//
// Objects are held by std::shared_ptr (the reference count of COM); releasing
// means dropping the pointer. Every method returns an HRESULT and hands its
// results through out-parameters, as in MAPI:
//
//   std::shared_ptr<IMAPITable> table;
//   HRESULT hr = folder->GetContentsTable(0, &table);
//   if (FAILED(hr)) ...
//
// Objects are not thread-safe; one thread uses an object at a time (the
// system is single-threaded).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/mapi/prop_value.h"
#include "platform/mapi/restriction.h"

namespace korvale::mapi {

class IUnknown {
 public:
  virtual ~IUnknown() = default;
  // Another interface of the same object: S_OK, or MAPI_E_INTERFACE_NOT_SUPPORTED.
  virtual HRESULT QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) = 0;
};

// Casts an object handed out as IUnknown (OpenEntry, OpenProperty) to the
// interface the caller asked for; nullptr when it is not one.
template <class T>
std::shared_ptr<T> mapi_cast(const std::shared_ptr<IUnknown>& object) {
  return std::dynamic_pointer_cast<T>(object);
}

// QueryInterface with the cast: S_OK and *out set, or the failure code.
template <class T>
HRESULT HrQueryInterface(IUnknown& object, const IID& iid, std::shared_ptr<T>* out) {
  std::shared_ptr<IUnknown> unk;
  HRESULT hr = object.QueryInterface(iid, &unk);
  if (hr < 0) return hr;
  *out = std::dynamic_pointer_cast<T>(unk);
  return *out ? 0 : static_cast<HRESULT>(0x80004002);
}

// A property opened as a stream (OpenProperty with IID_IStream).
struct STATSTG {
  uint64_t cbSize = 0;
};
constexpr ULONG STREAM_SEEK_SET = 0;
constexpr ULONG STREAM_SEEK_CUR = 1;
constexpr ULONG STREAM_SEEK_END = 2;
constexpr ULONG STATFLAG_NONAME = 1;

class IStream : public virtual IUnknown {
 public:
  // Reads up to `cb` bytes at the current position; *read gets the count
  // (0 at the end). S_OK also at the end, as COM streams do.
  virtual HRESULT Read(void* buffer, ULONG cb, ULONG* read) = 0;
  // Writes at the current position (streams opened with MAPI_MODIFY);
  // MAPI_E_NO_ACCESS on a read-only stream.
  virtual HRESULT Write(const void* buffer, ULONG cb, ULONG* written) = 0;
  virtual HRESULT Seek(int64_t move, ULONG origin, uint64_t* new_position) = 0;
  virtual HRESULT SetSize(uint64_t size) = 0;
  virtual HRESULT Stat(STATSTG* stat, ULONG flags) = 0;
  // Writes the stream's bytes back into the property of its object (which
  // still needs its own SaveChanges).
  virtual HRESULT Commit(ULONG flags) = 0;
};

class IMAPIProp : public virtual IUnknown {
 public:
  // The extended error of the last failed call on this object; S_OK with
  // *error empty when there is none.
  virtual HRESULT GetLastError(HRESULT hr, ULONG flags, std::optional<MAPIERROR>* error) = 0;
  // Values in the order of `tags` (nullptr: every property the object has).
  // A missing property comes back as PT_ERROR with MAPI_E_NOT_FOUND; a
  // property stored with another type than requested as PT_ERROR with
  // MAPI_E_NOT_FOUND too, except that PT_STRING8 and PT_UNICODE (and their
  // multi-valued forms) convert into each other and PT_UNSPECIFIED takes the
  // stored type. Returns MAPI_W_ERRORS_RETURNED when any value is an error.
  virtual HRESULT GetProps(const SPropTagArray* tags, ULONG flags, std::vector<SPropValue>* values) = 0;
  // The tags of every property the object has.
  virtual HRESULT GetPropList(ULONG flags, SPropTagArray* tags) = 0;
  // Sets values (kept in the object until SaveChanges). Values whose variant
  // does not fit their tag's type, and computed read-only properties, are
  // reported in *problems (when given) and not set.
  virtual HRESULT SetProps(const std::vector<SPropValue>& values, std::vector<SPropProblem>* problems) = 0;
  virtual HRESULT DeleteProps(const SPropTagArray& tags, std::vector<SPropProblem>* problems) = 0;
  // Makes the changes permanent. KEEP_OPEN_READWRITE / KEEP_OPEN_READONLY
  // keep the object usable afterwards; without them it may not be used again
  // (MAPI_E_INVALID_OBJECT).
  virtual HRESULT SaveChanges(ULONG flags) = 0;
  // A property as an object: IID_IStream for PT_BINARY and string properties
  // (MAPI_CREATE | MAPI_MODIFY to create or write), IID_IMessage for
  // PR_ATTACH_DATA_OBJ of an attachment. MAPI_E_NOT_FOUND when missing,
  // MAPI_E_INTERFACE_NOT_SUPPORTED for another combination.
  virtual HRESULT OpenProperty(ULONG tag, const IID& iid, ULONG interface_options, ULONG flags,
                               std::shared_ptr<IUnknown>* out) = 0;
  // Copies every property (and for messages the recipients and attachments)
  // except `excluded` into `destination`, which must be of the same kind;
  // the destination keeps the copy until its own SaveChanges.
  virtual HRESULT CopyTo(const SPropTagArray* excluded, const IID& iid, IMAPIProp* destination, ULONG flags,
                         std::vector<SPropProblem>* problems) = 0;
  // Maps named properties to property ids of this object's store. With
  // MAPI_CREATE unknown names get new ids (0x8000 upward, stable for the
  // store); without it they come back as PROP_TAG(PT_ERROR, 0) and the result
  // is MAPI_W_ERRORS_RETURNED. Returned tags carry PT_UNSPECIFIED. Names in
  // PS_MAPI map to their own id. MAPI_E_NO_SUPPORT on objects outside a store.
  virtual HRESULT GetIDsFromNames(const std::vector<MAPINAMEID>& names, ULONG flags, SPropTagArray* tags) = 0;
  // The names of mapped ids; an unmapped id gives nullopt and
  // MAPI_W_ERRORS_RETURNED.
  virtual HRESULT GetNamesFromIDs(const SPropTagArray& tags, ULONG flags,
                                  std::vector<std::optional<MAPINAMEID>>* names) = 0;
};

// Reads one property; S_OK with *value set, else the value's error code.
HRESULT HrGetOneProp(IMAPIProp* object, ULONG tag, SPropValue* value);
HRESULT HrSetOneProp(IMAPIProp* object, const SPropValue& value);

class IMAPITable : public virtual IUnknown {
 public:
  virtual HRESULT GetLastError(HRESULT hr, ULONG flags, std::optional<MAPIERROR>* error) = 0;
  // Columns of the rows QueryRows returns; a column the row does not have
  // comes back as PT_ERROR / MAPI_E_NOT_FOUND. Resets nothing else.
  virtual HRESULT SetColumns(const SPropTagArray& columns, ULONG flags) = 0;
  virtual HRESULT QueryColumns(ULONG flags, SPropTagArray* columns) = 0;
  // Limits the rows to those satisfying the restriction (nullptr: all rows)
  // and moves the cursor to the beginning. Evaluated by the provider.
  virtual HRESULT Restrict(const SRestriction* restriction, ULONG flags) = 0;
  virtual HRESULT SortTable(const SSortOrderSet& order, ULONG flags) = 0;
  virtual HRESULT GetRowCount(ULONG flags, ULONG* count) = 0;
  // Current row index and total.
  virtual HRESULT QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) = 0;
  virtual HRESULT SeekRow(BOOKMARK origin, LONG row_count, LONG* rows_sought) = 0;
  // Moves the cursor to the first row at or after `origin` (before it with
  // DIR_BACKWARD) that satisfies the restriction; MAPI_E_NOT_FOUND (cursor
  // unchanged) when none does.
  virtual HRESULT FindRow(const SRestriction& restriction, BOOKMARK origin, ULONG flags) = 0;
  // Up to `row_count` rows from the cursor, which moves past them (unless
  // TBL_NOADVANCE). An empty row set at the end.
  virtual HRESULT QueryRows(LONG row_count, ULONG flags, SRowSet* rows) = 0;
};

// Every row of a table in one call: sets the columns (when given), the
// restriction (when given) and the sort order (when given), then reads from
// the beginning; `max_rows` 0 means no limit, and MAPI_E_TABLE_TOO_BIG when a
// limit is exceeded.
HRESULT HrQueryAllRows(IMAPITable* table, const SPropTagArray* columns, const SRestriction* restriction,
                       const SSortOrderSet* sort, LONG max_rows, SRowSet* rows);

class IMAPIContainer : public virtual IMAPIProp {
 public:
  virtual HRESULT GetContentsTable(ULONG flags, std::shared_ptr<IMAPITable>* table) = 0;
  virtual HRESULT GetHierarchyTable(ULONG flags, std::shared_ptr<IMAPITable>* table) = 0;
  // Opens an entry by its identifier. `iid` nullptr means the object's own
  // interface; *object_type gets MAPI_FOLDER, MAPI_MESSAGE, MAPI_MAILUSER ...
  virtual HRESULT OpenEntry(const ENTRYID& entry_id, const IID* iid, ULONG flags, ULONG* object_type,
                            std::shared_ptr<IUnknown>* object) = 0;
};

}  // namespace korvale::mapi
