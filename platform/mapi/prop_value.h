// Property values, rows and the other value types that travel through the
// MAPI interfaces, as plain C++ value types instead of MAPI's unions and
// allocator chains: an SPropValue is a tag plus a std::variant; a row is a
// vector of them; nothing needs MAPIFreeBuffer.
//
//   SPropValue v{PR_SUBJECT, std::string("Team meeting")};
//   if (const auto* s = v.String()) ...
//   SPropValue missing = SPropValue::Error(PR_BODY, MAPI_E_NOT_FOUND);
//
// Which alternative a value holds follows PROP_TYPE(ulPropTag):
//   PT_NULL/PT_UNSPECIFIED monostate, PT_I2 int16_t, PT_LONG int32_t,
//   PT_BOOLEAN bool, PT_DOUBLE/PT_R4/PT_APPTIME double, PT_CURRENCY CURRENCY,
//   PT_I8 int64_t, PT_SYSTIME SysTime, PT_STRING8/PT_UNICODE std::string (UTF-8),
//   PT_BINARY SBinary, PT_CLSID GUID, PT_ERROR PropError, PT_OBJECT PropObject,
//   PT_MV_LONG std::vector<int32_t>, PT_MV_STRING8/PT_MV_UNICODE
//   std::vector<std::string>, PT_MV_BINARY std::vector<SBinary>,
//   PT_MV_SYSTIME std::vector<SysTime>.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/mapi/mapi_codes.h"
#include "platform/mapi/mapi_defs.h"
#include "platform/mapi/mapi_tags.h"

namespace korvale::mapi {

// A PT_SYSTIME value: a FILETIME kept apart from PT_I8 so the variant knows which.
struct SysTime {
  FILETIME ft = 0;
  friend bool operator==(const SysTime&, const SysTime&) = default;
  friend auto operator<=>(const SysTime&, const SysTime&) = default;
};
// A PT_CURRENCY value: a 64-bit count of ten-thousandths.
struct CURRENCY {
  int64_t int64 = 0;
  friend bool operator==(const CURRENCY&, const CURRENCY&) = default;
  friend auto operator<=>(const CURRENCY&, const CURRENCY&) = default;
};
// The value of a PT_ERROR property: why the property is not there.
struct PropError {
  HRESULT scode = MAPI_E_NOT_FOUND;
  friend bool operator==(const PropError&, const PropError&) = default;
};
// The value of a PT_OBJECT property in a row (the object itself is opened
// with OpenProperty).
struct PropObject {
  friend bool operator==(const PropObject&, const PropObject&) = default;
};

using PropVariant = std::variant<std::monostate, int16_t, int32_t, bool, double, CURRENCY, int64_t, SysTime,
                                 std::string, SBinary, GUID, PropError, PropObject, std::vector<int32_t>,
                                 std::vector<std::string>, std::vector<SBinary>, std::vector<SysTime>>;

struct SPropValue {
  ULONG ulPropTag = PR_NULL;
  PropVariant Value;

  SPropValue() = default;
  // Numbers are brought to the alternative the tag's type calls for (an
  // unsigned or 64-bit number given for a PT_LONG becomes int32_t, an int for
  // a PT_BOOLEAN becomes bool, an int64_t for a PT_SYSTIME becomes SysTime ...).
  SPropValue(ULONG tag, PropVariant value);
  // A PT_ERROR value for the property id of `tag`.
  static SPropValue Error(ULONG tag, HRESULT scode);
  static SPropValue Time(ULONG tag, FILETIME ft) { return {tag, SysTime{ft}}; }

  bool IsError() const { return PROP_TYPE(ulPropTag) == PT_ERROR; }
  // Typed access; nullptr when the value holds another alternative (for
  // example an error). Strings serve both PT_STRING8 and PT_UNICODE.
  const int32_t* Long() const { return std::get_if<int32_t>(&Value); }
  const int16_t* I2() const { return std::get_if<int16_t>(&Value); }
  const bool* Boolean() const { return std::get_if<bool>(&Value); }
  const double* Double() const { return std::get_if<double>(&Value); }
  const int64_t* I8() const { return std::get_if<int64_t>(&Value); }
  const CURRENCY* Currency() const { return std::get_if<CURRENCY>(&Value); }
  const SysTime* FileTime() const { return std::get_if<SysTime>(&Value); }
  const std::string* String() const { return std::get_if<std::string>(&Value); }
  const SBinary* Binary() const { return std::get_if<SBinary>(&Value); }
  const GUID* Guid() const { return std::get_if<GUID>(&Value); }
  const std::vector<std::string>* MVString() const { return std::get_if<std::vector<std::string>>(&Value); }
  const std::vector<int32_t>* MVLong() const { return std::get_if<std::vector<int32_t>>(&Value); }
  const std::vector<SBinary>* MVBinary() const { return std::get_if<std::vector<SBinary>>(&Value); }
  // The error code of a PT_ERROR value; S_OK otherwise.
  HRESULT ErrorCode() const;

  friend bool operator==(const SPropValue&, const SPropValue&) = default;
};

// Whether the variant alternative is the one PROP_TYPE(tag) calls for.
bool ValueMatchesType(ULONG prop_type, const PropVariant& value);

// "PR_SUBJECT = \"Team meeting\"", "0x8205:PT_LONG = 2",
// "PR_BODY = <error MAPI_E_NOT_FOUND (8004010f)>", binary values as hex.
std::string ToString(const SPropValue& value);
// The value alone ("\"text\"", "42", "true", "2024-05-01 09:00:00Z", "<0A0B>").
std::string ValueToString(ULONG prop_type, const PropVariant& value);

using SPropTagArray = std::vector<ULONG>;
std::string ToString(const SPropTagArray& tags);

// A row of a table: values in the order of the table's columns.
struct SRow {
  std::vector<SPropValue> lpProps;
  size_t cValues() const { return lpProps.size(); }
  const SPropValue& operator[](size_t i) const { return lpProps[i]; }
  friend bool operator==(const SRow&, const SRow&) = default;
};
std::string ToString(const SRow& row);

struct SRowSet {
  std::vector<SRow> aRow;
  size_t cRows() const { return aRow.size(); }
  const SRow& operator[](size_t i) const { return aRow[i]; }
  bool empty() const { return aRow.empty(); }
};
std::string ToString(const SRowSet& rows);

// An entry of an address list: the properties of one recipient.
struct ADRENTRY {
  std::vector<SPropValue> rgPropVals;
  size_t cValues() const { return rgPropVals.size(); }
};
struct ADRLIST {
  std::vector<ADRENTRY> aEntries;
  size_t cEntries() const { return aEntries.size(); }
};
std::string ToString(const ADRLIST& list);

// A named property: a property set and either a numeric id or a name.
struct MAPINAMEID {
  GUID lpguid{};
  ULONG ulKind = MNID_ID;
  LONG lID = 0;            // with MNID_ID
  std::string lpwstrName;  // with MNID_STRING (UTF-8 here)

  static MAPINAMEID Id(const GUID& set, LONG id) { return {set, MNID_ID, id, {}}; }
  static MAPINAMEID Name(const GUID& set, std::string name) { return {set, MNID_STRING, 0, std::move(name)}; }
  friend bool operator==(const MAPINAMEID&, const MAPINAMEID&) = default;
};
// "{00062002-...}:0x8205" or "{00020329-...}:\"Keywords\"".
std::string ToString(const MAPINAMEID& name);

struct SSortOrder {
  ULONG ulPropTag = PR_NULL;
  ULONG ulOrder = TABLE_SORT_ASCEND;
};
struct SSortOrderSet {
  std::vector<SSortOrder> aSort;
};

// A property that could not be set or deleted, and why.
struct SPropProblem {
  ULONG ulIndex = 0;
  ULONG ulPropTag = PR_NULL;
  HRESULT scode = S_OK;
};

// The extended error of an object (GetLastError).
struct MAPIERROR {
  ULONG ulVersion = 0;
  std::string lpszError;
  std::string lpszComponent;
  ULONG ulLowLevelError = 0;
  ULONG ulContext = 0;
};
std::string ToString(const MAPIERROR& error);

// The first value with this tag (exact tag; with PT_UNSPECIFIED in `tag` any
// type of the same id); nullptr when none.
const SPropValue* PpropFindProp(const std::vector<SPropValue>& values, ULONG tag);
SPropValue* PpropFindProp(std::vector<SPropValue>& values, ULONG tag);

// Uppercase hexadecimal text of bytes, as MAPI's HexFromBin writes it.
std::string HexFromBin(const SBinary& bytes);
// Bytes from hexadecimal text (either case); false on an odd length or a
// character that is not a hexadecimal digit.
bool FBinFromHex(const std::string& hex, SBinary* bytes);

}  // namespace korvale::mapi
