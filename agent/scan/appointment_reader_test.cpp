// The single-appointment pass of the appointment reader against a temporary
// organisation store and a real SQLite calendar table: what each calendar
// item becomes as a row, and how damaged items are reported and skipped.
#include "agent/scan/appointment_reader.h"

#include <gtest/gtest.h>

#include "agent/scan/appointment_reader_fixture.h"
#include "platform/tz/tz.h"

namespace korvale {
namespace {

using namespace appointment_fixtures;
using namespace mapi;
namespace cp = calendar_prop;

class SinglePassTest : public AppointmentReaderTest {};

// Privacy decides the title, and ShowNoPrivate keeps private items out of the table altogether.
TEST_F(SinglePassTest, PrivacyFollowsShowPersonalAndShowNoPrivate) {
  settings_.fields = "Text";
  Open();
  auto personal = Appointment("Dentist", At(2023, 1, 10, 9), At(2023, 1, 10, 10));
  personal.push_back({PR_SENSITIVITY, 1});
  personal.push_back({PR_BODY, std::string("bring the card")});
  CreateItem(personal);
  auto flagged = Appointment("Interview", At(2023, 1, 11, 9), At(2023, 1, 11, 10));
  flagged.push_back({Tag(cp::kPrivate), true});
  flagged.push_back({Tag(cp::kLocation), std::string("Room 7")});
  CreateItem(flagged);
  auto confidential = Appointment("Merger", At(2023, 1, 12, 9), At(2023, 1, 12, 10));
  confidential.push_back({PR_SENSITIVITY, 3});
  CreateItem(confidential);
  CreateItem(Appointment("Team", At(2023, 1, 13, 9), At(2023, 1, 13, 10)));

  for (int show_personal : {0, 1}) {
    for (int show_no_private : {0, 1}) {
      SCOPED_TRACE("ShowPersonal=" + std::to_string(show_personal) +
                   " ShowNoPrivate=" + std::to_string(show_no_private));
      settings_.show_personal = show_personal;
      settings_.show_no_private = show_no_private;
      ASSERT_TRUE(db_->Execute("DELETE FROM KorvaleTable1").ok());
      ASSERT_EQ(Run(PassKind::kSingle), S_OK) << Events();
      std::vector<std::string> titles;
      for (const StoredRow& row : Rows()) {
        titles.push_back(row.Text("Title"));
        if (row.Text("Title") != "private") continue;
        EXPECT_EQ(row.Text("Location"), "") << "a private item is written with minimum security";
        EXPECT_EQ(row.Text("KRVBookingNumber"), "") << "a private item carries no booking number";
        EXPECT_EQ(row.Text("ApptText"), "") << "nor its body";
      }
      std::vector<std::string> expected;
      if (show_personal != 0)
        expected.push_back("Dentist");
      else if (show_no_private == 0)
        expected.push_back("private");
      if (show_no_private == 0) expected.insert(expected.end(), {"private", "private"});
      expected.push_back("Team");
      EXPECT_EQ(titles, expected);
    }
  }
}

// Every value of a plain appointment reaches its column; its booking number is its entry identifier.
TEST_F(SinglePassTest, AppointmentValuesReachTheRow) {
  mailbox_zone_ = tz::fixtures::Berlin();
  Open();
  auto props = Appointment("Budget 'Q1'", At(2023, 1, 10, 8), At(2023, 1, 10, 9, 30));
  props.push_back({Tag(cp::kLocation), std::string("  Room 1  ")});
  props.push_back({Tag(cp::kBusyStatus), 3});
  props.push_back({Tag(cp::kKeywords), std::vector<std::string>{"Team", "Budget"}});
  const ENTRYID id = CreateItem(props);
  // Without a busy status an item counts as busy (2).
  auto plain = Appointment("No status", At(2023, 1, 11, 8), At(2023, 1, 11, 9));
  plain.pop_back();
  CreateItem(plain);

  ASSERT_EQ(Run(PassKind::kSingle), S_OK) << Events();
  const std::vector<StoredRow> rows = Rows();
  ASSERT_EQ(rows.size(), 2u) << Events();
  EXPECT_EQ(rows[0].Time("Start"), "2023-01-10 09:00") << "no zone structure: the mailbox's zone";
  EXPECT_EQ(rows[0].Time("EndTime"), "2023-01-10 10:30");
  EXPECT_EQ(rows[0].Text("Title"), "Budget 'Q1'");
  EXPECT_EQ(rows[0].Text("Location"), "Room 1");
  EXPECT_EQ(rows[0].Text("Status"), "3");
  EXPECT_EQ(rows[0].Text("Category"), "//Team//Budget//");
  EXPECT_EQ(rows[0].Text("Name"), kOwner);
  EXPECT_EQ(rows[0].Text("DL"), "//Staff//");
  EXPECT_EQ(rows[0].Text("Organizer"), "") << "not a meeting";
  EXPECT_EQ(rows[0].Text("KRVBookingNumber"), HexFromBin(id));
  EXPECT_EQ(rows[1].Text("Status"), "2");
}

// A zone structure of the item wins over the mailbox's zone; a cut one does not count.
TEST_F(SinglePassTest, TimesAreInTheAppointmentsZone) {
  Open();
  TIME_ZONE_INFORMATION tokyo;
  tokyo.Bias = -540;
  auto zoned = Appointment("Tokyo call", At(2023, 1, 10, 3), At(2023, 1, 10, 4));
  zoned.push_back({Tag(cp::kTimeZoneStruct), Bytes(tz::TimeZoneStructToBytes(tokyo))});
  CreateItem(zoned);
  auto cut = Appointment("Cut zone", At(2023, 1, 11, 3), At(2023, 1, 11, 4));
  cut.push_back({Tag(cp::kTimeZoneStruct), Bytes(tz::TimeZoneStructToBytes(tokyo).substr(0, 40))});
  CreateItem(cut);

  ASSERT_EQ(Run(PassKind::kSingle), S_OK) << Events();
  const std::vector<StoredRow> rows = Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Time("Start"), "2023-01-10 12:00");
  EXPECT_EQ(rows[1].Time("Start"), "2023-01-11 03:00") << "fewer than 48 bytes: the mailbox's zone (UTC)";
}

// Meetings carry their organizer and every other recipient; the mailbox itself is no attendee.
TEST_F(SinglePassTest, MeetingOrganizerAndAttendees) {
  settings_.fields = "RequiredAttendees, OptionalAttendees, Resources, MeetingStatus";
  Open();
  auto meeting = Appointment("Planning", At(2023, 1, 10, 9), At(2023, 1, 10, 10));
  meeting.push_back({Tag(cp::kMeetingState), 3});
  meeting.push_back({PR_SENT_REPRESENTING_NAME, std::string("Bob Baker")});
  CreateItem(meeting, {{"Bob Baker", MAPI_TO},
                       {"olivia owner", MAPI_TO},
                       {"Carol Cook", MAPI_TO},
                       {"Dan O'Brien", MAPI_CC},
                       {"Room One", MAPI_BCC}});
  // An appointment's recipients do not make it a meeting.
  CreateItem(Appointment("Alone", At(2023, 1, 11, 9), At(2023, 1, 11, 10)), {{"Carol Cook", MAPI_TO}});

  ASSERT_EQ(Run(PassKind::kSingle), S_OK) << Events();
  std::vector<StoredRow> rows = Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Text("Organizer"), "Bob Baker");
  EXPECT_EQ(rows[0].Text("Attendees"), "Carol Cook; Dan O'Brien; Room One");
  EXPECT_EQ(rows[0].Text("RequiredAttendees"), "Bob Baker; Carol Cook");
  EXPECT_EQ(rows[0].Text("OptionalAttendees"), "Dan O'Brien");
  EXPECT_EQ(rows[0].Text("Resources"), "Room One");
  EXPECT_EQ(rows[0].Text("MeetingStatus"), "3");
  EXPECT_EQ(rows[1].Text("Organizer"), "");
  EXPECT_EQ(rows[1].Text("Attendees"), "NULL") << "no attendees: the column is left out";
  EXPECT_EQ(rows[1].Text("RequiredAttendees"), "Carol Cook");

  settings_.no_organizer = 1;
  ASSERT_TRUE(db_->Execute("DELETE FROM KorvaleTable1").ok());
  ASSERT_EQ(Run(PassKind::kSingle), S_OK);
  rows = Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Text("Organizer"), "") << "NoOrganizer";
  EXPECT_EQ(rows[0].Text("Attendees"), "Carol Cook; Dan O'Brien; Room One")
      << "the organizer stays no attendee";
}

// A cancelled meeting is published unless SkipCancelledMeetings says otherwise.
TEST_F(SinglePassTest, CancelledMeetingsFollowTheSetting) {
  Open();
  auto cancelled = Appointment("Cancelled", At(2023, 1, 10, 9), At(2023, 1, 10, 10));
  cancelled.push_back({Tag(cp::kMeetingState), 7});
  CreateItem(cancelled);
  ASSERT_EQ(Run(PassKind::kSingle), S_OK);
  EXPECT_EQ(Rows().size(), 1u);
  settings_.skip_cancelled_meetings = 1;
  ASSERT_TRUE(db_->Execute("DELETE FROM KorvaleTable1").ok());
  ASSERT_EQ(Run(PassKind::kSingle), S_OK);
  EXPECT_EQ(Rows().size(), 0u);
}

// Holidays and excluded categories keep items out; minimum security empties the published categories.
TEST_F(SinglePassTest, CategoriesAndTheirFilter) {
  settings_.no_category_for_min_security_users = 1;
  Open();
  auto holiday = Appointment("New Year", At(2023, 1, 2, 0), At(2023, 1, 2, 23, 59));
  holiday.push_back({Tag(cp::kKeywords), std::vector<std::string>{"Holiday"}});
  CreateItem(holiday);
  auto team = Appointment("Standup", At(2023, 1, 3, 9), At(2023, 1, 3, 10));
  team.push_back({Tag(cp::kKeywords), std::vector<std::string>{"Team"}});
  CreateItem(team);

  ASSERT_EQ(Run(PassKind::kSingle), S_OK);
  std::vector<StoredRow> rows = Rows();
  ASSERT_EQ(rows.size(), 1u) << "Holidays=0 leaves the holiday out";
  EXPECT_EQ(rows[0].Text("Category"), "//Team//");

  settings_.holidays = 1;
  settings_.exclude_categories = "Team";
  mailbox_.minimum_security = 1;
  ASSERT_TRUE(db_->Execute("DELETE FROM KorvaleTable1").ok());
  ASSERT_EQ(Run(PassKind::kSingle), S_OK);
  rows = Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Text("Title"), "") << "minimum security: no subject";
  EXPECT_EQ(rows[0].Text("Category"), "") << "NoCategoryForMinSecurityUsers";
}

// Custom fields of each type become literals their columns accept; missing ones get defaults.
TEST_F(SinglePassTest, CustomFieldValuesByType) {
  settings_.custom_field_names = {"Project", "0x8590", "Approved", "Due", "Tags", "Rate"};
  settings_.custom_field_types = {PT_STRING8, PT_LONG, PT_BOOLEAN, PT_SYSTIME, PT_MV_STRING8, PT_DOUBLE};
  Open();
  auto set = Appointment("Custom", At(2023, 1, 10, 9), At(2023, 1, 10, 10));
  for (size_t i = 0; i < tags_.custom.size(); ++i) ASSERT_NE(tags_.custom[i], PR_NULL);
  set.push_back({tags_.custom[0], std::string("Apollo's")});
  set.push_back({tags_.custom[1], 42});
  set.push_back({tags_.custom[2], true});
  set.push_back(SPropValue::Time(tags_.custom[3], FileTime(At(2023, 2, 1, 12))));
  set.push_back({tags_.custom[4], std::vector<std::string>{"a", "b"}});
  set.push_back({tags_.custom[5], 2.5});
  CreateItem(set);
  // Values of another type than configured count as missing.
  auto wrong = Appointment("Defaults", At(2023, 1, 11, 9), At(2023, 1, 11, 10));
  wrong.push_back({CHANGE_PROP_TYPE(tags_.custom[1], PT_STRING8), std::string("not a number")});
  CreateItem(wrong);

  ASSERT_EQ(Run(PassKind::kSingle), S_OK) << Events();
  const std::vector<StoredRow> rows = Rows();
  ASSERT_EQ(rows.size(), 2u) << Events();
  EXPECT_EQ(rows[0].Text("Project"), "Apollo's");
  EXPECT_EQ(rows[0].Text("0x8590"), "42");
  EXPECT_EQ(rows[0].Text("Approved"), "1");
  EXPECT_EQ(rows[0].Time("Due"), "2023-02-01 12:00");
  EXPECT_EQ(rows[0].Text("Tags"), "//a//b//");
  EXPECT_EQ(rows[0].Text("Rate").substr(0, 3), "2.5");
  EXPECT_EQ(rows[1].Text("Project"), "");
  EXPECT_EQ(rows[1].Text("0x8590"), "0");
  EXPECT_EQ(rows[1].Text("Approved"), "0");
  EXPECT_NE(rows[1].Text("Due"), "NULL") << "the database's current time";
}

// The optional columns read their properties and the derived values by kind.
TEST_F(SinglePassTest, OptionalColumnValues) {
  settings_.fields =
      "AllDayEvent, Contacts, Duration, BillingInformation, RecurrenceRangeStart, "
      "ReplyTime, Read, Sent, Encrypted, Signed, StoreID, Text, Importance";
  Open();
  auto props = Appointment("Optional", At(2023, 1, 10, 9), At(2023, 1, 10, 10));
  props.push_back({OptionalTag(OptionalColumn::kAllDayEvent), true});
  props.push_back({OptionalTag(OptionalColumn::kContacts), std::vector<std::string>{"Ann", "Ben"}});
  props.push_back({OptionalTag(OptionalColumn::kDuration), 60});
  props.push_back({PR_BODY, std::string("Agenda: 'numbers'")});
  props.push_back({PR_SECURITY, 2});
  props.push_back({PR_IMPORTANCE, 2});
  CreateItem(props);

  ASSERT_EQ(Run(PassKind::kSingle), S_OK) << Events();
  const std::vector<StoredRow> rows = Rows();
  ASSERT_EQ(rows.size(), 1u) << Events();
  const StoredRow& row = rows[0];
  EXPECT_EQ(row.Text("AllDayEvent"), "1");
  EXPECT_EQ(row.Text("Contacts"), "//Ann//Ben//");
  EXPECT_EQ(row.Text("Duration"), "60");
  EXPECT_EQ(row.Text("BillingInformation"), "") << "missing text";
  EXPECT_TRUE(row.Text("RecurrenceRangeStart") == "" || row.Text("RecurrenceRangeStart") == "NULL")
      << "a missing date is written as an empty text: " << row.Text("RecurrenceRangeStart");
  EXPECT_EQ(row.Text("MsgRead"), "1") << "a new item is read";
  EXPECT_EQ(row.Text("Sent"), "0");
  EXPECT_EQ(row.Text("Encrypted"), "1");
  EXPECT_EQ(row.Text("Signed"), "0");
  EXPECT_EQ(row.Text("Importance"), "2");
  EXPECT_FALSE(row.Text("StoreID").empty());
  EXPECT_EQ(row.Text("ApptText"), "Agenda: 'numbers'") << "markers removed, apostrophes stored once";
}

// A damaged item is reported and skipped, and the items after it are still written.
TEST_F(SinglePassTest, BrokenItemsAreReportedAndSkipped) {
  Open();
  auto wrong_start = Appointment("Wrong start", At(2023, 1, 10, 9), At(2023, 1, 10, 10));
  wrong_start[2] = {CHANGE_PROP_TYPE(Tag(cp::kStart), PT_LONG), 12345};
  CreateItem(wrong_start);
  auto no_start = Appointment("", At(2023, 1, 10, 9), At(2023, 1, 10, 10));
  no_start.erase(no_start.begin() + 2);
  CreateItem(no_start);
  auto wrong_subject = Appointment("x", At(2023, 1, 12, 9), At(2023, 1, 12, 10));
  wrong_subject[1] = {CHANGE_PROP_TYPE(PR_SUBJECT, PT_LONG), 7};
  wrong_subject[5] = {CHANGE_PROP_TYPE(Tag(cp::kBusyStatus), PT_STRING8), std::string("busy")};
  CreateItem(wrong_subject);
  CreateItem(Appointment("Good", At(2023, 1, 13, 9), At(2023, 1, 13, 10)));

  // Every item of the folder, as a pass that met them would see them.
  ASSERT_EQ(RunOver(PassKind::kSingle, nullptr), S_OK);
  const std::vector<StoredRow> rows = Rows();
  ASSERT_EQ(rows.size(), 2u) << Events();
  EXPECT_EQ(rows[0].Text("Title"), "") << "a subject of the wrong type is missing";
  EXPECT_EQ(rows[0].Text("Status"), "2") << "so is a busy status of the wrong type";
  EXPECT_EQ(rows[1].Text("Title"), "Good");
  const std::string tail =
      "' in mailbox Olivia Owner. Some data of this appointment is errorneous. The service "
      "is skipping reading this appointment";
  EXPECT_TRUE(Reported("Error while reading appointment 'Wrong start" + tail)) << Events();
  EXPECT_TRUE(Reported("Error while reading appointment '[unknown or empty subject]" + tail)) << Events();
}

// Shared-table mode identifies rows by the entry identifier; rotation mode leaves ApptID empty.
TEST_F(SinglePassTest, AppointmentIdentifierInSharedTableMode) {
  settings_.table_mode = TableMode::kShared;
  Open();
  const ENTRYID id = CreateItem(Appointment("Shared", At(2023, 1, 10, 9), At(2023, 1, 10, 10)));
  ASSERT_EQ(Run(PassKind::kSingle), S_OK) << Events();
  const std::vector<StoredRow> rows = Rows();
  ASSERT_EQ(rows.size(), 1u) << Events();
  EXPECT_EQ(rows[0].Text("ApptID"), HexFromBin(id));
  EXPECT_EQ(rows[0].Text("KRVService"), "Caldrun");
}

// The linked contact's name arrives in the "; " form.
TEST_F(SinglePassTest, ContactCompany) {
  settings_.get_contact_company = 1;
  Open();
  auto props = Appointment("Visit", At(2023, 1, 10, 9), At(2023, 1, 10, 10));
  props.push_back({Tag(cp::kContactName), std::string("Acme")});
  CreateItem(props);
  ASSERT_EQ(Run(PassKind::kSingle), S_OK) << Events();
  const std::vector<StoredRow> rows = Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Text("ContactCompanyName"), "; Acme; ");
}

// A stop request ends the pass before the next item.
TEST_F(SinglePassTest, StopRequestEndsThePass) {
  Open();
  CreateItem(Appointment("One", At(2023, 1, 10, 9), At(2023, 1, 10, 10)));
  stop_.SetStopFlag();
  ASSERT_EQ(Run(PassKind::kSingle), S_OK);
  EXPECT_TRUE(Rows().empty());
}

}  // namespace
}  // namespace korvale
