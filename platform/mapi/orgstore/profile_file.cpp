// Reading and writing the profile file (JSON).
#include "platform/mapi/orgstore/profile_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "common/text.h"

namespace korvale::mapi::orgstore {

namespace {

using nlohmann::json;

class FileLock {
 public:
  FileLock(const std::string& path, bool exclusive) {
    fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ >= 0 && ::flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

std::string TagKey(ULONG tag) {
  char buf[12];
  std::snprintf(buf, sizeof buf, "%08X", tag);
  return buf;
}

std::optional<json> ValueToJson(const SPropValue& v) {
  if (auto p = v.Long()) return json(*p);
  if (auto p = v.I2()) return json(*p);
  if (auto p = v.Boolean()) return json(*p);
  if (auto p = v.I8()) return json(*p);
  if (auto p = v.FileTime()) return json(p->ft);
  if (auto p = v.String()) return json(*p);
  if (auto p = v.Binary()) return json(HexFromBin(*p));
  if (auto p = v.MVString()) return json(*p);
  return std::nullopt;
}

std::optional<SPropValue> ValueFromJson(ULONG tag, const json& j) {
  switch (PROP_TYPE(tag)) {
    case PT_LONG:
      if (j.is_number_integer()) return SPropValue(tag, static_cast<int32_t>(j.get<int64_t>()));
      break;
    case PT_I2:
      if (j.is_number_integer()) return SPropValue(tag, static_cast<int16_t>(j.get<int64_t>()));
      break;
    case PT_BOOLEAN:
      if (j.is_boolean()) return SPropValue(tag, j.get<bool>());
      break;
    case PT_I8:
      if (j.is_number_integer()) return SPropValue(tag, j.get<int64_t>());
      break;
    case PT_SYSTIME:
      if (j.is_number_unsigned()) return SPropValue::Time(tag, j.get<uint64_t>());
      break;
    case PT_STRING8:
    case PT_UNICODE:
      if (j.is_string()) return SPropValue(tag, j.get<std::string>());
      break;
    case PT_BINARY:
      if (j.is_string()) {
        SBinary b;
        if (FBinFromHex(j.get<std::string>(), &b)) return SPropValue(tag, b);
      }
      break;
    case PT_MV_STRING8:
    case PT_MV_UNICODE:
      if (j.is_array()) {
        std::vector<std::string> items;
        for (const auto& e : j) {
          if (!e.is_string()) return std::nullopt;
          items.push_back(e.get<std::string>());
        }
        return SPropValue(tag, items);
      }
      break;
  }
  return std::nullopt;
}

bool Parse(const std::string& path, const std::string& text, ProfileData* data, std::string* error) {
  *data = ProfileData{};
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) return true;
  json root = json::parse(text, nullptr, false);
  if (root.is_discarded() || !root.is_object()) {
    *error = path + ": not a JSON object";
    return false;
  }
  if (root.contains("servers")) {
    if (!root["servers"].is_object()) return *error = path + ": \"servers\" is not an object", false;
    for (const auto& [name, file] : root["servers"].items()) {
      if (!file.is_string()) return *error = path + ": server " + name + " has no file name", false;
      data->servers[name] = file.get<std::string>();
    }
  }
  if (root.contains("profiles")) {
    if (!root["profiles"].is_object()) return *error = path + ": \"profiles\" is not an object", false;
    for (const auto& [name, p] : root["profiles"].items()) {
      Profile profile;
      if (!p.is_object()) return *error = path + ": profile " + name + " is not an object", false;
      const json services = p.value("services", json::array());
      const json sections = p.value("sections", json::object());
      for (const auto& s : services) {
        ProfileService svc;
        svc.name = s.value("name", "");
        svc.display = s.value("display", "");
        SBinary uid;
        if (!FBinFromHex(s.value("uid", ""), &uid) || uid.size() != 16)
          return *error = path + ": profile " + name + ": a service without a valid uid", false;
        std::copy(uid.begin(), uid.end(), svc.uid.begin());
        profile.services.push_back(svc);
      }
      for (const auto& [uid, props] : sections.items()) {
        std::vector<SPropValue> values;
        for (const auto& [key, value] : props.items()) {
          unsigned long tag = 0;
          try {
            tag = std::stoul(key, nullptr, 16);
          } catch (...) {
            return *error = path + ": profile " + name + ": bad property tag " + key, false;
          }
          auto v = ValueFromJson(static_cast<ULONG>(tag), value);
          if (!v) return *error = path + ": profile " + name + ": bad value for " + key, false;
          values.push_back(*v);
        }
        profile.sections[uid] = std::move(values);
      }
      data->profiles[name] = std::move(profile);
    }
  }
  return true;
}

std::string Serialize(const ProfileData& data) {
  json root = json::object();
  root["servers"] = json::object();
  for (const auto& [name, file] : data.servers) root["servers"][name] = file;
  root["profiles"] = json::object();
  for (const auto& [name, p] : data.profiles) {
    json jp = json::object();
    jp["services"] = json::array();
    for (const auto& s : p.services)
      jp["services"].push_back({{"name", s.name}, {"display", s.display}, {"uid", UidToHex(s.uid)}});
    jp["sections"] = json::object();
    for (const auto& [uid, props] : p.sections) {
      json js = json::object();
      for (const auto& v : props)
        if (auto j = ValueToJson(v)) js[TagKey(v.ulPropTag)] = *j;
      jp["sections"][uid] = js;
    }
    root["profiles"][name] = jp;
  }
  return root.dump(2) + "\n";
}

bool ReadText(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  *text = ss.str();
  return true;
}

}  // namespace

std::string UidToHex(const MAPIUID& uid) { return HexFromBin(SBinary(uid.begin(), uid.end())); }

std::optional<std::string> ProfileData::ServerStore(const std::string& server,
                                                    const std::string& profile_file) const {
  for (const auto& [name, file] : servers)
    if (EqualsNoCase(name, server)) {
      std::filesystem::path p(file);
      if (p.is_relative()) p = std::filesystem::path(profile_file).parent_path() / p;
      return p.string();
    }
  return std::nullopt;
}

bool ReadProfileFile(const std::string& path, ProfileData* data, std::string* error) {
  FileLock lock(path, false);
  std::string text;
  if (!ReadText(path, &text)) {
    *data = ProfileData{};
    return true;
  }
  return Parse(path, text, data, error);
}

bool UpdateProfileFile(const std::string& path, const std::function<bool(ProfileData&)>& change,
                       std::string* error) {
  FileLock lock(path, true);
  if (!lock.ok()) return *error = "cannot lock " + path + ".lock", false;
  ProfileData data;
  std::string text;
  if (ReadText(path, &text) && !Parse(path, text, &data, error)) return false;
  if (!change(data)) return true;
  std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << Serialize(data);
    if (!out.flush()) return *error = "cannot write " + tmp, false;
  }
  std::error_code ec;
  std::filesystem::rename(tmp, path, ec);
  if (ec) return *error = "cannot replace " + path + ": " + ec.message(), false;
  return true;
}

}  // namespace korvale::mapi::orgstore
