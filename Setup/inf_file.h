// Our reader for setup information files (INF, Windows 4.x style) as far as
// the server setup uses them: sections and their lines, comments after ";",
// fields separated by commas with double quotes around text, "%name%"
// replaced from [Strings] and "%number%" from the directory identifiers set
// by the caller, a line continued with a trailing backslash.
//
//   auto inf = InfFile::Open(setup_dir + "/Korvale.inf");
//   for (const InfLine& line : inf->Lines("KorvaleInstall.eng")) ...
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/status.h"

namespace korvale::setup {

struct InfLine {
  std::string key;                  // text before "=", empty for a line without one
  std::vector<std::string> fields;  // the comma-separated fields after "=" (or of the whole line)
};

class InfFile {
 public:
  // Reads and parses the file. Fails when it cannot be read or does not begin
  // with a [Version] section whose Signature is "$Windows NT$" or "$Chicago$"
  // (compared without regard to case), as the original loader would.
  static Expected<InfFile> Open(const std::string& path);
  // Parses INF text (for tests and the medium's checks).
  static Expected<InfFile> Parse(const std::string& text);

  bool HasSection(const std::string& section) const;
  // The lines of a section in file order, with [Strings] substituted and
  // quotes removed; "%number%" stays until ExpandDirIds. Empty when the section is missing.
  std::vector<InfLine> Lines(const std::string& section) const;
  // Every field of every line with this key in the section, in order
  // ("CopyFiles=A,B" and a second "CopyFiles=C" give A, B, C).
  std::vector<std::string> Values(const std::string& section, const std::string& key) const;

 private:
  // Section names in upper case -> raw lines (comments and continuations resolved).
  std::map<std::string, std::vector<std::string>> sections_;
  std::map<std::string, std::string> strings_;  // [Strings], keys in upper case
};

// Replaces each "%number%" with the folder of that directory identifier;
// "%%" gives one "%". Fails, naming the identifier, when one is not known.
Expected<std::string> ExpandDirIds(const std::string& text, const std::map<int, std::string>& dirids);

}  // namespace korvale::setup
