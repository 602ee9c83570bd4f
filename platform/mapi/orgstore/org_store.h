// The organisation store: one SQLite file holding an organisation's
// directory (servers, mailboxes, rooms, distribution lists, Windows domains,
// accounts and groups), every mailbox's store with its folders and messages,
// the per-store named-property map and the folder permissions.
//
// This header is the administrative side used by the administration program
// and by tests: creating an organisation and reading what it holds. The
// MAPI side (sessions, stores, folders, messages) is reached through
// mapi.h, or directly on a store file with OpenOrgStoreSession.
//
// Several processes may use one file at once: every change runs in one
// IMMEDIATE transaction (WAL journal, busy timeout of 30 s).
//
//   auto org = OrgStore::Open("/var/lib/korvale/org.db", OpenMode::kCreate);
//   if (!org.ok()) report(org.status().message());
//   Status s = (*org)->Apply(spec);   // one transaction; nothing on failure
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/status.h"
#include "platform/mapi/mapi.h"

namespace korvale::mapi::orgstore {

enum class OpenMode { kExisting, kCreate };

enum class RecipientKind { kMailbox, kRoom, kEquipment, kDistList };

struct ServerSpec {
  std::string name;  // "SRV1"
  std::string org;   // "Org"
  std::string site;  // "Site" (administrative group)
  // "/o=Org/ou=Site/cn=Configuration/cn=Servers/cn=SRV1"
  std::string LegacyDn() const;
};

struct RecipientSpec {
  RecipientKind kind = RecipientKind::kMailbox;
  std::string alias;         // PR_ACCOUNT; unique
  std::string display_name;  // PR_DISPLAY_NAME
  std::string server;        // home server name (mailboxes and rooms)
  std::string smtp;          // PR_SMTP_ADDRESS
  // PR_EMAIL_ADDRESS; empty: "/o=<org>/ou=<site>/cn=Recipients/cn=<alias>"
  // with the org and site of the home server (of the first server for lists).
  std::string legacy_dn;
  // Further address-book properties: phones, office, initials, department,
  // title, fax, comment, custom attributes (PR_EMS_AB_EXTENSION_ATTRIBUTE(n)).
  std::vector<SPropValue> props;
  // "DOMAIN\\name" of the associated Windows account (PR_EMS_AB_ASSOC_NT_ACCOUNT).
  std::string nt_account;
  // Distribution lists: aliases of the members (mailboxes, rooms or lists).
  std::vector<std::string> members;
  // Omit the home-MTA property (a mailbox without a home server attribute).
  bool no_home_mta = false;
  // A mailbox without a default calendar folder (the Inbox then has no
  // PR_IPM_APPOINTMENT_ENTRYID).
  bool no_calendar = false;
};

enum class SidType : int {
  kUser = 1,
  kGroup = 2,
  kDomain = 3,
  kAlias = 4,  // a local group
  kWellKnownGroup = 5,
  kDeletedAccount = 6,
  kInvalid = 7,
  kUnknown = 8,
  kComputer = 9,
};

struct DomainSpec {
  std::string name;                      // "CORP" (NetBIOS name)
  std::string sid;                       // "S-1-5-21-1-2-3"
  std::vector<std::string> controllers;  // "\\\\DC1"
};

struct AccountSpec {
  std::string domain;  // a DomainSpec name, or a machine name for local groups
  std::string name;
  SidType type = SidType::kUser;
  uint32_t rid = 0;                  // 0: the next free one (from 1000) under the domain's SID
  std::string sid;                   // explicit SID text; overrides domain SID + rid
  std::vector<std::string> members;  // groups: "DOMAIN\\name" of the members
};

struct PermissionSpec {
  std::string mailbox;              // alias
  std::string folder = "Calendar";  // "Calendar", "Inbox" or "Sent Items"
  std::string member;               // alias of a recipient; empty for the default entry
  ULONG rights = 0;
};

// Everything an organisation starts with.
struct OrganisationSpec {
  std::vector<ServerSpec> servers;
  std::vector<DomainSpec> domains;
  std::vector<AccountSpec> accounts;
  std::vector<RecipientSpec> recipients;
  std::vector<PermissionSpec> permissions;
};

// One row of the listings.
struct MailboxInfo {
  int64_t id = 0;
  RecipientKind kind = RecipientKind::kMailbox;
  std::string alias, display_name, legacy_dn, server, smtp;
  bool has_store = false;
};
struct FolderInfo {
  std::string mailbox_alias, name;
  ENTRYID entry_id;
  int64_t message_count = 0;
};
// A message as recorded by the transport for recipients outside the
// organisation.
struct OutboundMail {
  int64_t id = 0;
  std::string sender, subject, recipient_name, address_type, address;
  FILETIME submitted = 0;
};

class OrgStore {
 public:
  // Opens (and with kCreate creates) the file; the schema is created or
  // checked. Fails with a message naming the file.
  static Expected<std::unique_ptr<OrgStore>> Open(const std::string& path, OpenMode mode);
  virtual ~OrgStore() = default;

  virtual const std::string& Path() const = 0;
  // Validates the whole spec against itself and the store's contents, then
  // writes it in one transaction: servers, domains, accounts, recipients
  // (mailboxes and rooms get a store with Inbox, Calendar and Sent Items),
  // permissions. Nothing is written when any part is wrong; the message
  // names the entry and what is wrong. `then` (optional) runs inside the same
  // transaction with an administrative session on the new organisation (to
  // add messages); its failure undoes everything.
  virtual Status Apply(const OrganisationSpec& spec,
                       const std::function<Status(IMAPISession&)>& then = nullptr) = 0;

  virtual Expected<std::vector<ServerSpec>> ListServers() = 0;
  virtual Expected<std::vector<MailboxInfo>> ListRecipients() = 0;
  // Folders of one mailbox (by alias), or of all when empty.
  virtual Expected<std::vector<FolderInfo>> ListFolders(const std::string& alias) = 0;
  virtual Expected<std::vector<OutboundMail>> ListOutboundMail() = 0;

  // A session on this store without a profile, as the service account with
  // administrative rights: its address book is the directory; it has no
  // default store, and it answers QueryInterface(IID_IExchangeManageStore)
  // so that any mailbox's store can be opened. `logon_alias` (optional)
  // makes that mailbox's store the default one.
  virtual HRESULT Logon(const std::string& logon_alias, std::shared_ptr<IMAPISession>* session) = 0;
};

// The same as OrgStore::Open(path, kExisting)->Logon(...), for callers that
// only want MAPI.
HRESULT OpenOrgStoreSession(const std::string& path, const std::string& logon_alias,
                            std::shared_ptr<IMAPISession>* session);

// The Windows account side of the directory, for platform/accounts.
struct AccountInfo {
  std::string domain, name;
  SidType type = SidType::kUser;
  SBinary sid;
};
class OrgAccounts {
 public:
  static Expected<std::unique_ptr<OrgAccounts>> Open(const std::string& path);
  virtual ~OrgAccounts() = default;
  // nullopt when no account has this SID (LookupAccountSid's ERROR_NONE_MAPPED).
  virtual Expected<std::optional<AccountInfo>> LookupSid(const SBinary& sid) = 0;
  // By "DOMAIN\\name" or "name" (case-insensitive); nullopt when none.
  virtual Expected<std::optional<AccountInfo>> LookupName(const std::string& name) = 0;
  // Direct members of a global group of the domain, in the order added;
  // an error with code 2220 (NERR_GroupNotFound) when there is no such group.
  virtual Expected<std::vector<AccountInfo>> GroupMembers(const std::string& domain,
                                                          const std::string& group) = 0;
  // Members of a local group (SidType::kAlias) of the machine or domain named
  // `server_or_domain`; code 2220 when there is no such group.
  virtual Expected<std::vector<AccountInfo>> LocalGroupMembers(const std::string& server_or_domain,
                                                               const std::string& group) = 0;
  // The domain's controllers ("\\\\DC1"); an error with code 2453
  // (NERR_DCNotFound) when the domain is unknown or has none.
  virtual Expected<std::vector<std::string>> DomainControllers(const std::string& domain) = 0;
  // The NetBIOS names of all domains, in the order they were added.
  virtual Expected<std::vector<std::string>> DomainNames() = 0;
};

// SID text ("S-1-5-21-1-2-3-1001") <-> binary SID; false/empty when malformed.
bool SidFromString(const std::string& text, SBinary* sid);
std::string SidToString(const SBinary& sid);

}  // namespace korvale::mapi::orgstore
