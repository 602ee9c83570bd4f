// Shared pieces of the booking-writer tests: a temporary organisation store
// with a handful of mailboxes, a session on it with its address book and
// store management, each mailbox's calendar with its named-property tags as
// the scan resolves them, and a real SQLite calendar database prepared as a
// cycle prepares it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "agent/booking/agent_bookings.h"
#include "agent/booking/testing/booking_test_support.h"
#include "agent/database/prepare_database.h"
#include "platform/mapi/calendar_named_props.h"
#include "platform/mapi/orgstore/org_store.h"
#include "platform/tz/tz.h"
#include "tests/fakes/recording_log.h"
#include "tests/support/sqlite_dsn.h"
#include "tests/support/temp_dir.h"

namespace korvale::testing {

using namespace mapi;

inline const std::string kServerDn = "/o=Org/ou=Site/cn=Configuration/cn=Servers/cn=SRV1";
inline std::string MailboxDn(const std::string& alias) { return "/o=Org/ou=Site/cn=Recipients/cn=" + alias; }

// The calendar properties the booking writer uses, by index, with their types.
inline CalendarTags ResolveTestTags(IMAPIProp& folder) {
  struct Spec {
    size_t index;
    MAPINAMEID name;
    ULONG type;
  };
  namespace cp = calendar_prop;
  const std::vector<Spec> specs = {
      {cp::kKeywords, MAPINAMEID::Name(PS_PUBLIC_STRINGS, kNameKeywords), PT_MV_STRING8},
      {cp::kStart, MAPINAMEID::Id(PSETID_Appointment, kLidStart), PT_SYSTIME},
      {cp::kEnd, MAPINAMEID::Id(PSETID_Appointment, kLidEnd), PT_SYSTIME},
      {cp::kLocation, MAPINAMEID::Id(PSETID_Appointment, kLidLocation), PT_STRING8},
      {cp::kBusyStatus, MAPINAMEID::Id(PSETID_Appointment, kLidBusyStatus), PT_LONG},
      {cp::kPrivate, MAPINAMEID::Id(PSETID_Common, kLidPrivate), PT_BOOLEAN},
      {cp::kReminderSet, MAPINAMEID::Id(PSETID_Common, kLidReminderSet), PT_BOOLEAN},
      {cp::kReminderMinutes, MAPINAMEID::Id(PSETID_Common, kLidReminderMinutes), PT_LONG},
      {cp::kMeetingState, MAPINAMEID::Id(PSETID_Appointment, kLidMeetingState), PT_LONG},
      {cp::kRecurring, MAPINAMEID::Id(PSETID_Appointment, kLidRecurring), PT_BOOLEAN},
      {cp::kAllDay, MAPINAMEID::Id(PSETID_Appointment, kLidAllDay), PT_BOOLEAN},
      {cp::kTimeZoneStruct, MAPINAMEID::Id(PSETID_Appointment, kLidTimeZoneStruct), PT_BINARY},
      {cp::kResponseStatus, MAPINAMEID::Id(PSETID_Appointment, kLidResponseStatus), PT_LONG},
      {cp::kGlobalObjectId, MAPINAMEID::Id(PSETID_Meeting, kLidGlobalObjectId), PT_BINARY},
      {cp::kCleanGlobalObjectId, MAPINAMEID::Id(PSETID_Meeting, kLidCleanGlobalObjectId), PT_BINARY},
      {cp::kInvitationsSent, MAPINAMEID::Id(PSETID_Appointment, kLidInvitationsSent), PT_BOOLEAN},
      {cp::kBookingNumber, MAPINAMEID::Name(PS_PUBLIC_STRINGS, kNameBookingNumber), PT_STRING8},
  };
  std::vector<MAPINAMEID> names;
  for (const Spec& s : specs) names.push_back(s.name);
  SPropTagArray ids;
  EXPECT_EQ(folder.GetIDsFromNames(names, MAPI_CREATE, &ids), S_OK);
  CalendarTags tags;
  tags.calendar.assign(cp::kContactName, PR_NULL);
  for (size_t i = 0; i < specs.size() && i < ids.size(); ++i) {
    tags.calendar[specs[i].index] = CHANGE_PROP_TYPE(ids[i], specs[i].type);
  }
  return tags;
}

// One mailbox as the scan hands it to the booking writer.
struct TestMailbox {
  std::string name;
  std::string dl_value;
  std::shared_ptr<IMsgStore> store;
  std::shared_ptr<IMAPIFolder> inbox;
  std::shared_ptr<IMAPIFolder> calendar;
  CalendarTags tags;
  TIME_ZONE_INFORMATION zone;
  ENTRYID owner;  // the owner's address-book entry, as the scan holds it
  MailboxBookingTarget Target() const { return {name, dl_value, *calendar, tags, zone, &owner}; }
  ULONG Tag(size_t index) const { return tags.Calendar(index); }
};

// A one-hour-east zone without daylight saving: local 10:00 is 09:00 UTC.
inline TIME_ZONE_INFORMATION OneHourEast() {
  TIME_ZONE_INFORMATION zone;
  zone.Bias = -60;
  return zone;
}

inline FILETIME Utc(int year, int month, int day, int hour, int minute = 0) {
  return *tz::SystemTimeToFileTime(Time(year, month, day, hour, minute));
}

class BookingMailFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    org_path_ = dir_.File("org.db");
    auto org = orgstore::OrgStore::Open(org_path_, orgstore::OpenMode::kCreate);
    ASSERT_TRUE(org.ok()) << org.status().message();
    orgstore::OrganisationSpec spec;
    spec.servers.push_back({"SRV1", "Org", "Site"});
    auto mailbox = [&](const std::string& alias, const std::string& display, const std::string& smtp,
                       orgstore::RecipientKind kind = orgstore::RecipientKind::kMailbox) {
      orgstore::RecipientSpec r;
      r.kind = kind;
      r.alias = alias;
      r.display_name = display;
      r.server = "SRV1";
      r.smtp = smtp;
      spec.recipients.push_back(r);
    };
    mailbox("mia", "Mia", "mia@org.example");
    mailbox("ann", "Ann", "ann@org.example");
    mailbox("bob", "Bob", "bob@org.example");
    mailbox("joann", "JoAnn", "joann@org.example");
    mailbox("room1", "Room 1", "room1@org.example", orgstore::RecipientKind::kRoom);
    mailbox("notifier", "Notifier", "notifier@org.example");
    mailbox("admin", "Admin", "admin@org.example");
    Status applied = (*org)->Apply(spec);
    ASSERT_TRUE(applied.ok()) << applied.message();
    org_ = std::move(*org);

    ASSERT_EQ(orgstore::OpenOrgStoreSession(org_path_, "notifier", &session_), S_OK);
    ASSERT_EQ(session_->OpenAddressBook(0, nullptr, AB_NO_DIALOG, &address_book_), S_OK);
    // As the agent does: the logon's default store hands out store management.
    std::shared_ptr<IMAPITable> stores;
    ASSERT_EQ(session_->GetMsgStoresTable(0, &stores), S_OK);
    SRowSet store_rows;
    SPropTagArray store_columns{PR_ENTRYID};
    ASSERT_EQ(HrQueryAllRows(stores.get(), &store_columns, nullptr, nullptr, 0, &store_rows), S_OK);
    ASSERT_EQ(store_rows.cRows(), 1u);
    ASSERT_EQ(session_->OpenMsgStore(0, *store_rows[0][0].Binary(), nullptr, MDB_NO_DIALOG | MAPI_BEST_ACCESS,
                                     &default_store_),
              S_OK);
    ASSERT_EQ(HrQueryInterface(*default_store_, IID_IExchangeManageStore, &manage_), S_OK);

    settings_ = SalesAndRoomsSettings(Dialect::kSQLite);
    settings_.db = dsn_.name();
    settings_.notification_server = kServerDn;
    settings_.notification_mailbox = MailboxDn("notifier");
    Status prepared = PrepareDatabase(settings_, log_, "Korvale", prep_);
    ASSERT_TRUE(prepared.ok()) << prepared.message() << "\n" << log_.Describe();
    // The table the web pages read while KorvaleTable1 is filled.
    auto created =
        prep_.database->Execute(CreateCalendarTable(settings_, kKorvaleTable2, prep_.optional_columns));
    ASSERT_TRUE(created.ok()) << created.error().text;
    log_.Clear();

    bookings_ = std::make_unique<AgentBookings>(settings_, log_);
    bookings_->SetClock([] { return Utc(2024, 6, 1, 8); });
    ConnectBookings();
  }

  void ConnectBookings() {
    bookings_->Connect({prep_.database.get(), session_.get(), address_book_.get(), manage_.get(),
                        prep_.fill_table, "Korvale"});
  }

  Database& db() { return *prep_.database; }

  TestMailbox Open(const std::string& alias, const std::string& name) {
    TestMailbox m;
    m.name = name;
    m.zone = OneHourEast();
    ENTRYID store_id;
    EXPECT_EQ(manage_->CreateStoreEntryID(kServerDn + "/cn=Microsoft Private MDB", MailboxDn(alias),
                                          OPENSTORE_USE_ADMIN_PRIVILEGE, &store_id),
              S_OK);
    EXPECT_EQ(session_->OpenMsgStore(0, store_id, nullptr, MDB_NO_DIALOG | MAPI_BEST_ACCESS, &m.store), S_OK);
    ENTRYID inbox_id;
    EXPECT_EQ(m.store->GetReceiveFolder("", 0, &inbox_id, nullptr), S_OK);
    ULONG type = 0;
    std::shared_ptr<IUnknown> object;
    EXPECT_EQ(m.store->OpenEntry(inbox_id, nullptr, MAPI_BEST_ACCESS, &type, &object), S_OK);
    m.inbox = mapi_cast<IMAPIFolder>(object);
    std::vector<SPropValue> ref;
    SPropTagArray tag{PR_IPM_APPOINTMENT_ENTRYID};
    EXPECT_EQ(m.inbox->GetProps(&tag, 0, &ref), S_OK);
    EXPECT_EQ(m.store->OpenEntry(*ref.at(0).Binary(), nullptr, MAPI_BEST_ACCESS, &type, &object), S_OK);
    m.calendar = mapi_cast<IMAPIFolder>(object);
    m.tags = ResolveTestTags(*m.calendar);
    ADRLIST owner;
    owner.aEntries.push_back(
        {{SPropValue(PR_DISPLAY_NAME, name), SPropValue(PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_TO))}});
    EXPECT_EQ(address_book_->ResolveName(0, 0, "", &owner), S_OK);
    if (const SPropValue* id = PpropFindProp(owner.aEntries[0].rgPropVals, PR_ENTRYID); id && id->Binary()) {
      m.owner = *id->Binary();
    }
    return m;
  }

  // Every message of a folder with the given columns.
  static std::vector<SRow> Rows(IMAPIFolder& folder, const SPropTagArray& columns) {
    std::shared_ptr<IMAPITable> table;
    EXPECT_EQ(folder.GetContentsTable(0, &table), S_OK);
    SRowSet rows;
    EXPECT_EQ(HrQueryAllRows(table.get(), &columns, nullptr, nullptr, 0, &rows), S_OK);
    return rows.aRow;
  }

  // Message classes of a folder's messages, in the folder's order.
  static std::vector<std::string> Classes(IMAPIFolder& folder) {
    std::vector<std::string> classes;
    for (const SRow& row : Rows(folder, {PR_MESSAGE_CLASS})) {
      classes.push_back(row[0].String() ? *row[0].String() : "");
    }
    return classes;
  }

  static std::shared_ptr<IMessage> OpenMessage(IMAPIFolder& folder, const ENTRYID& id) {
    ULONG type = 0;
    std::shared_ptr<IUnknown> object;
    EXPECT_EQ(folder.OpenEntry(id, nullptr, MAPI_BEST_ACCESS, &type, &object), S_OK);
    return mapi_cast<IMessage>(object);
  }

  // The recipients of a message as "name:type" texts.
  static std::vector<std::string> Recipients(IMessage& message) {
    std::shared_ptr<IMAPITable> table;
    EXPECT_EQ(message.GetRecipientTable(0, &table), S_OK);
    SRowSet rows;
    SPropTagArray columns{PR_DISPLAY_NAME, PR_RECIPIENT_TYPE};
    EXPECT_EQ(HrQueryAllRows(table.get(), &columns, nullptr, nullptr, 0, &rows), S_OK);
    std::vector<std::string> out;
    for (const SRow& row : rows.aRow) {
      out.push_back((row[0].String() ? *row[0].String() : "?") + ":" +
                    std::to_string(row[1].Long() ? *row[1].Long() : -1));
    }
    return out;
  }

  static SPropValue Prop(IMessage& message, ULONG tag) {
    SPropValue value;
    (void)HrGetOneProp(&message, tag, &value);
    return value;
  }

  // A meeting of organizer Mia with Ann and Bob, booked by Carl.
  static BookingRecord Meeting(std::string number = "B-1") {
    BookingRecord r;
    r.organizer = "Mia";
    r.recipients = "Ann; Bob";
    r.booked_by = "Carl";
    r.start = Time(2024, 6, 12, 10, 0);
    r.end = Time(2024, 6, 12, 11, 0);
    r.title = "Review";
    r.location = "Hall";
    r.busy_status = 2;
    r.category = "Project";
    r.attendees = true;
    r.booking_status = 1;
    r.booking_number = std::move(number);
    return r;
  }

  // The same appointment booked straight into Ann's calendar: no organizer,
  // no invitation.
  static BookingRecord DirectForAnn(std::string number = "B-1") {
    BookingRecord r = Meeting(std::move(number));
    r.organizer.clear();
    r.recipients = "Ann";
    r.no_invitation = true;
    return r;
  }

  TempDir dir_;
  std::string org_path_;
  std::unique_ptr<orgstore::OrgStore> org_;
  std::shared_ptr<IMAPISession> session_;
  std::shared_ptr<IAddrBook> address_book_;
  std::shared_ptr<IMsgStore> default_store_;
  std::shared_ptr<IExchangeManageStore> manage_;
  SqliteDsn dsn_;
  AgentSettings settings_;
  RecordingLog log_;
  DatabasePreparation prep_;
  std::unique_ptr<AgentBookings> bookings_;
};

}  // namespace korvale::testing
