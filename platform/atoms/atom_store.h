// The files of the atom table. Callers hold the TableLock around every use.
//
// A bucket file "n-<hash of the folded name>" holds one line per atom,
// "<number in hex> <reference count> <folded name in hex>", so names of any
// bytes and length map to short safe file names and a hash collision only
// adds a line. An index file "i-<number in hex>" holds the bucket's hash, so
// an atom is found again by its number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvale::atoms {

struct AtomEntry {
  uint16_t number = 0;
  uint32_t refs = 0;
  std::string folded_name;
};

uint64_t HashName(std::string_view folded_name);

class AtomStore {
 public:
  explicit AtomStore(std::string directory) : dir_(std::move(directory)) {}

  // Lines that do not parse are dropped, so a damaged file costs only its atoms.
  std::vector<AtomEntry> ReadBucket(uint64_t hash) const;
  // An empty bucket removes the file.
  bool WriteBucket(uint64_t hash, const std::vector<AtomEntry>& entries) const;

  std::optional<uint64_t> ReadIndex(uint16_t number) const;
  bool WriteIndex(uint16_t number, uint64_t hash) const;
  void RemoveIndex(uint16_t number) const;

 private:
  std::string BucketPath(uint64_t hash) const;
  std::string IndexPath(uint16_t number) const;
  bool Replace(const std::string& path, const std::string& bytes) const;
  std::string dir_;
};

}  // namespace korvale::atoms
