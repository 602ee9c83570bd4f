#include "platform/automation/test_organisation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "platform/automation/class_registry.h"
#include "platform/automation/mail_client.h"
#include "platform/mapi/calendar_named_props.h"
#include "platform/mapi/orgstore/org_store.h"

namespace korvale::automation::testing {

using namespace korvale::mapi::orgstore;

namespace {

using namespace korvale::mapi;

// Anna's calendar: a lunch and a private visit to the doctor.
Status AddAppointments(IMAPISession& session) {
  std::shared_ptr<IExchangeManageStore> manage;
  ENTRYID store_id, inbox_id;
  std::shared_ptr<IMsgStore> store;
  std::shared_ptr<IUnknown> unk;
  ULONG type = 0;
  SPropValue calendar_id;
  if (HrQueryInterface(session, IID_IExchangeManageStore, &manage) != S_OK ||
      manage->CreateStoreEntryID(
          "/o=Org/ou=Site/cn=Configuration/cn=Servers/cn=SRV1/cn=Microsoft Private MDB", kAnnaDn,
          OPENSTORE_USE_ADMIN_PRIVILEGE, &store_id) != S_OK ||
      session.OpenMsgStore(0, store_id, nullptr, MAPI_BEST_ACCESS, &store) != S_OK ||
      store->GetReceiveFolder("", 0, &inbox_id, nullptr) != S_OK ||
      store->OpenEntry(inbox_id, nullptr, MAPI_BEST_ACCESS, &type, &unk) != S_OK ||
      HrGetOneProp(mapi_cast<IMAPIProp>(unk).get(), PR_IPM_APPOINTMENT_ENTRYID, &calendar_id) != S_OK ||
      store->OpenEntry(*calendar_id.Binary(), nullptr, MAPI_BEST_ACCESS, &type, &unk) != S_OK)
    return Status::Error("Anna's calendar cannot be opened");
  auto calendar = mapi_cast<IMAPIFolder>(unk);
  SPropTagArray ids;
  if (calendar->GetIDsFromNames(
          {MAPINAMEID::Id(PSETID_Appointment, kLidStart), MAPINAMEID::Id(PSETID_Common, kLidPrivate)},
          MAPI_CREATE, &ids) != S_OK)
    return Status::Error("no named properties");
  // 2026-03-02 12:00 and 2026-03-03 08:00 UTC.
  const FILETIME kNoon = 134169264000000000ULL, kMorning = kNoon + 20ULL * 3600 * 10000000;
  for (const auto& [subject, start, is_private] :
       {std::tuple{"Lunch", kNoon, false}, std::tuple{"Doctor", kMorning, true}}) {
    std::shared_ptr<IMessage> message;
    if (calendar->CreateMessage(nullptr, 0, &message) != S_OK ||
        FAILED(message->SetProps({{PR_MESSAGE_CLASS, std::string("IPM.Appointment")},
                                  {PR_SUBJECT, std::string(subject)},
                                  SPropValue::Time(CHANGE_PROP_TYPE(ids[0], PT_SYSTIME), start),
                                  {CHANGE_PROP_TYPE(ids[1], PT_BOOLEAN), is_private}},
                                 nullptr)) ||
        message->SaveChanges(0) != S_OK)
      return Status::Error("an appointment cannot be saved");
  }
  return Status::Ok();
}

}  // namespace

TestOrganisation::TestOrganisation()
    : store_path_(dir_.File("organisation.db")), registry_path_(dir_.File("class-registry.json")) {
  OrganisationSpec spec;
  spec.servers = {{"SRV1", "Org", "Site"}};
  RecipientSpec anna{
      RecipientKind::kMailbox, "anna", "Anna Berg", "SRV1", "anna@example.org", "", {}, "", {}, false, false};
  RecipientSpec annika{RecipientKind::kMailbox,
                       "annika",
                       "Annika Bell",
                       "SRV1",
                       "annika@example.org",
                       "",
                       {},
                       "",
                       {},
                       false,
                       false};
  RecipientSpec ben{
      RecipientKind::kMailbox, "ben", "Ben Cole", "SRV1", "ben@example.org", "", {}, "", {}, false, true};
  RecipientSpec team{RecipientKind::kDistList, "team", "Team", "", "team@example.org", "", {}, "",
                     {"anna", "ben"},          false,  false};
  spec.recipients = {anna, annika, ben, team};
  auto org = OrgStore::Open(store_path_, OpenMode::kCreate);
  if (!org.ok()) {
    ADD_FAILURE() << org.status().message();
    return;
  }
  Status applied = (*org)->Apply(spec, [](mapi::IMAPISession& session) { return AddAppointments(session); });
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
