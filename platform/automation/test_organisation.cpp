#include "platform/automation/test_organisation.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/automation/class_registry.h"
#include "platform/automation/mail_client.h"
#include "platform/mapi/orgstore/org_store.h"

namespace korvale::automation::testing {

using namespace korvale::mapi::orgstore;

TestOrganisation::TestOrganisation()
    : store_path_(dir_.File("organisation.db")), registry_path_(dir_.File("class-registry.json")) {
  OrganisationSpec spec;
  spec.servers = {{"SRV1", "Org", "Site"}};
  RecipientSpec anna{RecipientKind::kMailbox, "anna", "Anna Berg", "SRV1", "anna@example.org", "", {}, "", {}, false, false};
  RecipientSpec annika{RecipientKind::kMailbox, "annika", "Annika Bell", "SRV1", "annika@example.org", "", {}, "", {}, false, false};
  RecipientSpec ben{RecipientKind::kMailbox, "ben", "Ben Cole", "SRV1", "ben@example.org", "", {}, "", {}, false, true};
  RecipientSpec team{RecipientKind::kDistList, "team", "Team", "", "team@example.org", "", {}, "", {"anna", "ben"}, false, false};
  spec.recipients = {anna, annika, ben, team};
  auto org = OrgStore::Open(store_path_, OpenMode::kCreate);
  if (!org.ok()) {
    ADD_FAILURE() << org.status().message();
    return;
  }
  Status applied = (*org)->Apply(spec);
  EXPECT_TRUE(applied.ok()) << applied.message();
}

TestOrganisation::~TestOrganisation() {
  ::unsetenv("KORVALE_CLASS_REGISTRY");
  ::unsetenv("KORVALE_MAPI_PROFILES");
}

void TestOrganisation::UseRegistry(bool register_mail_client) {
  ::setenv("KORVALE_CLASS_REGISTRY", registry_path_.c_str(), 1);
  ::setenv("KORVALE_MAPI_PROFILES", dir_.File("mapi-profiles.json").c_str(), 1);
  ClassRegistry registry(registry_path_);
  ASSERT_TRUE(registry.Load().ok());
  if (register_mail_client)
    RegisterMailClient(registry, store_path_, "annika");
  else
    UnregisterMailClient(registry);
  ASSERT_TRUE(registry.Save().ok());
}

}  // namespace korvale::automation::testing
