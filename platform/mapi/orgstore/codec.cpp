// Property value and property list byte forms.
#include "platform/mapi/orgstore/codec.h"

#include <cstring>

namespace korvale::mapi::orgstore {

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutU64(std::vector<uint8_t>& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool ByteReader::U8(uint8_t* v) {
  if (Remaining() < 1) return false;
  *v = p_[pos_++];
  return true;
}
bool ByteReader::U16(uint16_t* v) {
  if (Remaining() < 2) return false;
  *v = static_cast<uint16_t>(p_[pos_] | (p_[pos_ + 1] << 8));
  pos_ += 2;
  return true;
}
bool ByteReader::U32(uint32_t* v) {
  if (Remaining() < 4) return false;
  uint32_t x = 0;
  for (int i = 0; i < 4; ++i) x |= uint32_t(p_[pos_ + i]) << (8 * i);
  *v = x;
  pos_ += 4;
  return true;
}
bool ByteReader::U64(uint64_t* v) {
  if (Remaining() < 8) return false;
  uint64_t x = 0;
  for (int i = 0; i < 8; ++i) x |= uint64_t(p_[pos_ + i]) << (8 * i);
  *v = x;
  pos_ += 8;
  return true;
}
bool ByteReader::Bytes(size_t count, std::vector<uint8_t>* out) {
  if (Remaining() < count) return false;
  out->assign(p_ + pos_, p_ + pos_ + count);
  pos_ += count;
  return true;
}
bool ByteReader::Skip(size_t count) {
  if (Remaining() < count) return false;
  pos_ += count;
  return true;
}
bool ByteReader::CString(std::string* out) {
  const void* end = std::memchr(p_ + pos_, 0, Remaining());
  if (!end) return false;
  size_t len = static_cast<const uint8_t*>(end) - (p_ + pos_);
  out->assign(reinterpret_cast<const char*>(p_ + pos_), len);
  pos_ += len + 1;
  return true;
}

namespace {

void PutBytes(std::vector<uint8_t>& out, const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  out.insert(out.end(), p, p + size);
}

void PutCounted(std::vector<uint8_t>& out, const void* data, size_t size) {
  PutU32(out, static_cast<uint32_t>(size));
  PutBytes(out, data, size);
}

}  // namespace

std::vector<uint8_t> EncodeValue(const SPropValue& value) {
  std::vector<uint8_t> out;
  struct Visitor {
    std::vector<uint8_t>& out;
    void operator()(std::monostate) {}
    void operator()(int16_t x) { PutU16(out, static_cast<uint16_t>(x)); }
    void operator()(int32_t x) { PutU32(out, static_cast<uint32_t>(x)); }
    void operator()(bool x) { out.push_back(x ? 1 : 0); }
    void operator()(double x) {
      uint64_t bits;
      std::memcpy(&bits, &x, 8);
      PutU64(out, bits);
    }
    void operator()(CURRENCY x) { PutU64(out, static_cast<uint64_t>(x.int64)); }
    void operator()(int64_t x) { PutU64(out, static_cast<uint64_t>(x)); }
    void operator()(SysTime x) { PutU64(out, x.ft); }
    void operator()(const std::string& x) { PutBytes(out, x.data(), x.size()); }
    void operator()(const SBinary& x) { PutBytes(out, x.data(), x.size()); }
    void operator()(const GUID& x) {
      auto b = GuidToBytes(x);
      PutBytes(out, b.data(), b.size());
    }
    void operator()(PropError x) { PutU32(out, static_cast<uint32_t>(x.scode)); }
    void operator()(PropObject) {}
    void operator()(const std::vector<int32_t>& x) {
      PutU32(out, static_cast<uint32_t>(x.size()));
      for (auto i : x) PutU32(out, static_cast<uint32_t>(i));
    }
    void operator()(const std::vector<std::string>& x) {
      PutU32(out, static_cast<uint32_t>(x.size()));
      for (const auto& s : x) PutCounted(out, s.data(), s.size());
    }
    void operator()(const std::vector<SBinary>& x) {
      PutU32(out, static_cast<uint32_t>(x.size()));
      for (const auto& b : x) PutCounted(out, b.data(), b.size());
    }
    void operator()(const std::vector<SysTime>& x) {
      PutU32(out, static_cast<uint32_t>(x.size()));
      for (auto t : x) PutU64(out, t.ft);
    }
  };
  std::visit(Visitor{out}, value.Value);
  return out;
}

std::optional<PropVariant> DecodeValue(ULONG type, const std::vector<uint8_t>& bytes) {
  ByteReader r(bytes);
  auto exact = [&](size_t n) { return bytes.size() == n; };
  switch (type) {
    case PT_NULL:
    case PT_UNSPECIFIED: return PropVariant{};
    case PT_OBJECT: return PropVariant{PropObject{}};
    case PT_I2: {
      uint16_t v;
      if (!exact(2) || !r.U16(&v)) return std::nullopt;
      return PropVariant{static_cast<int16_t>(v)};
    }
    case PT_LONG: {
      uint32_t v;
      if (!exact(4) || !r.U32(&v)) return std::nullopt;
      return PropVariant{static_cast<int32_t>(v)};
    }
    case PT_ERROR: {
      uint32_t v;
      if (!exact(4) || !r.U32(&v)) return std::nullopt;
      return PropVariant{PropError{static_cast<HRESULT>(v)}};
    }
    case PT_BOOLEAN:
      if (!exact(1)) return std::nullopt;
      return PropVariant{bytes[0] != 0};
    case PT_R4:
    case PT_DOUBLE:
    case PT_APPTIME: {
      uint64_t v;
      if (!exact(8) || !r.U64(&v)) return std::nullopt;
      double d;
      std::memcpy(&d, &v, 8);
      return PropVariant{d};
    }
    case PT_CURRENCY:
    case PT_I8:
    case PT_SYSTIME: {
      uint64_t v;
      if (!exact(8) || !r.U64(&v)) return std::nullopt;
      if (type == PT_CURRENCY) return PropVariant{CURRENCY{static_cast<int64_t>(v)}};
      if (type == PT_I8) return PropVariant{static_cast<int64_t>(v)};
      return PropVariant{SysTime{v}};
    }
    case PT_STRING8:
    case PT_UNICODE: return PropVariant{std::string(bytes.begin(), bytes.end())};
    case PT_BINARY: return PropVariant{bytes};
    case PT_CLSID:
      if (!exact(16)) return std::nullopt;
      return PropVariant{GuidFromBytes(bytes.data())};
    case PT_MV_LONG: {
      uint32_t count;
      if (!r.U32(&count) || r.Remaining() != size_t(count) * 4) return std::nullopt;
      std::vector<int32_t> v(count);
      for (auto& x : v) {
        uint32_t u = 0;
        r.U32(&u);
        x = static_cast<int32_t>(u);
      }
      return PropVariant{std::move(v)};
    }
    case PT_MV_SYSTIME: {
      uint32_t count;
      if (!r.U32(&count) || r.Remaining() != size_t(count) * 8) return std::nullopt;
      std::vector<SysTime> v(count);
      for (auto& x : v) r.U64(&x.ft);
      return PropVariant{std::move(v)};
    }
    case PT_MV_STRING8:
    case PT_MV_UNICODE:
    case PT_MV_BINARY: {
      uint32_t count;
      if (!r.U32(&count) || count > r.Remaining() / 4) return std::nullopt;
      std::vector<SBinary> items(count);
      for (auto& item : items) {
        uint32_t len;
        if (!r.U32(&len) || !r.Bytes(len, &item)) return std::nullopt;
      }
      if (r.Remaining() != 0) return std::nullopt;
      if (type == PT_MV_BINARY) return PropVariant{std::move(items)};
      std::vector<std::string> strings;
      strings.reserve(items.size());
      for (const auto& item : items) strings.emplace_back(item.begin(), item.end());
      return PropVariant{std::move(strings)};
    }
    default: return std::nullopt;
  }
}

std::vector<uint8_t> EncodePropList(const std::vector<SPropValue>& values) {
  std::vector<uint8_t> out;
  PutU32(out, static_cast<uint32_t>(values.size()));
  for (const auto& v : values) {
    PutU32(out, v.ulPropTag);
    auto bytes = EncodeValue(v);
    PutCounted(out, bytes.data(), bytes.size());
  }
  return out;
}

std::optional<std::vector<SPropValue>> DecodePropList(const std::vector<uint8_t>& bytes) {
  ByteReader r(bytes);
  uint32_t count;
  if (!r.U32(&count) || count > r.Remaining() / 8) return std::nullopt;
  std::vector<SPropValue> out;
  out.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t tag, len;
    std::vector<uint8_t> value;
    if (!r.U32(&tag) || !r.U32(&len) || !r.Bytes(len, &value)) return std::nullopt;
    auto v = DecodeValue(PROP_TYPE(tag), value);
    if (!v) return std::nullopt;
    SPropValue pv;
    pv.ulPropTag = tag;
    pv.Value = std::move(*v);
    out.push_back(std::move(pv));
  }
  if (r.Remaining() != 0) return std::nullopt;
  return out;
}

std::optional<int64_t> IndexValue(const SPropValue& v) {
  if (auto p = v.I2()) return *p;
  if (auto p = v.Long()) return *p;
  if (auto p = v.Boolean()) return *p ? 1 : 0;
  if (auto p = v.I8()) return *p;
  if (auto p = v.FileTime()) return static_cast<int64_t>(p->ft);
  if (auto p = v.Currency()) return p->int64;
  return std::nullopt;
}

}  // namespace korvale::mapi::orgstore
