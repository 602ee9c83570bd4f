#include "platform/metabase/metabase_document.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

#include "common/text.h"

namespace korvale::metabase {
namespace {

constexpr char kHeader[] =
    "; Korvale metabase: each key in brackets, then one value a line:\n"
    "; identifier attr=<attributes> user=<user type> DWORD <number> | STRING \"<text>\"\n";

std::string Escape(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7f) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    if (text[i] == '\\' || text[i] == '"') {
      out += text[i];
    } else if (text[i] == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
               HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

std::optional<uint32_t> Number(std::string_view text) {
  uint32_t v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return v;
}

// Splits off the next blank-separated word.
std::string_view NextWord(std::string_view& rest) {
  size_t end = rest.find(' ');
  std::string_view word = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  return word;
}

std::optional<uint32_t> Field(std::string_view word, std::string_view prefix) {
  if (word.substr(0, prefix.size()) != prefix) return std::nullopt;
  return Number(word.substr(prefix.size()));
}

std::optional<MetadataRecord> ParseValue(std::string_view line) {
  MetadataRecord r;
  auto id = Number(NextWord(line));
  auto attr = Field(NextWord(line), "attr=");
  auto user = Field(NextWord(line), "user=");
  std::string_view type = NextWord(line);
  if (!id || *id == 0 || !attr || !user) return std::nullopt;
  r.identifier = *id;
  r.attributes = *attr;
  r.user_type = *user;
  if (type == "DWORD") {
    auto v = Number(line);
    if (!v) return std::nullopt;
    r.data = *v;
  } else if (type == "STRING") {
    if (line.size() < 2 || line.front() != '"' || line.back() != '"') return std::nullopt;
    auto text = Unescape(line.substr(1, line.size() - 2));
    if (!text) return std::nullopt;
    r.data = std::move(*text);
  } else {
    return std::nullopt;
  }
  return r;
}

}  // namespace

std::optional<std::string> NormalisePath(std::string_view path) {
  if (path.empty() || path.front() != '/') return std::nullopt;
  std::string out;
  size_t i = 0;
  while (i < path.size()) {
    size_t end = path.find('/', i);
    if (end == std::string_view::npos) end = path.size();
    std::string_view name = path.substr(i, end - i);
    if (name == "." || name == "..") return std::nullopt;
    if (!name.empty()) out.append("/").append(name);
    i = end + 1;
  }
  return out.empty() ? std::string("/") : out;
}

std::optional<std::string> JoinPath(std::string_view base, std::string_view relative) {
  std::string joined(base);
  joined += '/';
  joined += relative;
  return NormalisePath(joined);
}

bool SamePath(std::string_view a, std::string_view b) { return EqualsNoCase(a, b); }

bool PathWithin(std::string_view inner, std::string_view outer) {
  if (outer == "/") return true;
  if (inner.size() < outer.size() || !EqualsNoCase(inner.substr(0, outer.size()), outer)) return false;
  return inner.size() == outer.size() || inner[outer.size()] == '/';
}

MetabaseDocument::MetabaseDocument() { keys_.push_back({"/", {}}); }

Expected<MetabaseDocument> MetabaseDocument::Parse(std::string_view text) {
  MetabaseDocument doc;
  MetabaseKey* current = nullptr;
  int number = 0;
  while (!text.empty()) {
    ++number;
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    auto bad = [&] { return Status::Error("line " + std::to_string(number) + " is not a key or a value"); };
    if (line.front() == '[') {
      auto raw =
          line.size() > 1 && line.back() == ']' ? Unescape(line.substr(1, line.size() - 2)) : std::nullopt;
      auto path = raw ? NormalisePath(*raw) : std::nullopt;
      if (!path) return bad();
      doc.Add(*path);
      current = doc.Find(*path);
      continue;
    }
    auto record = ParseValue(line);
    if (!record || current == nullptr) return bad();
    Set(*current, *record);
  }
  return doc;
}

std::string MetabaseDocument::Serialize() const {
  std::string out = kHeader;
  for (const MetabaseKey& key : keys_) {
    // An empty key with a key below it is implied by that key's line.
    bool implied =
        key.values.empty() && std::any_of(keys_.begin(), keys_.end(), [&](const MetabaseKey& other) {
          return other.path != key.path && PathWithin(other.path, key.path);
        });
    if (implied) continue;
    out += "\n[" + Escape(key.path) + "]\n";
    for (const MetadataRecord& r : key.values) {
      out += std::to_string(r.identifier) + " attr=" + std::to_string(r.attributes) +
             " user=" + std::to_string(r.user_type);
      if (const auto* n = std::get_if<uint32_t>(&r.data))
        out += " DWORD " + std::to_string(*n) + "\n";
      else
        out += " STRING \"" + Escape(std::get<std::string>(r.data)) + "\"\n";
    }
  }
  return out;
}

MetabaseKey* MetabaseDocument::Find(std::string_view path) {
  auto it =
      std::find_if(keys_.begin(), keys_.end(), [&](const MetabaseKey& k) { return SamePath(k.path, path); });
  return it == keys_.end() ? nullptr : &*it;
}

const MetabaseKey* MetabaseDocument::Find(std::string_view path) const {
  return const_cast<MetabaseDocument*>(this)->Find(path);
}

bool MetabaseDocument::Add(std::string_view path) {
  if (Find(path) != nullptr) return false;
  // Ancestors first, so the file lists a parent before its children.
  size_t slash = path.rfind('/');
  if (slash > 0) Add(path.substr(0, slash));
  keys_.push_back({std::string(path), {}});
  return true;
}

void MetabaseDocument::Set(MetabaseKey& key, const MetadataRecord& record) {
  for (MetadataRecord& r : key.values) {
    if (r.identifier == record.identifier) {
      r = record;
      return;
    }
  }
  key.values.push_back(record);
}

}  // namespace korvale::metabase
