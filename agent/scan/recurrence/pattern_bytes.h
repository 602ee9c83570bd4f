// Bounds-checked little-endian reading of pattern bytes. Every read states
// whether the bytes held the value, so no reader ever looks past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace korvale::recurrence {

class PatternBytes {
 public:
  explicit PatternBytes(std::string_view bytes) : bytes_(bytes) {}

  size_t size() const { return bytes_.size(); }
  // Whether `count` bytes starting at `offset` lie inside the value.
  bool Holds(uint64_t offset, uint64_t count) const {
    return offset <= bytes_.size() && count <= bytes_.size() - offset;
  }

  std::optional<uint16_t> U16(uint64_t offset) const {
    if (!Holds(offset, 2)) return std::nullopt;
    return static_cast<uint16_t>(Byte(offset) | Byte(offset + 1) << 8);
  }
  std::optional<uint32_t> U32(uint64_t offset) const {
    if (!Holds(offset, 4)) return std::nullopt;
    return static_cast<uint32_t>(Byte(offset)) | static_cast<uint32_t>(Byte(offset + 1)) << 8 |
           static_cast<uint32_t>(Byte(offset + 2)) << 16 | static_cast<uint32_t>(Byte(offset + 3)) << 24;
  }
  std::optional<std::string_view> Slice(uint64_t offset, uint64_t count) const {
    if (!Holds(offset, count)) return std::nullopt;
    return bytes_.substr(static_cast<size_t>(offset), static_cast<size_t>(count));
  }

 private:
  uint32_t Byte(uint64_t offset) const {
    return static_cast<unsigned char>(bytes_[static_cast<size_t>(offset)]);
  }
  std::string_view bytes_;
};

// A read position that moves forward through the bytes; once a read fails,
// every later read fails too, so a record can be read field by field and
// checked once at the end.
class PatternCursor {
 public:
  PatternCursor(const PatternBytes& bytes, uint64_t offset) : bytes_(bytes), offset_(offset) {}

  bool ok() const { return ok_; }
  uint64_t offset() const { return offset_; }

  uint16_t U16() { return Take<uint16_t>(bytes_.U16(offset_), 2); }
  uint32_t U32() { return Take<uint32_t>(bytes_.U32(offset_), 4); }
  std::string_view Text(uint64_t count) {
    return Take<std::string_view>(bytes_.Slice(offset_, count), count);
  }
  void Skip(uint64_t count) {
    if (ok_ && bytes_.Holds(offset_, count)) {
      offset_ += count;
    } else {
      ok_ = false;
    }
  }

 private:
  template <typename T>
  T Take(std::optional<T> value, uint64_t width) {
    if (!ok_ || !value) {
      ok_ = false;
      return T{};
    }
    offset_ += width;
    return *value;
  }

  const PatternBytes& bytes_;
  uint64_t offset_;
  bool ok_ = true;
};

}  // namespace korvale::recurrence
