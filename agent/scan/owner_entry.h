// The mailbox owner's directory entry: the 17 properties the scan reads from
// it (home MTA, directory name, the address-book texts, the associated
// Windows account, the configured custom attributes and the SMTP address).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/agent_settings.h"
#include "platform/mapi/mapi.h"

namespace korvale {

struct OwnerProperties {
  std::optional<std::string> home_mta;  // nullopt when missing
  std::string email_address;            // the directory name (unquoted)
  std::string alias, phone, office, initials, department, prof_title, off_fax, home_phone, mobile_phone,
      adr_comment;                 // as read (not yet quoted)
  mapi::SBinary assoc_nt_account;  // a SID; empty when missing
  // The custom attributes named by MailboxCustomAttribute, MBCustAttrSecGroup
  // and MBCustAttrBookMeetings (nullopt when the setting is 0 or the value missing).
  std::optional<std::string> security_attribute, sec_group_attribute, book_meetings_attribute;
  std::optional<std::string> smtp_address;
};

// The 17 tags in their order: 13 fixed, then the custom attributes (each
// attribute number once) and PR_SMTP_ADDRESS, the rest PR_NULL.
mapi::SPropTagArray OwnerPropertyTags(const AgentSettings& settings);

// Reads the values from the result of GetProps with OwnerPropertyTags.
OwnerProperties ReadOwnerProperties(const AgentSettings& settings,
                                    const std::vector<mapi::SPropValue>& values);

// The parts of the home-MTA value: the server's directory name (before
// "/cn=Microsoft MTA"), the server name (after "/cn=Servers/cn=") and the
// home store name (directory name + "/cn=Microsoft Private MDB").
struct HomeServer {
  std::string directory_name;
  std::string server_name;
  std::string store_name;
};
HomeServer ParseHomeMta(const std::string& home_mta);

// "1" without regard to case, present and not empty.
bool AttributeIsOne(const std::optional<std::string>& value);

}  // namespace korvale
