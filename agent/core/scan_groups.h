// The scan groups as the cycle walks them: each group's configured members
// are resolved in the address book in configuration order, distribution lists
// are expanded (each at most once per group), and every mailbox reached is
// handed to the mailbox scan. The same walk, before the scan, builds the
// membership map.
#pragma once

#include <string>
#include <vector>

#include "common/agent_log.h"
#include "common/agent_settings.h"
#include "common/membership_map.h"
#include "common/stop_check.h"
#include "platform/mapi/mapi.h"

namespace korvale {

// What the scan loop does with a mailbox (the mailbox scan).
class MailboxVisitor {
 public:
  virtual ~MailboxVisitor() = default;
  // `group_index` is the current scan group (from 0).
  virtual mapi::HRESULT DoUser(size_t group_index, const mapi::ENTRYID& entry_id,
                               const std::string& display_name) = 0;
};

class ScanGroups {
 public:
  ScanGroups(const AgentSettings& settings, AgentLog& log, StopCheck& stop, mapi::IAddrBook& address_book);

  // Fills the membership map from every group's members.
  void BuildGroupArrays(MembershipMap& map);

  // The scan loop. False when the cycle has to end with result 0 (memory for an
  // address list could not be had). The result of the last member operation is
  // in last_result().
  bool ScanAll(MailboxVisitor& visitor);
  mapi::HRESULT last_result() const { return last_result_; }

 private:
  enum class Mode { kScan, kMembership };
  bool WalkGroup(size_t group, Mode mode, MailboxVisitor* visitor, MembershipMap* map);
  mapi::HRESULT DoDistList(size_t group, const mapi::ENTRYID& entry_id, const std::string& name, Mode mode,
                           MailboxVisitor* visitor, MembershipMap* map);
  void AddUserToGroupArrays(const std::string& group, const std::string& user, MembershipMap& map);

  const AgentSettings& settings_;
  AgentLog& log_;
  StopCheck& stop_;
  mapi::IAddrBook& address_book_;
  std::vector<std::string> visited_lists_;  // distribution lists expanded in the current group
  mapi::HRESULT last_result_ = 0;
};

}  // namespace korvale
