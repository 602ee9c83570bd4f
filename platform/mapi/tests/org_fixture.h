// A small organisation in a temporary store for the MAPI tests: one server,
// a domain with accounts and a group, mailboxes alice, bob and carol, a room,
// a mailbox without calendar, and nested distribution lists.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/mapi/mapi.h"
#include "platform/mapi/orgstore/org_store.h"
#include "tests/support/temp_dir.h"

namespace korvale::mapi::testing {

inline constexpr const char* kServerDn = "/o=Org/ou=Site/cn=Configuration/cn=Servers/cn=SRV1";
inline constexpr const char* kStoreDn =
    "/o=Org/ou=Site/cn=Configuration/cn=Servers/cn=SRV1/cn=Microsoft Private MDB";
std::string MailboxDn(const std::string& alias);

orgstore::OrganisationSpec SampleOrganisation();

class OrgTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // An administrative session (no default store).
  std::shared_ptr<IMAPISession> AdminSession();
  // Opens a mailbox's store through CreateStoreEntryID + OpenMsgStore.
  std::shared_ptr<IMsgStore> OpenStore(IMAPISession& session, const std::string& alias);
  std::shared_ptr<IMAPIFolder> OpenFolder(IMsgStore& store, const ENTRYID& id);
  std::shared_ptr<IMAPIFolder> Inbox(IMsgStore& store);
  std::shared_ptr<IMAPIFolder> Calendar(IMsgStore& store);
  // Messages in a folder (all rows with the given columns).
  SRowSet Rows(IMAPIFolder& folder, const SPropTagArray& columns, const SRestriction* restriction = nullptr);

  korvale::testing::TempDir dir_;
  std::string db_path_;
};

}  // namespace korvale::mapi::testing
