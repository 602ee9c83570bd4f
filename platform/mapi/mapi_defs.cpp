// GUID text and byte forms, random GUIDs, property type names.
#include "platform/mapi/mapi_defs.h"

#include <cstdio>
#include <random>

namespace korvale::mapi {

std::string ToString(const GUID& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2,
                g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                g.Data4[7]);
  return buf;
}

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

bool GuidFromString(const std::string& text, GUID* guid) {
  std::string t = text;
  if (t.size() == 38 && t.front() == '{' && t.back() == '}') t = t.substr(1, 36);
  if (t.size() != 36 || t[8] != '-' || t[13] != '-' || t[18] != '-' || t[23] != '-') return false;
  std::string hex;
  for (char c : t) {
    if (c == '-') continue;
    if (HexDigit(c) < 0) return false;
    hex += c;
  }
  auto byte_at = [&](size_t i) {
    return static_cast<uint8_t>(HexDigit(hex[2 * i]) * 16 + HexDigit(hex[2 * i + 1]));
  };
  GUID g;
  g.Data1 =
      (uint32_t(byte_at(0)) << 24) | (uint32_t(byte_at(1)) << 16) | (uint32_t(byte_at(2)) << 8) | byte_at(3);
  g.Data2 = static_cast<uint16_t>((byte_at(4) << 8) | byte_at(5));
  g.Data3 = static_cast<uint16_t>((byte_at(6) << 8) | byte_at(7));
  for (size_t i = 0; i < 8; ++i) g.Data4[i] = byte_at(8 + i);
  *guid = g;
  return true;
}

std::array<uint8_t, 16> GuidToBytes(const GUID& g) {
  std::array<uint8_t, 16> b{};
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(g.Data1 >> (8 * i));
  b[4] = static_cast<uint8_t>(g.Data2);
  b[5] = static_cast<uint8_t>(g.Data2 >> 8);
  b[6] = static_cast<uint8_t>(g.Data3);
  b[7] = static_cast<uint8_t>(g.Data3 >> 8);
  for (int i = 0; i < 8; ++i) b[8 + i] = g.Data4[i];
  return b;
}

GUID GuidFromBytes(const uint8_t* b) {
  GUID g;
  g.Data1 = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
  g.Data2 = static_cast<uint16_t>(b[4] | (b[5] << 8));
  g.Data3 = static_cast<uint16_t>(b[6] | (b[7] << 8));
  for (int i = 0; i < 8; ++i) g.Data4[i] = b[8 + i];
  return g;
}

GUID NewGuid() {
  static thread_local std::mt19937_64 engine{std::random_device{}()};
  uint64_t a = engine(), b = engine();
  GUID g;
  g.Data1 = static_cast<uint32_t>(a);
  g.Data2 = static_cast<uint16_t>(a >> 32);
  g.Data3 = static_cast<uint16_t>(((a >> 48) & 0x0FFF) | 0x4000);
  for (int i = 0; i < 8; ++i) g.Data4[i] = static_cast<uint8_t>(b >> (8 * i));
  g.Data4[0] = static_cast<uint8_t>((g.Data4[0] & 0x3F) | 0x80);
  return g;
}

std::string PropTypeName(ULONG type) {
  std::string prefix = (type & MV_FLAG) ? "PT_MV_" : "PT_";
  switch (type & ~MV_FLAG) {
    case PT_UNSPECIFIED: return prefix + "UNSPECIFIED";
    case PT_NULL: return prefix + "NULL";
    case PT_I2: return prefix + "I2";
    case PT_LONG: return prefix + "LONG";
    case PT_R4: return prefix + "R4";
    case PT_DOUBLE: return prefix + "DOUBLE";
    case PT_CURRENCY: return prefix + "CURRENCY";
    case PT_APPTIME: return prefix + "APPTIME";
    case PT_ERROR: return prefix + "ERROR";
    case PT_BOOLEAN: return prefix + "BOOLEAN";
    case PT_OBJECT: return prefix + "OBJECT";
    case PT_I8: return prefix + "I8";
    case PT_STRING8: return prefix + "STRING8";
    case PT_UNICODE: return prefix + "UNICODE";
    case PT_SYSTIME: return prefix + "SYSTIME";
    case PT_CLSID: return prefix + "CLSID";
    case PT_BINARY: return prefix + "BINARY";
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%04X", type);
  return buf;
}

}  // namespace korvale::mapi
