// Byte forms of property values and property lists as the organisation
// store keeps them in its blobs. Decoding checks every length, so a broken
// blob is reported (MAPI_E_CORRUPT_DATA) instead of read past its end.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/mapi/prop_value.h"

namespace korvale::mapi::orgstore {

// The value alone; its type comes from the tag stored beside it.
std::vector<uint8_t> EncodeValue(const SPropValue& value);
std::optional<PropVariant> DecodeValue(ULONG prop_type, const std::vector<uint8_t>& bytes);

// A list of values: count, then tag, length and value bytes of each.
std::vector<uint8_t> EncodePropList(const std::vector<SPropValue>& values);
std::optional<std::vector<SPropValue>> DecodePropList(const std::vector<uint8_t>& bytes);

// The integer the store indexes a value by (PT_I2, PT_LONG, PT_BOOLEAN,
// PT_I8, PT_SYSTIME, PT_CURRENCY); nullopt for other types.
std::optional<int64_t> IndexValue(const SPropValue& value);

// Little-endian helpers shared by the entry-identifier code.
void PutU16(std::vector<uint8_t>& out, uint16_t v);
void PutU32(std::vector<uint8_t>& out, uint32_t v);
void PutU64(std::vector<uint8_t>& out, uint64_t v);

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : p_(data), n_(size) {}
  explicit ByteReader(const std::vector<uint8_t>& v) : p_(v.data()), n_(v.size()) {}
  bool U8(uint8_t* v);
  bool U16(uint16_t* v);
  bool U32(uint32_t* v);
  bool U64(uint64_t* v);
  bool Bytes(size_t count, std::vector<uint8_t>* out);
  bool Skip(size_t count);
  // A zero-terminated 8-bit string.
  bool CString(std::string* out);
  size_t Remaining() const { return n_ - pos_; }
  size_t Position() const { return pos_; }

 private:
  const uint8_t* p_;
  size_t n_;
  size_t pos_ = 0;
};

}  // namespace korvale::mapi::orgstore
