// Notification mails: the templates and their placeholders, and the change
// check of non-modifiable meetings with its report and re-booking.
#include <gtest/gtest.h>

#include <set>

#include "agent/booking/notifications/meeting_modifications.h"
#include "agent/booking/notifications/notification_queue.h"
#include "agent/booking/testing/booking_mail_fixture.h"
#include "common/text.h"

namespace korvale::testing {
namespace {

BookingRecord Version(const std::string& title, int status, const std::string& booked_by,
                      const std::string& number = "B-7") {
  BookingRecord r;
  r.title = title;
  r.booked_by = booked_by;
  r.category = "Project";
  r.start = Time(2024, 6, 12, 10, 0);
  r.end = Time(2024, 6, 12, 11, 0);
  r.booking_status = status;
  r.booking_number = number;
  return r;
}

// Without an earlier version in the list, a change mail keeps the "1"
// placeholders as written and still fills the new version.
TEST(NotificationTemplateTest, ChangeMailWithoutEarlierVersionKeepsPlaceholders) {
  AgentSettings settings;
  BookingList list;
  NotificationQueue queue;
  BookingRecord changed = Version("Review v2", 5, "Carl");
  list.Append(changed);
  QueueBookingNotification(queue, settings, list, changed, "Mia", "");
  ASSERT_EQ(queue.size(), 1u);
  const std::string& body = queue.entries()[0].body;
  EXPECT_NE(body.find("From: [START1]\nTo: [END1]\nSubject: [SUBJECT1]"), std::string::npos) << body;
  EXPECT_NE(body.find("Subject: Review v2\nCategory: Project\nBooked by: Carl"), std::string::npos) << body;
  EXPECT_EQ(queue.entries()[0].subject, "A meeting was modified in your calendar");
}

// With the deleted version in the list (status 4, same number) the change mail
// describes it; plain placeholders are not part of a change mail.
TEST(NotificationTemplateTest, ChangeMailDescribesTheFirstDeletedVersion) {
  AgentSettings settings;
  settings.changed_email_body = "[SUBJECT1] by [BOOKED BY1] -> [SUBJECT2] by [BOOKED BY2][CR][START]";
  BookingList list;
  list.Append(Version("Elsewhere", 4, "Bob", "B-8"));
  list.Append(Version("Review", 4, "Mia"));
  list.Append(Version("Review late", 4, "Ann"));
  BookingRecord changed = Version("Review v2", 5, "Carl");
  list.Append(changed);
  NotificationQueue queue;
  QueueBookingNotification(queue, settings, list, changed, "Mia", "00AB");
  ASSERT_EQ(queue.size(), 1u);
  EXPECT_EQ(queue.entries()[0].body, "Review by Mia -> Review v2 by Carl\n[START]");
  EXPECT_EQ(queue.entries()[0].entry_id_length, 2u);
}

// Every occurrence is replaced, including values that contain placeholders.
TEST(NotificationTemplateTest, PlaceholdersReplacedEverywhere) {
  NotificationValues v{"S", "E", "[CR]", "C", "B"};
  EXPECT_EQ(FillLineFeeds(FillPlaceholders("[START][START]-[SUBJECT]-[END]", v)), "SS-\n-E");
  EXPECT_EQ(ReplaceAll("aXa", "a", "aa"), "aaXaa");
}

class ModificationCheckTest : public BookingMailFixture {
 protected:
  void SetUp() override {
    BookingMailFixture::SetUp();
    if (HasFatalFailure()) return;
    settings_.check_meeting_modifications = 1;
    settings_.notification_email = "Admin";
    ConnectBookings();
    Run("INSERT INTO Meetings (Name, Start, EndTime, Title, Status, Location, Office, Category, "
        "Organizer, Attendees, BookingStatus) VALUES ('Carl', '2024-06-12 10:00:00', "
        "'2024-06-12 11:00:00', 'Review', 2, 'Hall', 'N-1$$nMMtg$$', 'Project', 'Mia', 'Ann; Bob', 2)");
  }

  // The check as the cycle runs it, with the calendars this cycle read.
  Status Check(const std::string& table) {
    return bookings_->CheckMeetingModifications(
        table, [this](const std::string& mailbox) { return read_.count(mailbox) > 0; });
  }

  void Run(const std::string& sql) {
    auto done = db().Execute(sql);
    ASSERT_TRUE(done.ok()) << sql << "\n" << done.error().text;
  }

  // A row of the published table as the scan writes a booked appointment.
  void Shown(const std::string& mailbox, const std::string& title) {
    Run("INSERT INTO KorvaleTable1 (Name, Start, EndTime, Title, Status, Location, Category, "
        "KRVBookingNumber) VALUES ('" +
        mailbox + "', '2024-06-12 10:00:00', '2024-06-12 11:00:00', '" + title +
        "', 2, 'hall', '//Project//', 'N-1$$nMMtg$$')");
  }

  std::vector<std::string> Reports() {
    TestMailbox admin = Open("admin", "Admin");
    std::vector<std::string> bodies;
    // Table rows cut long texts, so the body is read from the message itself.
    for (const SRow& row : Rows(*admin.inbox, {PR_SUBJECT, PR_ENTRYID})) {
      EXPECT_EQ(*row[0].String(), "An Korvale non-modifiable meeting was changed or deleted");
      auto message = OpenMessage(*admin.inbox, *row[1].Binary());
      bodies.push_back(*Prop(*message, PR_BODY).String());
    }
    return bodies;
  }

  std::vector<std::string> Statuses() {
    std::vector<std::string> out;
    auto rows = db().Query("SELECT BookingStatus, Reserved1 FROM Meetings ORDER BY BookingStatus");
    EXPECT_TRUE(rows.ok());
    for (const SqlRow& row : *rows) {
      out.push_back(std::to_string(row.Int("BookingStatus").value_or(-1)) + "/" +
                    row.Text("Reserved1").value_or("null"));
    }
    return out;
  }

  std::set<std::string> read_{"Mia", "Ann", "Bob"};
};

// One attendee changed the subject: one report naming that attendee with the
// data the mailbox shows, the booking queued to be written again, and no
// second report in the next cycle.
TEST_F(ModificationCheckTest, ChangedAttendeeReportedOnceAndBookedBack) {
  settings_.auto_book_back_to_original = 1;
  Shown("Mia", "Review");
  Shown("Ann", "Review (moved?)");
  Shown("Bob", "REVIEW");

  Status s = Check("KorvaleTable1");
  ASSERT_TRUE(s.ok()) << s.message() << "\n" << log_.Describe();

  auto reports = Reports();
  ASSERT_EQ(reports.size(), 1u) << log_.Describe();
  EXPECT_EQ(reports[0],
            "The following meeting was changed or deleted in the mailbox(es):\r\nAnn\r\n\r\n"
            "Original meeting:\r\n\r\nBooked by: Carl\r\nStart: 06/12/24 10:00:00\r\nEnd: 06/12/24 "
            "11:00:00\r\nTitle: Review\r\nLocation: Hall\r\nCategory: Project\r\nOrganizer: Mia\r\n"
            "Attendees: Ann; Bob\r\n\r\n\r\nChanged data:\r\n\r\nUser Ann:\r\nStart: 06/12/24 "
            "10:00:00\r\nEnd: 06/12/24 11:00:00\r\nTitle: Review (moved?)\r\nLocation: hall\r\n"
            "Category: Project");
  EXPECT_EQ(Statuses(), (std::vector<std::string>{"4/1", "5/1"}))
      << "the original cancelled, a copy to re-book, both marked reported";
  EXPECT_TRUE(log_.Traced("5 AS Expr2"));
  bool logged_update = false;
  for (const auto& e : log_.EventsWithId(event_id::kGeneral)) {
    logged_update |=
        e.texts.at(0) == "UPDATE Meetings SET BookingStatus = '4' WHERE (Office = 'N-1$$nMMtg$$')";
  }
  EXPECT_TRUE(logged_update) << log_.Describe();

  ASSERT_TRUE(Check("KorvaleTable1").ok());
  EXPECT_EQ(Reports().size(), 1u) << "a report is sent once";
}

// The meeting vanished from one attendee's calendar: the report names the
// attendee without a changed-data section; the row stays booked but reported.
TEST_F(ModificationCheckTest, DeletedFromAttendeeIsReportedAsMissing) {
  Shown("Mia", "Review");
  Shown("Ann", "Review");

  ASSERT_TRUE(Check("KorvaleTable1").ok()) << log_.Describe();

  auto reports = Reports();
  ASSERT_EQ(reports.size(), 1u) << log_.Describe();
  EXPECT_EQ(
      reports[0].rfind("The following meeting was changed or deleted in the mailbox(es):\r\nBob\r\n", 0), 0u)
      << reports[0];
  EXPECT_EQ(reports[0].find("Changed data"), std::string::npos);
  EXPECT_EQ(Statuses(), std::vector<std::string>{"2/1"});
}

// A mailbox this cycle did not read (its scan failed, another agent
// publishes it, or it is a one-off address) cannot show that the meeting was
// deleted: nothing is reported and nothing is booked back.
TEST_F(ModificationCheckTest, MailboxNotReadInThisCycleIsNotMissing) {
  settings_.auto_book_back_to_original = 1;
  Shown("Mia", "Review");
  Shown("Ann", "Review");
  read_ = {"Mia", "Ann"};

  ASSERT_TRUE(Check("KorvaleTable1").ok()) << log_.Describe();

  EXPECT_TRUE(Reports().empty()) << log_.Describe();
  EXPECT_EQ(Statuses(), std::vector<std::string>{"2/null"}) << "nobody changed the meeting";
}

// A report that cannot be sent leaves the booking unreported for the next
// cycle, and the failure names the notification mailbox's store.
TEST_F(ModificationCheckTest, UnsentReportIsTriedAgain) {
  Shown("Mia", "Changed");
  settings_.notification_mailbox = "not a mailbox";
  ASSERT_TRUE(Check("KorvaleTable1").ok());
  EXPECT_EQ(Statuses(), std::vector<std::string>{"2/null"});
  auto warnings = log_.EventsWithId(event_id::kGeneral);
  ASSERT_FALSE(warnings.empty());
  EXPECT_EQ(warnings.back().texts.at(0).rfind("CreateStoreEntryID failed with Code = ", 0), 0u);
  EXPECT_NE(warnings.back().texts.at(0).find("while trying to send notification email for changed meeting"),
            std::string::npos);
}

// A statement the database refuses ends the check with the database's text.
TEST_F(ModificationCheckTest, RefusedStatementEndsTheCheck) {
  Status s = Check("NoSuchTable");
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(s.code(), kCheckDatabaseFailure);
  EXPECT_NE(s.message().find("NoSuchTable"), std::string::npos) << s.message();
}

// The statements in shared-table mode and for Oracle.
TEST(ModificationStatementsTest, SharedTableAndOracleForms) {
  MeetingsScope shared{Dialect::kSqlServer, "", true, "Korvale"};
  EXPECT_EQ(SelectUnreportedNonModifiable(shared),
            "SELECT * FROM Meetings WHERE ((Reserved2='Korvale') AND (BookingStatus=2) AND (Office LIKE "
            "'%$$nMMtg$$%') AND ((Reserved1 IS NULL) OR (Reserved1 <> '1')))");
  EXPECT_EQ(CancelForRebooking(shared, "N'1"),
            "UPDATE Meetings SET BookingStatus = '4' WHERE ((Office = 'N''1') AND (Reserved2='Korvale'))");
  EXPECT_EQ(MarkReported(shared, "N"),
            "UPDATE Meetings SET Reserved1 = '1' WHERE ((Office='N') AND (Reserved2='Korvale'))");
  MeetingsScope oracle{Dialect::kOracle, "", false, ""};
  std::string copy = CopyForRebooking(oracle, "N");
  EXPECT_EQ(copy.find("Start,"), std::string::npos) << copy;
  EXPECT_NE(copy.find("INSERT INTO Meetings (Name, StartTime, EndTime"), std::string::npos) << copy;
  EXPECT_NE(copy.find("SELECT Name, StartTime, EndTime"), std::string::npos) << copy;
  EXPECT_EQ(SelectMailboxRows("KorvaleTable2", "N", "O'Neil", Dialect::kOracle),
            "SELECT * FROM KorvaleTable2 WHERE KRVBookingNumber = 'N' AND Name = 'O''Neil' ORDER BY "
            "STARTTIME, ENDTIME");
}

}  // namespace
}  // namespace korvale::testing
