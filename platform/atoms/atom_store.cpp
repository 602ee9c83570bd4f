// Reading and writing the atom table files; see atom_store.h.
#include "platform/atoms/atom_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace korvale::atoms {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

std::string ToHex(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += kHexDigits[c >> 4];
    out += kHexDigits[c & 15];
  }
  return out;
}

std::optional<std::string> FromHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
    if (ec != std::errc() || end != hex.data() + i + 2) return std::nullopt;
    out += static_cast<char>(value);
  }
  return out;
}

template <typename T>
bool ParseNumber(std::string_view text, T& value, int base) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return ec == std::errc() && end == text.data() + text.size();
}

std::optional<std::string> ReadSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string HashText(uint64_t hash) {
  char buffer[17];
  std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(hash));
  return buffer;
}

}  // namespace

uint64_t HashName(std::string_view folded_name) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a: stable across builds and machines
  for (unsigned char c : folded_name) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string AtomStore::BucketPath(uint64_t hash) const { return dir_ + "/n-" + HashText(hash); }

std::string AtomStore::IndexPath(uint16_t number) const {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%04x", number);
  return dir_ + "/i-" + buffer;
}

bool AtomStore::Replace(const std::string& path, const std::string& bytes) const {
  // Under the table lock one temporary name suffices; the rename keeps a
  // crashed writer from leaving half a file.
  std::string temp = dir_ + "/tmp-" + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  ok = (::close(fd) == 0) && ok;
  if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

std::vector<AtomEntry> AtomStore::ReadBucket(uint64_t hash) const {
  std::vector<AtomEntry> entries;
  std::optional<std::string> text = ReadSmallFile(BucketPath(hash));
  if (!text) return entries;
  std::istringstream lines(*text);
  std::string number, refs, name;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    AtomEntry entry;
    if (!(fields >> number >> refs >> name) || !ParseNumber(number, entry.number, 16) ||
        !ParseNumber(refs, entry.refs, 10) || entry.number < 0xC000 || entry.refs == 0) {
      continue;
    }
    std::optional<std::string> folded = FromHex(name);
    if (!folded) continue;
    entry.folded_name = std::move(*folded);
    entries.push_back(std::move(entry));
  }
  return entries;
}

bool AtomStore::WriteBucket(uint64_t hash, const std::vector<AtomEntry>& entries) const {
  if (entries.empty()) return ::unlink(BucketPath(hash).c_str()) == 0 || errno == ENOENT;
  std::string text;
  for (const AtomEntry& entry : entries) {
    char head[32];
    std::snprintf(head, sizeof head, "%04x %u ", entry.number, entry.refs);
    text += head + ToHex(entry.folded_name) + "\n";
  }
  return Replace(BucketPath(hash), text);
}

std::optional<uint64_t> AtomStore::ReadIndex(uint16_t number) const {
  std::optional<std::string> text = ReadSmallFile(IndexPath(number));
  if (!text) return std::nullopt;
  while (!text->empty() && text->back() == '\n') text->pop_back();
  uint64_t hash = 0;
  if (!ParseNumber(*text, hash, 16)) return std::nullopt;
  return hash;
}

bool AtomStore::WriteIndex(uint16_t number, uint64_t hash) const {
  return Replace(IndexPath(number), HashText(hash) + "\n");
}

void AtomStore::RemoveIndex(uint16_t number) const { ::unlink(IndexPath(number).c_str()); }

}  // namespace korvale::atoms
