// A small organisation in a temporary folder for the core's tests: the
// organisation store, the profile file mapping its servers, and MAPI
// initialised on that profile file for the life of the fixture.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/mapi/mapi.h"
#include "platform/mapi/orgstore/org_store.h"
#include "tests/fakes/recording_log.h"
#include "tests/support/temp_dir.h"

namespace korvale::testing {

// "/o=Org/ou=Site/cn=Recipients/cn=<alias>"
std::string RecipientDn(const std::string& alias);

// Servers SRV1 and SRV2; mailboxes svc, anna, ben, carl (SRV2), dora; a room;
// lists "Team" (anna, ben, itself and "Inner"), "Inner" (carl, "Team").
mapi::orgstore::OrganisationSpec SmallOrganisation();

class OrganisationTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // An address book of a session on the store (as the service account).
  std::shared_ptr<mapi::IAddrBook> AddressBook();

  TempDir dir_;
  std::string store_path_;
  std::string profile_file_;
  RecordingLog log_;
  std::shared_ptr<mapi::IMAPISession> admin_session_;
};

}  // namespace korvale::testing
