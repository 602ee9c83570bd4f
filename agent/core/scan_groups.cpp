#include "agent/core/scan_groups.h"

#include <algorithm>
#include <new>

#include "common/list_split.h"

namespace korvale {

using namespace mapi;

namespace {

struct ResolvedMember {
  ENTRYID entry_id;
  bool is_distribution_list = false;
  std::string display_name;
};

const SPropValue* FindProp(const std::vector<SPropValue>& props, ULONG tag) {
  for (const auto& p : props) {
    if (p.ulPropTag == tag) return &p;
  }
  return nullptr;
}

}  // namespace

ScanGroups::ScanGroups(const AgentSettings& settings, AgentLog& log, StopCheck& stop, IAddrBook& address_book)
    : settings_(settings), log_(log), stop_(stop), address_book_(address_book) {}

void ScanGroups::BuildGroupArrays(MembershipMap& map) {
  try {
    for (size_t group = 0; group < settings_.group_names.size(); ++group) {
      visited_lists_.clear();
      if (!WalkGroup(group, Mode::kMembership, nullptr, &map)) return;
    }
  } catch (...) {
    log_.LogEvent(EventType::kWarning, event_id::kGeneral, "General Error building group arrays.");
  }
}

bool ScanGroups::ScanAll(MailboxVisitor& visitor) {
  for (size_t group = 0; group < settings_.group_names.size(); ++group) {
    if (stop_.CheckStopRequest()) return true;
    visited_lists_.clear();
    if (!WalkGroup(group, Mode::kScan, &visitor, nullptr)) return false;
    if (stop_.StopFlag()) return true;
  }
  return true;
}

bool ScanGroups::WalkGroup(size_t group, Mode mode, MailboxVisitor* visitor, MembershipMap* map) {
  if (group >= settings_.member_name_lists.size() || group >= settings_.member_address_lists.size()) {
    return true;
  }
  // Both lists are walked on copies so the settings stay intact.
  std::string names = settings_.member_name_lists[group];
  std::string addresses = settings_.member_address_lists[group];
  const std::string& group_name = settings_.group_names[group];
  while (!names.empty() && !addresses.empty()) {
    std::string name = TakeListItem(names);
    std::string address = TakeListItem(addresses);
    if (name.empty()) continue;

    ADRLIST list;
    try {
      list.aEntries.push_back(
          {{SPropValue(PR_DISPLAY_NAME, "EX:" + address), SPropValue(PR_RECIPIENT_TYPE, MAPI_TO)}});
    } catch (const std::bad_alloc&) {
      log_.LogEvent(EventType::kError, event_id::kAddressListMemory);
      return false;
    }
    HRESULT hr = address_book_.ResolveName(0, 0, "", &list);
    const auto& props = list.aEntries[0].rgPropVals;
    const SPropValue* entry_id = FindProp(props, PR_ENTRYID);
    if (FAILED(hr) || !entry_id || !entry_id->Binary()) {
      log_.LogEvent(EventType::kError, event_id::kResolveMember, "EX:" + address);
      continue;
    }
    ResolvedMember member;
    member.entry_id = *entry_id->Binary();
    const SPropValue* type = FindProp(props, PR_OBJECT_TYPE);
    member.is_distribution_list = type && type->Long() && *type->Long() == MAPI_DISTLIST;
    const SPropValue* display = FindProp(props, PR_DISPLAY_NAME);
    member.display_name = display && display->String() ? *display->String() : std::string();
    if (member.display_name.empty()) {
      log_.LogEvent(
          EventType::kError, event_id::kResolveMember,
          "EX:" + address + "' - Mailbox name has been read from Caldrun.ini file and could not be verified");
      member.display_name = name;
    }

    if (member.is_distribution_list) {
      last_result_ = DoDistList(group, member.entry_id, member.display_name, mode, visitor, map);
    } else if (mode == Mode::kScan) {
      last_result_ = visitor->DoUser(group, member.entry_id, member.display_name);
    } else {
      AddUserToGroupArrays(group_name, member.display_name, *map);
    }
    if (stop_.StopFlag()) return true;
  }
  return true;
}

HRESULT ScanGroups::DoDistList(size_t group, const ENTRYID& entry_id, const std::string& name, Mode mode,
                               MailboxVisitor* visitor, MembershipMap* map) {
  const std::string& group_name = settings_.group_names[group];
  const bool scan = mode == Mode::kScan;
  try {
    if (std::find(visited_lists_.begin(), visited_lists_.end(), name) != visited_lists_.end()) {
      return S_OK;
    }
    visited_lists_.push_back(name);

    ULONG type = 0;
    std::shared_ptr<IUnknown> object;
    HRESULT hr = address_book_.OpenEntry(entry_id, nullptr, MAPI_BEST_ACCESS, &type, &object);
    auto list = mapi_cast<IDistList>(object);
    if (FAILED(hr) || !list) {
      log_.LogEvent(EventType::kError, event_id::kDistListOpen, name);
      return FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
    }
    std::shared_ptr<IMAPITable> contents;
    hr = list->GetContentsTable(0, &contents);
    if (FAILED(hr) || !contents) {
      log_.LogEvent(EventType::kError, event_id::kDistListContents, name);
      log_.LogEvent(EventType::kError, event_id::kGeneral,
                    scan ? "DoDistList:GetContentsTable" : "BuildGroupArraysDistList:GetContentsTable",
                    HResultHex(hr));
      return hr;
    }
    SPropTagArray columns{PR_ENTRYID, PR_DISPLAY_NAME, PR_OBJECT_TYPE};
    SRowSet rows;
    hr = HrQueryAllRows(contents.get(), &columns, nullptr, nullptr, 0, &rows);
    if (FAILED(hr)) {
      log_.LogEvent(EventType::kError, event_id::kDistListContents, name);
      log_.LogEvent(EventType::kError, event_id::kGeneral,
                    scan ? "DoDistList:HrQueryAllRows" : "BuildGroupArraysDistList:GetContentsTable",
                    HResultHex(hr));
      return hr;
    }
    HRESULT result = S_OK;
    for (const auto& row : rows.aRow) {
      if (stop_.CheckStopRequest()) break;
      const auto& props = row.lpProps;
      const SBinary* member_id = props.size() > 0 ? props[0].Binary() : nullptr;
      const std::string* member_name = props.size() > 1 ? props[1].String() : nullptr;
      const int32_t* member_type = props.size() > 2 ? props[2].Long() : nullptr;
      if (!member_id) continue;
      std::string display = member_name ? *member_name : std::string();
      if (member_type && *member_type == MAPI_DISTLIST) {
        result = DoDistList(group, *member_id, display, mode, visitor, map);
      } else if (scan) {
        result = visitor->DoUser(group, *member_id, display);
      } else {
        AddUserToGroupArrays(group_name, display, *map);
      }
    }
    return result;
  } catch (...) {
    log_.LogEvent(EventType::kWarning, event_id::kGeneral,
                  scan ? "General Error cycling through distribution list " + name + "."
                       : "General Error building group arrays for group " + group_name +
                             " and distribution list " + name + ".");
    return E_FAIL;
  }
}

void ScanGroups::AddUserToGroupArrays(const std::string& group, const std::string& user, MembershipMap& map) {
  try {
    const auto& names = settings_.group_names;
    auto it = std::find(names.begin(), names.end(), group);
    if (it != names.end()) {
      size_t index = static_cast<size_t>(it - names.begin());
      if (index < settings_.skip_lists.size() &&
          settings_.skip_lists[index].find(user) != std::string::npos) {
        return;
      }
    }
    map.Add(user, group);
  } catch (...) {
    log_.LogEvent(EventType::kWarning, event_id::kGeneral,
                  "General Error building group arrays for group " + group + " and user " + user + ".");
  }
}

}  // namespace korvale
