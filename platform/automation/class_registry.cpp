#include "platform/automation/class_registry.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "common/text.h"
namespace korvale::automation {
namespace {

std::string ProgramDirectory() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : exe.parent_path().string();
}

}  // namespace

bool ClassRegistry::NoCase::operator()(const std::string& a, const std::string& b) const {
  return Lower(a) < Lower(b);
}

std::string ClassRegistry::DefaultPath() {
  const char* env = std::getenv("KORVALE_CLASS_REGISTRY");
  if (env && *env) return env;
  return (std::filesystem::path(ProgramDirectory()) / "class-registry.json").string();
}

Status ClassRegistry::Load() {
  keys_.clear();
  std::ifstream in(path_, std::ios::binary);
  if (!in) {
    std::error_code ec;
    if (!std::filesystem::exists(path_, ec)) return Status::Ok();
    return Status::Error("The class registry " + path_ + " cannot be read.");
  }
  decltype(keys_) keys;
  try {
    auto doc = nlohmann::json::parse(in);
    for (const auto& [key, values] : doc.at("keys").items()) {
      Values& target = keys[key];
      for (const auto& [name, value] : values.items()) target[name] = value.get<std::string>();
    }
  } catch (const std::exception& e) {
    return Status::Error("The class registry " + path_ + " is damaged: " + e.what());
  }
  keys_ = std::move(keys);
  return Status::Ok();
}

Status ClassRegistry::Save() const {
  nlohmann::ordered_json doc;
  doc["keys"] = nlohmann::ordered_json::object();
  for (const auto& [key, values] : keys_) {
    auto& entry = doc["keys"][key] = nlohmann::ordered_json::object();
    for (const auto& [name, value] : values) entry[name] = value;
  }
  std::string temp = path_ + ".new." + std::to_string(::getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << doc.dump(2) << '\n';
    if (!out.flush()) return Status::Error("The class registry " + path_ + " cannot be written.");
  }
  std::error_code ec;
  std::filesystem::rename(temp, path_, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return Status::Error("The class registry " + path_ + " cannot be written.");
  }
  return Status::Ok();
}

void ClassRegistry::CreateKey(const std::string& key) { keys_[key]; }

void ClassRegistry::SetValue(const std::string& key, const std::string& name, const std::string& value) {
  keys_[key][name] = value;
}

bool ClassRegistry::HasKey(const std::string& key) const {
  // Parents exist with their children, as in the registry.
  if (keys_.count(key) > 0) return true;
  std::string prefix = Lower(key) + "\\";
  auto it = keys_.lower_bound(key + "\\");
  return it != keys_.end() && Lower(it->first).rfind(prefix, 0) == 0;
}

std::optional<std::string> ClassRegistry::GetValue(const std::string& key, const std::string& name) const {
  auto k = keys_.find(key);
  if (k == keys_.end()) return std::nullopt;
  auto v = k->second.find(name);
  if (v == k->second.end()) return std::nullopt;
  return v->second;
}

bool ClassRegistry::DeleteTree(const std::string& key) {
  std::string prefix = Lower(key) + "\\";
  bool found = false;
  for (auto it = keys_.begin(); it != keys_.end();) {
    std::string name = Lower(it->first);
    if (name == Lower(key) || name.rfind(prefix, 0) == 0) {
      it = keys_.erase(it);
      found = true;
    } else {
      ++it;
    }
  }
  return found;
}

std::vector<std::string> ClassRegistry::SubKeys(const std::string& key) const {
  std::string prefix = Lower(key) + "\\";
  std::vector<std::string> out;
  for (const auto& [name, values] : keys_) {
    if (Lower(name).rfind(prefix, 0) != 0) continue;
    std::string child = name.substr(prefix.size());
    child = child.substr(0, child.find('\\'));
    bool known =
        std::any_of(out.begin(), out.end(), [&](const std::string& o) { return Lower(o) == Lower(child); });
    if (!known) out.push_back(child);
  }
  return out;
}

}  // namespace korvale::automation
