// Property values: normalisation to the tag's type, text forms, lookup, hex.
#include "platform/mapi/prop_value.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>

namespace korvale::mapi {

namespace {

// Brings a number to the alternative the property type asks for, so that
// SPropValue{PR_MESSAGE_FLAGS, flags_as_ulong} holds an int32_t.
PropVariant Normalize(ULONG type, PropVariant v) {
  auto as_i64 = [&](int64_t* out) -> bool {
    if (auto p = std::get_if<int16_t>(&v)) return *out = *p, true;
    if (auto p = std::get_if<int32_t>(&v)) return *out = *p, true;
    if (auto p = std::get_if<int64_t>(&v)) return *out = *p, true;
    if (auto p = std::get_if<bool>(&v)) return *out = *p ? 1 : 0, true;
    return false;
  };
  int64_t n = 0;
  switch (type) {
    case PT_I2:
      if (!std::holds_alternative<int16_t>(v) && as_i64(&n)) return static_cast<int16_t>(n);
      break;
    case PT_LONG:
      if (!std::holds_alternative<int32_t>(v) && as_i64(&n))
        return static_cast<int32_t>(static_cast<uint32_t>(n));
      break;
    case PT_I8:
      if (!std::holds_alternative<int64_t>(v) && as_i64(&n)) return n;
      break;
    case PT_BOOLEAN:
      if (!std::holds_alternative<bool>(v) && as_i64(&n)) return n != 0;
      break;
    case PT_SYSTIME:
      if (std::holds_alternative<int64_t>(v)) return SysTime{static_cast<FILETIME>(std::get<int64_t>(v))};
      break;
    case PT_CURRENCY:
      if (std::holds_alternative<int64_t>(v)) return CURRENCY{std::get<int64_t>(v)};
      break;
    case PT_DOUBLE:
    case PT_R4:
    case PT_APPTIME:
      if (!std::holds_alternative<double>(v) && as_i64(&n)) return static_cast<double>(n);
      break;
    case PT_ERROR:
      if (auto p = std::get_if<int32_t>(&v)) return PropError{*p};
      break;
    default: break;
  }
  return v;
}

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string TimeText(FILETIME ft) {
  // Seconds between 1601-01-01 and 1970-01-01.
  constexpr int64_t kEpochDelta = 11644473600LL;
  int64_t secs = static_cast<int64_t>(ft / 10000000ULL) - kEpochDelta;
  std::time_t t = static_cast<std::time_t>(secs);
  std::tm tm{};
  if (!gmtime_r(&t, &tm)) return std::to_string(ft);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

template <class T, class F>
std::string Join(const std::vector<T>& items, F f) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += ", ";
    out += f(items[i]);
  }
  return out + "]";
}

}  // namespace

SPropValue::SPropValue(ULONG tag, PropVariant value)
    : ulPropTag(tag), Value(Normalize(PROP_TYPE(tag), std::move(value))) {}

SPropValue SPropValue::Error(ULONG tag, HRESULT scode) {
  return SPropValue(PROP_TAG(PT_ERROR, PROP_ID(tag)), PropError{scode});
}

HRESULT SPropValue::ErrorCode() const {
  if (auto e = std::get_if<PropError>(&Value)) return e->scode;
  return S_OK;
}

bool ValueMatchesType(ULONG type, const PropVariant& v) {
  switch (type) {
    case PT_UNSPECIFIED:
    case PT_NULL: return std::holds_alternative<std::monostate>(v);
    case PT_I2: return std::holds_alternative<int16_t>(v);
    case PT_LONG: return std::holds_alternative<int32_t>(v);
    case PT_BOOLEAN: return std::holds_alternative<bool>(v);
    case PT_R4:
    case PT_DOUBLE:
    case PT_APPTIME: return std::holds_alternative<double>(v);
    case PT_CURRENCY: return std::holds_alternative<CURRENCY>(v);
    case PT_I8: return std::holds_alternative<int64_t>(v);
    case PT_SYSTIME: return std::holds_alternative<SysTime>(v);
    case PT_STRING8:
    case PT_UNICODE: return std::holds_alternative<std::string>(v);
    case PT_BINARY: return std::holds_alternative<SBinary>(v);
    case PT_CLSID: return std::holds_alternative<GUID>(v);
    case PT_ERROR: return std::holds_alternative<PropError>(v);
    case PT_OBJECT: return std::holds_alternative<PropObject>(v);
    case PT_MV_LONG: return std::holds_alternative<std::vector<int32_t>>(v);
    case PT_MV_STRING8:
    case PT_MV_UNICODE: return std::holds_alternative<std::vector<std::string>>(v);
    case PT_MV_BINARY: return std::holds_alternative<std::vector<SBinary>>(v);
    case PT_MV_SYSTIME: return std::holds_alternative<std::vector<SysTime>>(v);
    default: return false;
  }
}

std::string ValueToString(ULONG type, const PropVariant& v) {
  (void)type;
  struct Visitor {
    std::string operator()(std::monostate) const { return "null"; }
    std::string operator()(int16_t x) const { return std::to_string(x); }
    std::string operator()(int32_t x) const {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%d (0x%X)", x, static_cast<unsigned>(x));
      return buf;
    }
    std::string operator()(bool x) const { return x ? "true" : "false"; }
    std::string operator()(double x) const {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%g", x);
      return buf;
    }
    std::string operator()(CURRENCY x) const { return std::to_string(x.int64) + " (currency)"; }
    std::string operator()(int64_t x) const { return std::to_string(x); }
    std::string operator()(SysTime x) const { return TimeText(x.ft); }
    std::string operator()(const std::string& x) const { return Quote(x); }
    std::string operator()(const SBinary& x) const {
      if (x.size() > 64) {
        SBinary head(x.begin(), x.begin() + 64);
        return "<" + HexFromBin(head) + "...> (" + std::to_string(x.size()) + " bytes)";
      }
      return "<" + HexFromBin(x) + ">";
    }
    std::string operator()(const GUID& x) const { return ToString(x); }
    std::string operator()(PropError x) const { return "<error " + HResultToString(x.scode) + ">"; }
    std::string operator()(PropObject) const { return "<object>"; }
    std::string operator()(const std::vector<int32_t>& x) const {
      return Join(x, [](int32_t i) { return std::to_string(i); });
    }
    std::string operator()(const std::vector<std::string>& x) const { return Join(x, Quote); }
    std::string operator()(const std::vector<SBinary>& x) const {
      return Join(x, [](const SBinary& b) { return "<" + HexFromBin(b) + ">"; });
    }
    std::string operator()(const std::vector<SysTime>& x) const {
      return Join(x, [](SysTime t) { return TimeText(t.ft); });
    }
  };
  return std::visit(Visitor{}, v);
}

std::string ToString(const SPropValue& value) {
  return TagName(value.ulPropTag) + " = " + ValueToString(PROP_TYPE(value.ulPropTag), value.Value);
}

std::string ToString(const SPropTagArray& tags) {
  return Join(tags, [](ULONG t) { return TagName(t); });
}

std::string ToString(const SRow& row) {
  std::string out = "{";
  for (size_t i = 0; i < row.lpProps.size(); ++i) out += (i ? ", " : "") + ToString(row.lpProps[i]);
  return out + "}";
}

std::string ToString(const SRowSet& rows) {
  std::string out = std::to_string(rows.cRows()) + " row(s)";
  for (const auto& r : rows.aRow) out += "\n  " + ToString(r);
  return out;
}

std::string ToString(const ADRLIST& list) {
  std::string out = std::to_string(list.cEntries()) + " entr" + (list.cEntries() == 1 ? "y" : "ies");
  for (const auto& e : list.aEntries)
    out += "\n  " + Join(e.rgPropVals, [](const SPropValue& v) { return ToString(v); });
  return out;
}

std::string ToString(const MAPINAMEID& name) {
  if (name.ulKind == MNID_STRING) return ToString(name.lpguid) + ":" + Quote(name.lpwstrName);
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(name.lID));
  return ToString(name.lpguid) + ":" + buf;
}

std::string ToString(const MAPIERROR& e) {
  return "Version: " + std::to_string(e.ulVersion) + ", Error Message: " + e.lpszError +
         ", Component: " + e.lpszComponent + ", LowLevelError: " + std::to_string(e.ulLowLevelError) +
         ", Context: " + std::to_string(e.ulContext);
}

const SPropValue* PpropFindProp(const std::vector<SPropValue>& values, ULONG tag) {
  for (const auto& v : values) {
    if (v.ulPropTag == tag) return &v;
    if (PROP_TYPE(tag) == PT_UNSPECIFIED && PROP_ID(v.ulPropTag) == PROP_ID(tag)) return &v;
  }
  return nullptr;
}

SPropValue* PpropFindProp(std::vector<SPropValue>& values, ULONG tag) {
  return const_cast<SPropValue*>(PpropFindProp(static_cast<const std::vector<SPropValue>&>(values), tag));
}

std::string HexFromBin(const SBinary& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

bool FBinFromHex(const std::string& hex, SBinary* bytes) {
  if (hex.size() % 2) return false;
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  SBinary out;
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = digit(hex[i]), lo = digit(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  *bytes = std::move(out);
  return true;
}

}  // namespace korvale::mapi
