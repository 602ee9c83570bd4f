// The metabase file: keys and their typed values in plain text.
//
// An administrator can read and edit it. Comments start with ";" or "#"; a key
// is its absolute path in brackets; each value below it is one line of
// identifier, attributes, user type, data type and data:
//
//   [/LM/W3SVC/1/ROOT/Korvale]
//   1002 attr=1 user=2 STRING "IIsWebVirtualDir"
//   6016 attr=1 user=2 DWORD 519
//
// Strings and paths are written with "\\", "\"" and "\xHH" escapes for
// backslashes, quotes and control characters, so any text survives. Every
// ancestor of a listed key exists. Key names compare without regard to case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/status.h"
#include "platform/metabase/metabase.h"

namespace korvale::metabase {

struct MetabaseKey {
  std::string path;  // normalised: "/" or "/A/B" without a trailing "/"
  std::vector<MetadataRecord> values;
};

class MetabaseDocument {
 public:
  MetabaseDocument();  // holds the root key "/" only
  // Parses a file's text; a malformed line is an error naming its number.
  static Expected<MetabaseDocument> Parse(std::string_view text);
  std::string Serialize() const;

  MetabaseKey* Find(std::string_view normalised_path);
  const MetabaseKey* Find(std::string_view normalised_path) const;
  // Adds the key and any missing ancestor; false when it existed already.
  bool Add(std::string_view normalised_path);
  // Replaces the value with the record's identifier or appends it.
  static void Set(MetabaseKey& key, const MetadataRecord& record);

 private:
  std::vector<MetabaseKey> keys_;
};

// "/LM//W3SVC/" → "/LM/W3SVC"; nullopt for a path that does not start with "/"
// or that names "." or "..".
std::optional<std::string> NormalisePath(std::string_view path);
// "/LM/W3SVC" + "1/ROOT" → "/LM/W3SVC/1/ROOT"; nullopt like NormalisePath.
std::optional<std::string> JoinPath(std::string_view base, std::string_view relative);
bool SamePath(std::string_view a, std::string_view b);
// True when `inner` is `outer` or lies below it.
bool PathWithin(std::string_view inner, std::string_view outer);

}  // namespace korvale::metabase
