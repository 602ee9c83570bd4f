// Reading the organisation file.
#include "tools/orgadmin/org_file.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "common/text.h"
#include "platform/tz/tz.h"

namespace korvale::orgadmin {

using nlohmann::json;
using namespace mapi;
using namespace mapi::orgstore;

namespace {

// Collects the errors of one file; each names the entry it concerns.
class Reader {
 public:
  explicit Reader(std::string file) : file_(std::move(file)) {}
  void Error(const std::string& entry, const std::string& what) {
    errors_.push_back(file_ + ": " + entry + ": " + what);
  }
  bool ok() const { return errors_.empty(); }
  std::string Message() const {
    std::string all;
    for (const auto& e : errors_) all += (all.empty() ? "" : "\n") + e;
    return all;
  }

  // A string member; empty when absent. Reports a member of another type.
  std::string Str(const json& j, const char* key, const std::string& entry, bool required = false) {
    if (!j.contains(key)) {
      if (required) Error(entry, std::string("\"") + key + "\" is missing");
      return {};
    }
    if (!j[key].is_string()) {
      Error(entry, std::string("\"") + key + "\" must be a text");
      return {};
    }
    std::string v = j[key].get<std::string>();
    if (required && v.empty()) Error(entry, std::string("\"") + key + "\" must not be empty");
    return v;
  }
  bool Bool(const json& j, const char* key, const std::string& entry, bool fallback) {
    if (!j.contains(key)) return fallback;
    if (!j[key].is_boolean()) {
      Error(entry, std::string("\"") + key + "\" must be true or false");
      return fallback;
    }
    return j[key].get<bool>();
  }
  std::vector<std::string> Strings(const json& j, const char* key, const std::string& entry) {
    std::vector<std::string> out;
    if (!j.contains(key)) return out;
    if (!j[key].is_array()) {
      Error(entry, std::string("\"") + key + "\" must be a list of texts");
      return out;
    }
    for (const auto& e : j[key]) {
      if (!e.is_string()) {
        Error(entry, std::string("\"") + key + "\" must be a list of texts");
        return {};
      }
      out.push_back(e.get<std::string>());
    }
    return out;
  }
  const json& List(const json& root, const char* key) {
    static const json kEmpty = json::array();
    if (!root.contains(key)) return kEmpty;
    if (!root[key].is_array()) {
      Error(key, "must be a list");
      return kEmpty;
    }
    return root[key];
  }
  const std::string& file() const { return file_; }

 private:
  std::string file_;
  std::vector<std::string> errors_;
};

// Directory properties a mailbox entry may give, by member name.
const std::map<std::string, ULONG>& DirectoryMembers() {
  static const std::map<std::string, ULONG> kMembers = {{"phone", PR_BUSINESS_TELEPHONE_NUMBER},
                                                        {"office", PR_OFFICE_LOCATION},
                                                        {"initials", PR_INITIALS},
                                                        {"department", PR_DEPARTMENT_NAME},
                                                        {"title", PR_TITLE},
                                                        {"fax", PR_PRIMARY_FAX_NUMBER},
                                                        {"home_phone", PR_HOME_TELEPHONE_NUMBER},
                                                        {"mobile", PR_MOBILE_TELEPHONE_NUMBER},
                                                        {"comment", PR_COMMENT},
                                                        {"company", PR_COMPANY_NAME}};
  return kMembers;
}

void ReadRecipient(Reader& r, const json& j, RecipientKind kind, const std::string& entry,
                   OrganisationSpec& spec) {
  if (!j.is_object()) return r.Error(entry, "must be an object");
  RecipientSpec rs;
  rs.kind = kind;
  rs.alias = r.Str(j, "alias", entry, true);
  rs.display_name = r.Str(j, "name", entry, true);
  rs.server = r.Str(j, "server", entry, kind != RecipientKind::kDistList);
  rs.smtp = r.Str(j, "smtp", entry);
  rs.legacy_dn = r.Str(j, "legacy_dn", entry);
  rs.nt_account = r.Str(j, "account", entry);
  rs.no_home_mta = !r.Bool(j, "home_mta", entry, true);
  rs.no_calendar = !r.Bool(j, "calendar", entry, true);
  if (kind == RecipientKind::kDistList) rs.members = r.Strings(j, "members", entry);
  for (const auto& [member, tag] : DirectoryMembers()) {
    std::string v = r.Str(j, member.c_str(), entry);
    if (!v.empty()) rs.props.emplace_back(tag, v);
  }
  if (j.contains("custom")) {
    if (!j["custom"].is_object()) {
      r.Error(entry, "\"custom\" must map attribute numbers 1-15 to texts");
    } else {
      for (const auto& [key, value] : j["custom"].items()) {
        int n = 0;
        try {
          n = std::stoi(key);
        } catch (...) {
        }
        if (n < 1 || n > 15 || !value.is_string())
          r.Error(entry, "custom attribute \"" + key + "\" must be a number 1-15 with a text");
        else
          rs.props.emplace_back(PR_EMS_AB_EXTENSION_ATTRIBUTE(n), value.get<std::string>());
      }
    }
  }
  spec.recipients.push_back(std::move(rs));
}

std::optional<GUID> PropertySet(const std::string& name) {
  std::string n = Lower(name);
  if (n == "appointment") return PSETID_Appointment;
  if (n == "common") return PSETID_Common;
  if (n == "meeting") return PSETID_Meeting;
  if (n == "publicstrings" || n == "public strings") return PS_PUBLIC_STRINGS;
  if (n == "address") return PSETID_Address;
  if (n == "task") return PSETID_Task;
  GUID g;
  if (GuidFromString(name, &g)) return g;
  return std::nullopt;
}

std::optional<ExtraProp> ReadExtra(Reader& r, const json& j, const std::string& entry) {
  if (!j.is_object()) {
    r.Error(entry, "a property must be an object");
    return std::nullopt;
  }
  ExtraProp p;
  auto set = PropertySet(r.Str(j, "set", entry, true));
  if (!set) {
    r.Error(entry, "unknown property set \"" + j.value("set", "") + "\"");
    return std::nullopt;
  }
  if (j.contains("id")) {
    std::string id = j["id"].is_string() ? j["id"].get<std::string>() : std::string();
    unsigned long v = 0;
    try {
      v = std::stoul(id, nullptr, 0);
    } catch (...) {
      r.Error(entry, "\"id\" must be a number such as \"0x8216\"");
      return std::nullopt;
    }
    p.name = MAPINAMEID::Id(*set, static_cast<LONG>(v));
  } else {
    p.name = MAPINAMEID::Name(*set, r.Str(j, "name", entry, true));
  }
  std::string type = r.Str(j, "type", entry, true);
  const json& v = j.contains("value") ? j["value"] : json();
  bool good = false;
  if (type == "PT_LONG" && v.is_number_integer()) {
    p.type = PT_LONG;
    p.value = static_cast<int32_t>(v.get<int64_t>());
    good = true;
  } else if (type == "PT_BOOLEAN" && v.is_boolean()) {
    p.type = PT_BOOLEAN;
    p.value = v.get<bool>();
    good = true;
  } else if ((type == "PT_STRING8" || type == "PT_UNICODE") && v.is_string()) {
    p.type = PT_STRING8;
    p.value = v.get<std::string>();
    good = true;
  } else if (type == "PT_BINARY" && v.is_string()) {
    SBinary b;
    good = FBinFromHex(v.get<std::string>(), &b);
    p.type = PT_BINARY;
    p.value = b;
  } else if (type == "PT_SYSTIME" && v.is_string()) {
    FILETIME ft = 0;
    std::string zone_struct;
    good = ParseTime(v.get<std::string>(), "", &ft, &zone_struct).ok();
    p.type = PT_SYSTIME;
    p.value = SysTime{ft};
  } else if (type == "PT_MV_STRING8" && v.is_array()) {
    std::vector<std::string> items;
    good = true;
    for (const auto& e : v) {
      if (!e.is_string())
        good = false;
      else
        items.push_back(e.get<std::string>());
    }
    p.type = PT_MV_STRING8;
    p.value = items;
  }
  if (!good) {
    r.Error(entry,
            "the property needs a \"type\" of PT_LONG, PT_BOOLEAN, PT_STRING8, PT_BINARY (hex), "
            "PT_SYSTIME (UTC time) or PT_MV_STRING8 and a \"value\" of that type");
    return std::nullopt;
  }
  return p;
}

int BusyValue(Reader& r, const json& j, const std::string& entry) {
  if (!j.contains("busy")) return 2;
  if (j["busy"].is_number_integer()) return static_cast<int>(j["busy"].get<int64_t>());
  std::string b = j["busy"].is_string() ? Lower(j["busy"].get<std::string>()) : "";
  if (b == "free") return 0;
  if (b == "tentative") return 1;
  if (b == "busy") return 2;
  if (b == "oof" || b == "out of office") return 3;
  r.Error(entry, "\"busy\" must be free, tentative, busy, oof or a number");
  return 2;
}

void ReadAppointment(Reader& r, const json& j, const std::string& entry, const std::string& default_zone,
                     std::vector<AppointmentSpec>& out) {
  if (!j.is_object()) return r.Error(entry, "must be an object");
  AppointmentSpec a;
  a.mailbox = r.Str(j, "mailbox", entry, true);
  a.subject = r.Str(j, "subject", entry);
  a.body = r.Str(j, "body", entry);
  a.location = r.Str(j, "location", entry);
  a.busy = BusyValue(r, j, entry);
  a.all_day = r.Bool(j, "all_day", entry, false);
  a.is_private = r.Bool(j, "private", entry, false);
  a.accepted = r.Bool(j, "accepted", entry, true);
  a.categories = r.Strings(j, "categories", entry);
  a.booking_number = r.Str(j, "booking_number", entry);
  a.required = r.Strings(j, "attendees", entry);
  a.optional = r.Strings(j, "optional", entry);
  a.resources = r.Strings(j, "resources", entry);
  if (j.contains("reminder")) {
    if (j["reminder"].is_number_integer())
      a.reminder_minutes = static_cast<int>(j["reminder"].get<int64_t>());
    else if (!j["reminder"].is_null())
      r.Error(entry, "\"reminder\" must be a number of minutes or null");
  }
  std::string zone = j.contains("zone") ? r.Str(j, "zone", entry) : default_zone;
  std::string start = r.Str(j, "start", entry, true), end = r.Str(j, "end", entry, true);
  std::string zone_struct;
  if (!start.empty()) {
    Status s = ParseTime(start, zone, &a.start, &zone_struct);
    if (!s.ok()) r.Error(entry, "start: " + s.message());
  }
  if (!end.empty()) {
    Status s = ParseTime(end, zone, &a.end, &zone_struct);
    if (!s.ok()) r.Error(entry, "end: " + s.message());
  }
  if (!zone_struct.empty()) a.zone_struct = zone_struct;
  if (a.start && a.end && a.end < a.start) r.Error(entry, "the end lies before the start");
  if (j.contains("props")) {
    if (!j["props"].is_array())
      r.Error(entry, "\"props\" must be a list");
    else
      for (const auto& p : j["props"])
        if (auto extra = ReadExtra(r, p, entry)) a.extra.push_back(*extra);
  }
  out.push_back(std::move(a));
}

}  // namespace

bool ParseRights(const std::string& text, ULONG* rights) {
  static const std::map<std::string, ULONG> kRoles = {
      {"owner", ROLE_OWNER},
      {"publishingeditor", ROLE_PUBLISH_EDITOR},
      {"editor", ROLE_EDITOR},
      {"publishingauthor", ROLE_PUBLISH_AUTHOR},
      {"author", ROLE_AUTHOR},
      {"noneditingauthor", ROLE_NONEDITING_AUTHOR},
      {"reviewer", ROLE_REVIEWER},
      {"contributor", ROLE_CONTRIBUTOR},
      {"none", 0},
      {"freebusytimeonly", frightsFreeBusySimple},
      {"freebusydetailed", frightsFreeBusySimple | frightsFreeBusyDetailed}};
  if (auto it = kRoles.find(Lower(text)); it != kRoles.end()) return *rights = it->second, true;
  try {
    size_t used = 0;
    unsigned long v = std::stoul(text, &used, 0);
    if (used != text.size() || v > 0xFFFFFFFFUL) return false;
    *rights = static_cast<ULONG>(v);
    return true;
  } catch (...) {
    return false;
  }
}

Status ParseTime(const std::string& text, const std::string& zone, FILETIME* utc, std::string* zone_struct) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  char sep = 0;
  int n = 0;
  int fields = std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d%n", &y, &mo, &d, &sep, &h, &mi, &n);
  if (fields < 6 || (sep != ' ' && sep != 'T'))
    return Status::Error("\"" + text + "\" is not a time like 2024-05-06 09:00 or 2024-05-06T09:00Z");
  std::string rest = text.substr(n);
  if (!rest.empty() && rest[0] == ':') {
    int m = 0;
    if (std::sscanf(rest.c_str(), ":%2d%n", &s, &m) != 1)
      return Status::Error("\"" + text + "\" has bad seconds");
    rest = rest.substr(m);
  }
  bool is_utc = rest == "Z" || rest == "z";
  if (!rest.empty() && !is_utc) return Status::Error("\"" + text + "\" has text after the time");
  SYSTEMTIME st;
  st.wYear = static_cast<uint16_t>(y);
  st.wMonth = static_cast<uint16_t>(mo);
  st.wDay = static_cast<uint16_t>(d);
  st.wHour = static_cast<uint16_t>(h);
  st.wMinute = static_cast<uint16_t>(mi);
  st.wSecond = static_cast<uint16_t>(s);
  if (mo < 1 || mo > 12 || d < 1 || d > tz::DaysInMonth(y, mo) || h > 23 || mi > 59 || s > 59)
    return Status::Error("\"" + text + "\" is not a valid date and time");
  if (!is_utc) {
    if (zone.empty())
      return Status::Error("\"" + text + "\" is a local time but no \"zone\" is given (or end it with Z)");
    auto table = tz::ReadTimeZoneTable();
    if (!table) return Status::Error("the table of time zones cannot be read");
    auto it =
        std::find_if(table->begin(), table->end(), [&](const tz::NamedZone& z) { return z.key == zone; });
    if (it == table->end()) return Status::Error("\"" + zone + "\" is not a Windows time-zone name");
    st = tz::LocalToUniversal(it->tzi, st);
    *zone_struct = tz::TimeZoneStructToBytes(it->tzi);
  }
  auto ft = tz::SystemTimeToFileTime(st);
  if (!ft) return Status::Error("\"" + text + "\" is out of range");
  *utc = *ft;
  return Status::Ok();
}

namespace {

// Calls read(entry, name) for every element of the list `key`, where name is
// "key[i]" for messages; an element that is not an object is reported.
template <typename ReadEntry>
void ForEachObject(Reader& r, const json& root, const char* key, ReadEntry read) {
  const json& list = r.List(root, key);
  for (size_t i = 0; i < list.size(); ++i) {
    std::string name = std::string(key) + "[" + std::to_string(i) + "]";
    if (!list[i].is_object())
      r.Error(name, "must be an object");
    else
      read(list[i], name);
  }
}

AccountSpec ReadAccount(Reader& r, const json& a, const std::string& entry) {
  AccountSpec spec;
  spec.domain = r.Str(a, "domain", entry, true);
  spec.name = r.Str(a, "name", entry, true);
  std::string type = Lower(r.Str(a, "type", entry));
  if (type.empty() || type == "user")
    spec.type = SidType::kUser;
  else if (type == "group")
    spec.type = SidType::kGroup;
  else if (type == "localgroup" || type == "alias")
    spec.type = SidType::kAlias;
  else
    r.Error(entry, "\"type\" must be user, group or localgroup");
  spec.sid = r.Str(a, "sid", entry);
  if (a.contains("rid")) {
    if (a["rid"].is_number_unsigned())
      spec.rid = static_cast<uint32_t>(a["rid"].get<uint64_t>());
    else
      r.Error(entry, "\"rid\" must be a positive number");
  }
  spec.members = r.Strings(a, "members", entry);
  return spec;
}

PermissionSpec ReadPermission(Reader& r, const json& p, const std::string& entry) {
  PermissionSpec spec;
  spec.mailbox = r.Str(p, "mailbox", entry, true);
  spec.folder = p.contains("folder") ? r.Str(p, "folder", entry) : "Calendar";
  spec.member = r.Str(p, "member", entry);
  if (Lower(spec.member) == "default") spec.member.clear();
  std::string rights = p.contains("rights") && p["rights"].is_number_unsigned()
                           ? std::to_string(p["rights"].get<uint64_t>())
                           : r.Str(p, "rights", entry, true);
  if (!rights.empty() && !ParseRights(rights, &spec.rights))
    r.Error(entry, "\"rights\" must be a number or a permission level such as Reviewer or Author");
  return spec;
}

}  // namespace

Expected<OrgFile> ParseOrgFile(const std::string& text, const std::string& file) {
  json root = json::parse(text, nullptr, false);
  if (root.is_discarded()) return Status::Error(file + ": not valid JSON");
  if (!root.is_object()) return Status::Error(file + ": the file must hold one JSON object");
  Reader r(file);
  OrgFile out;
  std::string org = r.Str(root, "organisation", "organisation", true);
  std::string zone = r.Str(root, "zone", "zone");
  ForEachObject(r, root, "servers", [&](const json& s, const std::string& entry) {
    out.spec.servers.push_back({r.Str(s, "name", entry, true), org, r.Str(s, "site", entry, true)});
  });
  ForEachObject(r, root, "domains", [&](const json& d, const std::string& entry) {
    out.spec.domains.push_back(
        {r.Str(d, "name", entry, true), r.Str(d, "sid", entry, true), r.Strings(d, "controllers", entry)});
  });
  ForEachObject(r, root, "accounts", [&](const json& a, const std::string& entry) {
    out.spec.accounts.push_back(ReadAccount(r, a, entry));
  });
  const std::pair<const char*, RecipientKind> recipients[] = {{"mailboxes", RecipientKind::kMailbox},
                                                              {"rooms", RecipientKind::kRoom},
                                                              {"lists", RecipientKind::kDistList}};
  for (const auto& [key, kind] : recipients) {
    const json& list = r.List(root, key);
    for (size_t i = 0; i < list.size(); ++i)
      ReadRecipient(r, list[i], kind, std::string(key) + "[" + std::to_string(i) + "]", out.spec);
  }
  ForEachObject(r, root, "permissions", [&](const json& p, const std::string& entry) {
    out.spec.permissions.push_back(ReadPermission(r, p, entry));
  });
  const json& appointments = r.List(root, "appointments");
  for (size_t i = 0; i < appointments.size(); ++i)
    ReadAppointment(r, appointments[i], "appointments[" + std::to_string(i) + "]", zone, out.appointments);
  if (!r.ok()) return Status::Error(r.Message());
  return out;
}

Expected<OrgFile> ReadOrgFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Status::Error(path + ": cannot be read");
  std::ostringstream ss;
  ss << in.rdbuf();
  return ParseOrgFile(ss.str(), path);
}

}  // namespace korvale::orgadmin
