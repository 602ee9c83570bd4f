// The class registry: which classes exist, under which ProgIDs, served by
// which module, and the component categories they implement. It is one JSON
// file of keys and string values, laid out as the classes-root hive is
// ("CLSID\\{...}\\InprocServer32", "VISTREL.VistrelCtrl.1\\CLSID",
// "Component Categories\\{...}"), so that an administrator can read it:
//
//   { "keys": { "VISTREL.VistrelCtrl.1\\CLSID": { "": "{8B84E36B-...}" }, ... } }
//
// Key names are compared without regard to case; "" is a key's default value.
// The file is $KORVALE_CLASS_REGISTRY, else "class-registry.json" in the
// directory of the running program (an installation is one folder).
//
//   ClassRegistry reg(ClassRegistry::DefaultPath());
//   if (Status s = reg.Load(); !s.ok()) report(s.message());
//   reg.SetValue("CLSID\\{...}", "", "Vistrel Control");
//   Status saved = reg.Save();
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/status.h"

namespace korvale::automation {

class ClassRegistry {
 public:
  static std::string DefaultPath();
  explicit ClassRegistry(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }
  // Reads the file; a missing file is an empty registry. A file that is not
  // such a registry fails with a message naming it (and nothing is kept).
  Status Load();
  // Replaces the file atomically (write beside it, then rename).
  Status Save() const;

  void CreateKey(const std::string& key);
  void SetValue(const std::string& key, const std::string& name, const std::string& value);
  bool HasKey(const std::string& key) const;
  std::optional<std::string> GetValue(const std::string& key, const std::string& name = "") const;
  // Removes the key and every key beneath it; false when it did not exist.
  bool DeleteTree(const std::string& key);
  // Keys directly beneath `key` (their last part), in order.
  std::vector<std::string> SubKeys(const std::string& key) const;

 private:
  struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  using Values = std::map<std::string, std::string, NoCase>;
  std::string path_;
  std::map<std::string, Values, NoCase> keys_;
};

}  // namespace korvale::automation
