// The global atom calls on top of the table files; see atoms.h.
#include "platform/atoms/atoms.h"

#include <algorithm>
#include <optional>

#include "common/utf8.h"
#include "platform/atoms/atom_dir.h"
#include "platform/atoms/atom_store.h"

namespace korvale::atoms {
namespace {

constexpr uint32_t kFirstAtom = 0xC000;
constexpr uint32_t kAtomCount = 0x4000;
constexpr size_t kMaxNameChars = 255;
constexpr uint32_t kMaxRefs = 0xFFFFFFFFu;

// ASCII folding only: the table must agree across processes whatever their locale.
std::optional<std::string> FoldName(const std::string& name) {
  if (name.empty() || Utf8Length(name) > kMaxNameChars) return std::nullopt;
  std::string folded = name;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

struct OpenTable {
  TableLock lock;
  AtomStore store;
};

std::optional<OpenTable> Open() {
  Expected<std::string> dir = AtomDirectory();
  if (!dir.ok()) return std::nullopt;
  Expected<TableLock> lock = TableLock::Acquire(*dir);
  if (!lock.ok()) return std::nullopt;
  return OpenTable{std::move(*lock), AtomStore(*dir)};
}

// An index file whose bucket no longer holds the number is left over from a
// writer that died between its two files; its number is free again.
bool NumberInUse(const AtomStore& store, uint16_t number) {
  std::optional<uint64_t> hash = store.ReadIndex(number);
  if (!hash) return false;
  std::vector<AtomEntry> entries = store.ReadBucket(*hash);
  return std::any_of(entries.begin(), entries.end(), [&](const AtomEntry& e) { return e.number == number; });
}

// Starting from the name's hash keeps numbers stable between runs for the
// usual case of an atom that is added, deleted and added again.
std::optional<uint16_t> FreeNumber(const AtomStore& store, uint64_t hash) {
  for (uint32_t probe = 0; probe < kAtomCount; ++probe) {
    auto number = static_cast<uint16_t>(kFirstAtom + (hash + probe) % kAtomCount);
    if (!NumberInUse(store, number)) return number;
  }
  return std::nullopt;
}

}  // namespace

ATOM GlobalAddAtom(const std::string& name) {
  std::optional<std::string> folded = FoldName(name);
  if (!folded) return 0;
  std::optional<OpenTable> table = Open();
  if (!table) return 0;
  uint64_t hash = HashName(*folded);
  std::vector<AtomEntry> entries = table->store.ReadBucket(hash);
  for (AtomEntry& entry : entries) {
    if (entry.folded_name != *folded) continue;
    if (entry.refs < kMaxRefs) ++entry.refs;
    return table->store.WriteBucket(hash, entries) ? entry.number : 0;
  }
  std::optional<uint16_t> number = FreeNumber(table->store, hash);
  if (!number) return 0;
  // The index first: a crash before the bucket is written leaves only a stale
  // index, which FreeNumber recognises.
  if (!table->store.WriteIndex(*number, hash)) return 0;
  entries.push_back(AtomEntry{*number, 1, *folded});
  if (!table->store.WriteBucket(hash, entries)) {
    table->store.RemoveIndex(*number);
    return 0;
  }
  return *number;
}

ATOM GlobalFindAtom(const std::string& name) {
  std::optional<std::string> folded = FoldName(name);
  if (!folded) return 0;
  std::optional<OpenTable> table = Open();
  if (!table) return 0;
  for (const AtomEntry& entry : table->store.ReadBucket(HashName(*folded))) {
    if (entry.folded_name == *folded) return entry.number;
  }
  return 0;
}

ATOM GlobalDeleteAtom(ATOM atom) {
  if (atom < kFirstAtom) return atom;
  std::optional<OpenTable> table = Open();
  if (!table) return atom;
  std::optional<uint64_t> hash = table->store.ReadIndex(atom);
  if (!hash) return atom;
  std::vector<AtomEntry> entries = table->store.ReadBucket(*hash);
  auto it =
      std::find_if(entries.begin(), entries.end(), [&](const AtomEntry& e) { return e.number == atom; });
  if (it == entries.end()) return atom;
  bool last_reference = --it->refs == 0;
  if (last_reference) entries.erase(it);
  if (!table->store.WriteBucket(*hash, entries)) return atom;
  if (last_reference) table->store.RemoveIndex(atom);
  return 0;
}

}  // namespace korvale::atoms
