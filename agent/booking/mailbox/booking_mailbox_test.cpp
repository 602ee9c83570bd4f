// The booking writer against a real organisation store and SQLite calendar
// database: what lands in calendars and inboxes for each kind of booking.
#include <gtest/gtest.h>

#include <set>

#include "agent/booking/mailbox/book_into_mailbox.h"
#include "agent/booking/mailbox/meeting_identifiers.h"
#include "agent/booking/mailbox/meeting_recipients.h"
#include "agent/booking/testing/booking_mail_fixture.h"

namespace korvale::testing {
namespace {

namespace cp = calendar_prop;

class BookIntoMailboxTest : public BookingMailFixture {
 protected:
  // The appointments of a mailbox's calendar with the columns the tests read.
  std::vector<SRow> Appointments(const TestMailbox& m) {
    return Rows(*m.calendar, {PR_ENTRYID, PR_SUBJECT, m.Tag(cp::kBookingNumber), m.Tag(cp::kStart),
                              m.Tag(cp::kEnd), PR_MESSAGE_CLASS});
  }
  std::shared_ptr<IMessage> OnlyAppointment(const TestMailbox& m) {
    auto rows = Appointments(m);
    EXPECT_EQ(rows.size(), 1u) << m.name << "'s calendar";
    if (rows.size() != 1) return nullptr;
    return OpenMessage(*m.calendar, *rows[0][0].Binary());
  }
};

// The central case: the organizer's appointment carries the attendees and the
// booking number, each attendee gets one request and the organizer one mail.
TEST_F(BookIntoMailboxTest, MeetingForOrganizerInvitesAttendeesAndNotifiesOrganizer) {
  TestMailbox mia = Open("mia", "Mia"), ann = Open("ann", "Ann"), bob = Open("bob", "Bob");
  bookings_->list().Append(Meeting());

  EXPECT_EQ(bookings_->BookIntoMailbox(mia.Target()), S_OK) << log_.Describe();

  auto appointment = OnlyAppointment(mia);
  ASSERT_TRUE(appointment);
  EXPECT_EQ(*Prop(*appointment, PR_MESSAGE_CLASS).String(), "IPM.Appointment");
  EXPECT_EQ(*Prop(*appointment, PR_SUBJECT).String(), "Review");
  EXPECT_EQ(*Prop(*appointment, PR_BODY).String(), "Booked by Carl\n") << "history text plus empty ACL";
  EXPECT_EQ(*Prop(*appointment, mia.Tag(cp::kBookingNumber)).String(), "B-1");
  EXPECT_EQ(Prop(*appointment, mia.Tag(cp::kStart)).FileTime()->ft, Utc(2024, 6, 12, 9))
      << "local 10:00 one hour east is 09:00 UTC";
  EXPECT_EQ(Prop(*appointment, PR_END_DATE).FileTime()->ft, Utc(2024, 6, 12, 10));
  EXPECT_EQ(*Prop(*appointment, mia.Tag(cp::kMeetingState)).Long(), 1);
  EXPECT_EQ(*Prop(*appointment, mia.Tag(cp::kResponseStatus)).Long(), 1);
  EXPECT_EQ(*Prop(*appointment, mia.Tag(cp::kBusyStatus)).Long(), 2);
  EXPECT_EQ(*Prop(*appointment, PR_ICON_INDEX).Long(), 0x402);
  EXPECT_EQ(*Prop(*appointment, PR_SENT_REPRESENTING_NAME).String(), "Mia");
  EXPECT_EQ(*Prop(*appointment, mia.Tag(cp::kKeywords)).MVString(), std::vector<std::string>{"Project"});
  EXPECT_EQ(Prop(*appointment, mia.Tag(cp::kTimeZoneStruct)).Binary()->size(), 48u);
  const SPropValue global_id = Prop(*appointment, mia.Tag(cp::kGlobalObjectId));
  const SBinary* global = global_id.Binary();
  ASSERT_TRUE(global);
  EXPECT_EQ(global->size(), kGlobalObjectIdSize);
  EXPECT_EQ(*Prop(*appointment, mia.Tag(cp::kCleanGlobalObjectId)).Binary(), *global);
  EXPECT_EQ(Recipients(*appointment), (std::vector<std::string>{"Ann:1", "Bob:1"}));

  EXPECT_EQ(Classes(*ann.inbox), std::vector<std::string>{"IPM.Schedule.Meeting.Request"});
  EXPECT_EQ(Classes(*bob.inbox), std::vector<std::string>{"IPM.Schedule.Meeting.Request"});
  auto request_row = Rows(*ann.inbox, {PR_ENTRYID});
  auto request = OpenMessage(*ann.inbox, *request_row.at(0)[0].Binary());
  EXPECT_EQ(*Prop(*request, ann.Tag(cp::kMeetingState)).Long(), 3);
  EXPECT_EQ(*Prop(*request, ann.Tag(cp::kBusyStatus)).Long(), 1) << "tentative until answered";
  EXPECT_EQ(*Prop(*request, ann.Tag(cp::kGlobalObjectId)).Binary(), *global)
      << "the request names the organizer's meeting";
  EXPECT_EQ(Classes(*mia.calendar).size(), 1u) << "the submitted request leaves no copy behind";

  const auto& queued = bookings_->notifications().entries();
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(queued[0].mailbox_name, "Mia");
  EXPECT_EQ(queued[0].mailbox_entry_id, HexFromBin(mia.owner)) << "the owner as the scan found it";
  EXPECT_EQ(queued[0].subject, "A new meeting was booked in your calendar");
  EXPECT_EQ(queued[0].body,
            "From: 06/12/24 10:00:00\nTo: 06/12/24 11:00:00\nSubject: Review\nCategory: Project\n"
            "Booked by: Carl");

  bookings_->SendInboxNotifications();
  auto notes = Rows(*mia.inbox, {PR_MESSAGE_CLASS, PR_SUBJECT});
  ASSERT_EQ(notes.size(), 1u) << log_.Describe();
  EXPECT_EQ(*notes[0][0].String(), "IPM.Note");
  EXPECT_EQ(*notes[0][1].String(), "A new meeting was booked in your calendar");
}

// "no invitation" writes straight into each named calendar; no mail goes out.
TEST_F(BookIntoMailboxTest, NoInvitationBooksEachNamedAttendeeWithoutRecipients) {
  TestMailbox mia = Open("mia", "Mia"), ann = Open("ann", "Ann"), bob = Open("bob", "Bob");
  BookingRecord r = Meeting();
  r.organizer.clear();
  r.no_invitation = true;
  bookings_->list().Append(r);
  settings_.inbox_notification_direct_booked_appt = 0;

  for (TestMailbox* m : {&mia, &ann, &bob}) EXPECT_EQ(bookings_->BookIntoMailbox(m->Target()), S_OK);

  EXPECT_TRUE(Appointments(mia).empty()) << "the organizer column is not used";
  for (TestMailbox* m : {&ann, &bob}) {
    auto appointment = OnlyAppointment(*m);
    ASSERT_TRUE(appointment);
    EXPECT_TRUE(Recipients(*appointment).empty());
    EXPECT_EQ(*Prop(*appointment, m->Tag(cp::kMeetingState)).Long(), 0);
    EXPECT_TRUE(Classes(*m->inbox).empty());
  }
  EXPECT_TRUE(bookings_->notifications().empty()) << "notifications switched off";
}

// A resource is a blind-copy recipient; both marker forms disappear from names.
TEST_F(BookIntoMailboxTest, ResourceMarkersMakeBlindCopiesAndAreRemoved) {
  TestMailbox mia = Open("mia", "Mia"), room = Open("room1", "Room 1");
  BookingRecord r = Meeting();
  r.recipients =
      "$R$Room 1$R$; \xA3R\xA3"
      "Ann; Bob\xC2\xA3R\xC2\xA3";
  bookings_->list().Append(r);

  EXPECT_EQ(bookings_->BookIntoMailbox(mia.Target()), S_OK) << log_.Describe();

  auto appointment = OnlyAppointment(mia);
  ASSERT_TRUE(appointment);
  EXPECT_EQ(Recipients(*appointment), (std::vector<std::string>{"Room 1:3", "Ann:1", "Bob:1"}));
  EXPECT_EQ(Classes(*room.inbox), std::vector<std::string>{"IPM.Schedule.Meeting.Request"});
}

// Someone the directory does not know is invited by the address in the user
// row of the active table; without such a row the name is reported.
TEST_F(BookIntoMailboxTest, UnknownAttendeeIsInvitedByTheAddressOfTheUserRow) {
  TestMailbox mia = Open("mia", "Mia");
  auto inserted = db().Execute(
      "INSERT INTO KorvaleTable2 (Name, Start, EndTime, Status, Title) VALUES ('Zed Outsider', "
      "'2024-06-01 00:00:00', '2024-06-01 00:00:00', 9, 'zed@partner.example')");
  ASSERT_TRUE(inserted.ok()) << inserted.error().text;
  BookingRecord r = Meeting();
  r.recipients = "Ann; Zed Outsider; Nobody Known";
  bookings_->list().Append(r);

  EXPECT_EQ(bookings_->BookIntoMailbox(mia.Target()), S_OK);

  EXPECT_TRUE(
      log_.Traced("SELECT Title FROM KorvaleTable2 WHERE ((Status=9) AND (Name LIKE 'Zed Outsider'))"));
  auto outbound = org_->ListOutboundMail();
  ASSERT_TRUE(outbound.ok());
  std::vector<std::string> addresses;
  for (const auto& mail : *outbound) addresses.push_back(mail.address_type + ":" + mail.address);
  EXPECT_NE(std::find(addresses.begin(), addresses.end(), "SMTP:zed@partner.example"), addresses.end())
      << "the request went out to the one-off address";
  auto warnings = log_.EventsWithId(event_id::kGeneral);
  auto said = [&](const std::string& text) {
    for (const auto& e : warnings) {
      if (!e.texts.empty() && e.texts[0] == text) return true;
    }
    return false;
  };
  EXPECT_TRUE(
      said("Nobody Known could not be resolved in the Addressbook to send a meeting request "
           "and SMTP address not found in database"))
      << log_.Describe();
  EXPECT_TRUE(said("Nobody Known could not be resolved in the Addressbook to send a meeting request"));
  EXPECT_FALSE(said("Zed Outsider could not be resolved in the Addressbook to send a meeting request"));
}

// A booking ending at 23:59 is a whole-day one; reminder 0 switches the reminder off.
TEST_F(BookIntoMailboxTest, EndAt2359BecomesAllDayAndZeroReminderIsOff) {
  TestMailbox ann = Open("ann", "Ann");
  BookingRecord r = DirectForAnn();
  r.start = Time(2024, 6, 12, 0, 0);
  r.end = Time(2024, 6, 12, 23, 59);
  r.is_private = true;
  bookings_->list().Append(r);
  BookingRecord reminded = r;
  reminded.booking_number = "B-2";
  reminded.end = Time(2024, 6, 12, 23, 30);
  reminded.reminder_minutes = 15;
  bookings_->list().Append(reminded);

  EXPECT_EQ(bookings_->BookIntoMailbox(ann.Target()), S_OK);

  auto rows = Appointments(ann);
  ASSERT_EQ(rows.size(), 2u);
  for (const SRow& row : rows) {
    auto appointment = OpenMessage(*ann.calendar, *row[0].Binary());
    bool first = *row[2].String() == "B-1";
    SPropValue all_day = Prop(*appointment, ann.Tag(cp::kAllDay));
    SPropValue reminder = Prop(*appointment, ann.Tag(cp::kReminderSet));
    EXPECT_TRUE(*Prop(*appointment, ann.Tag(cp::kPrivate)).Boolean());
    if (first) {
      EXPECT_TRUE(all_day.Boolean() && *all_day.Boolean());
      EXPECT_EQ(Prop(*appointment, ann.Tag(cp::kEnd)).FileTime()->ft, Utc(2024, 6, 12, 23))
          << "the next local midnight, in UTC";
      EXPECT_FALSE(*reminder.Boolean());
    } else {
      EXPECT_EQ(all_day.Boolean(), nullptr) << "the all-day flag is written only when set";
      EXPECT_TRUE(*reminder.Boolean());
      EXPECT_EQ(*Prop(*appointment, ann.Tag(cp::kReminderMinutes)).Long(), 15);
    }
  }
}

// A cancellation removes the booked appointment, tells the attendees, keeps
// the deleted values in the list and queues the deletion mail.
TEST_F(BookIntoMailboxTest, CancellationDeletesByBookingNumberAndSendsCancellations) {
  TestMailbox mia = Open("mia", "Mia"), ann = Open("ann", "Ann"), bob = Open("bob", "Bob");
  bookings_->list().Append(Meeting("B-1"));
  bookings_->list().Append(Meeting("B-OTHER"));
  ASSERT_EQ(bookings_->BookIntoMailbox(mia.Target()), S_OK);
  ASSERT_EQ(Appointments(mia).size(), 2u);

  settings_.notify_admins_delete = 1;
  settings_.notification_email = "Admin";
  bookings_->list().Clear();
  bookings_->notifications().Clear();
  BookingRecord cancel = Meeting("B-1");
  cancel.booking_status = 3;
  cancel.booked_by = "Dora";
  bookings_->list().Append(cancel);
  EXPECT_EQ(bookings_->BookIntoMailbox(mia.Target()), S_OK) << log_.Describe();

  auto left = Appointments(mia);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(*left[0][2].String(), "B-OTHER");
  EXPECT_EQ(Classes(*ann.inbox),
            (std::vector<std::string>{"IPM.Schedule.Meeting.Request", "IPM.Schedule.Meeting.Request",
                                      "IPM.Schedule.Meeting.Canceled"}));
  EXPECT_EQ(Classes(*bob.inbox).back(), "IPM.Schedule.Meeting.Canceled");

  const BookingRecord& kept = bookings_->list().at(0);
  EXPECT_EQ(kept.booked_by, "Dora") << "later deletion mails still name the booking user";
  EXPECT_EQ(kept.deleted_in, "Mia") << "the deleted version is described as the mailbox's";
  EXPECT_EQ(kept.title, "Review");
  EXPECT_EQ(kept.category, "Project");
  EXPECT_EQ(kept.start, Time(2024, 6, 12, 10, 0)) << "back in the mailbox's local time";
  EXPECT_EQ(kept.booking_status, 3);

  const auto& queued = bookings_->notifications().entries();
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(queued[0].kind, NotificationKind::kDeletion);
  EXPECT_EQ(queued[0].body,
            "From: 06/12/24 10:00:00\nTo: 06/12/24 11:00:00\nSubject: Review\nCategory: Project\n"
            "Deleted by: Dora");
  auto deleting = log_.EventsWithId(event_id::kGeneral);
  ASSERT_FALSE(deleting.empty());
  EXPECT_EQ(deleting.back().texts.at(0),
            "Deleting the following meeting in mailbox Mia:\r\nSubject: Review\r\nStart: 06/12/24 "
            "10:00:00\r\nEnd: 06/12/24 11:00:00\r\nCategory: Project\r\nKRVBookingNumber: B-1\r\n"
            "BookingStatus: 3");

  // With NotifyAdminsDelete the owner gets it and every administrator a copy.
  bookings_->SendInboxNotifications();
  TestMailbox admin = Open("admin", "Admin");
  EXPECT_EQ(Classes(*mia.inbox), std::vector<std::string>{"IPM.Note"});
  EXPECT_EQ(Classes(*admin.inbox), std::vector<std::string>{"IPM.Note"});
}

// With the ACLw entry identifier only that appointment goes, even when others
// carry the same booking number; status 4 queues no deletion mail.
TEST_F(BookIntoMailboxTest, CancellationWithEntryIdDeletesOnlyThatAppointment) {
  TestMailbox ann = Open("ann", "Ann");
  BookingRecord direct = DirectForAnn("B-9");
  bookings_->list().Append(direct);
  bookings_->list().Append(direct);
  ASSERT_EQ(bookings_->BookIntoMailbox(ann.Target()), S_OK);
  auto rows = Appointments(ann);
  ASSERT_EQ(rows.size(), 2u);
  const ENTRYID doomed = *rows[1][0].Binary();

  bookings_->list().Clear();
  bookings_->notifications().Clear();
  BookingRecord cancel = direct;
  cancel.booking_status = 4;
  cancel.entry_id = HexFromBin(doomed);
  bookings_->list().Append(cancel);
  EXPECT_EQ(bookings_->BookIntoMailbox(ann.Target()), S_OK) << log_.Describe();

  auto left = Appointments(ann);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_NE(*left[0][0].Binary(), doomed);
  EXPECT_TRUE(bookings_->notifications().empty());
}

// A re-booking with an ACLw points every Meetings row naming the old
// appointment at the new one.
TEST_F(BookIntoMailboxTest, RebookingRewritesTheEntryIdOfTheMeetingsRows) {
  TestMailbox mia = Open("mia", "Mia");
  auto inserted = db().Execute(
      "INSERT INTO Meetings (Name, Start, EndTime, Status, Office, BookingStatus, ACLw) VALUES "
      "('Carl', '2024-06-12 10:00:00', '2024-06-12 11:00:00', 2, 'B-5', 2, 'xxOLD0001yy')");
  ASSERT_TRUE(inserted.ok()) << inserted.error().text;
  BookingRecord again = Meeting("B-5");
  again.booking_status = 5;
  again.entry_id = "OLD0001";
  bookings_->list().Append(again);

  EXPECT_EQ(bookings_->BookIntoMailbox(mia.Target()), S_OK) << log_.Describe();

  auto rows = Appointments(mia);
  ASSERT_EQ(rows.size(), 1u);
  auto stored = db().QueryFirst("SELECT ACLw FROM Meetings WHERE Office='B-5'");
  ASSERT_TRUE(stored.ok() && stored->has_value());
  EXPECT_EQ((*stored)->Text("ACLw").value_or(""), HexFromBin(*rows[0][0].Binary()));
  EXPECT_EQ(bookings_->notifications().entries().at(0).kind, NotificationKind::kChange);
}

// A cancellation that reaches three mailboxes queues three deletion mails, and
// each names the booking user: the deleted version kept in the list for the
// change mail must not become the next mailbox's "Deleted by".
TEST_F(BookIntoMailboxTest, CancellationAcrossThreeMailboxesNamesTheBookingUser) {
  TestMailbox ann = Open("ann", "Ann"), bob = Open("bob", "Bob"), mia = Open("mia", "Mia");
  BookingRecord direct = DirectForAnn("B-3");
  direct.recipients = "Ann; Bob; Mia";
  bookings_->list().Append(direct);
  for (TestMailbox* m : {&ann, &bob, &mia}) ASSERT_EQ(bookings_->BookIntoMailbox(m->Target()), S_OK);

  bookings_->list().Clear();
  bookings_->notifications().Clear();
  BookingRecord cancel = direct;
  cancel.booking_status = 3;
  cancel.booked_by = "Dora";
  bookings_->list().Append(cancel);
  for (TestMailbox* m : {&ann, &bob, &mia}) {
    EXPECT_EQ(bookings_->BookIntoMailbox(m->Target()), S_OK) << log_.Describe();
    EXPECT_TRUE(Appointments(*m).empty()) << m->name;
  }

  const auto& queued = bookings_->notifications().entries();
  ASSERT_EQ(queued.size(), 3u);
  for (size_t i = 0; i < queued.size(); ++i) {
    EXPECT_EQ(queued[i].mailbox_name, (std::vector<std::string>{"Ann", "Bob", "Mia"})[i]);
    EXPECT_NE(queued[i].body.find("Deleted by: Dora"), std::string::npos) << queued[i].body;
  }
  EXPECT_EQ(bookings_->list().at(0).booked_by, "Dora");
  EXPECT_EQ(bookings_->list().at(0).deleted_in, "Mia") << "the change mail's earlier version";
}

// A cancellation mail that cannot be sent (the organizer's copy lost its
// attendees) is reported, and the appointment is deleted all the same: the
// row goes to status 4 and is removed, so nothing would ever delete it later.
TEST_F(BookIntoMailboxTest, FailedCancellationMailStillDeletesTheAppointment) {
  TestMailbox ann = Open("ann", "Ann");
  bookings_->list().Append(DirectForAnn("B-4"));  // the same booking, without recipients
  ASSERT_EQ(bookings_->BookIntoMailbox(ann.Target()), S_OK);
  ASSERT_EQ(Appointments(ann).size(), 1u);

  bookings_->list().Clear();
  bookings_->notifications().Clear();
  BookingRecord cancel = Meeting("B-4");
  cancel.organizer = "Ann";
  cancel.recipients = "Bob";
  cancel.booking_status = 3;
  bookings_->list().Append(cancel);
  EXPECT_EQ(bookings_->BookIntoMailbox(ann.Target()), MAPI_E_NO_RECIPIENTS) << log_.Describe();

  EXPECT_TRUE(Appointments(ann).empty()) << "deleted although no cancellation could go out";
  bool reported = false;
  for (const auto& e : log_.EventsWithId(event_id::kGeneral)) {
    reported |= e.texts.at(0).rfind("SubmitMessage failed with Code = ", 0) == 0;
  }
  EXPECT_TRUE(reported) << log_.Describe();
  EXPECT_EQ(bookings_->notifications().size(), 1u) << "the owner still learns of the deletion";
}

// The owner's notification goes to the entry the scan opened, not to whoever
// the address book finds by the display name.
TEST_F(BookIntoMailboxTest, NotificationUsesTheScansOwnerEntry) {
  TestMailbox ann = Open("ann", "Ann");
  ADRLIST list;
  list.aEntries.push_back({{SPropValue(PR_DISPLAY_NAME, std::string("Mia")),
                            SPropValue(PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_TO))}});
  ASSERT_EQ(address_book_->ResolveName(0, 0, "", &list), S_OK);
  const SPropValue* id = PpropFindProp(list.aEntries[0].rgPropVals, PR_ENTRYID);
  ASSERT_TRUE(id && id->Binary());
  const ENTRYID owner = *id->Binary();  // as if Ann's mailbox were owned by this entry
  MailboxBookingTarget target{ann.name, ann.dl_value, *ann.calendar, ann.tags, ann.zone, &owner};
  bookings_->list().Append(DirectForAnn());

  ASSERT_EQ(bookings_->BookIntoMailbox(target), S_OK) << log_.Describe();

  ASSERT_EQ(bookings_->notifications().size(), 1u);
  EXPECT_EQ(bookings_->notifications().entries()[0].mailbox_entry_id, HexFromBin(owner));
}

// A "no invitation" re-booking also records the new appointment's identifier,
// so that a later cancellation by identifier finds it.
TEST_F(BookIntoMailboxTest, NoInvitationRebookingRewritesTheEntryIdToo) {
  TestMailbox ann = Open("ann", "Ann");
  auto inserted = db().Execute(
      "INSERT INTO Meetings (Name, Start, EndTime, Status, Office, BookingStatus, ACLw) VALUES "
      "('Carl', '2024-06-12 10:00:00', '2024-06-12 11:00:00', 2, 'B-6', 2, 'OLD0002')");
  ASSERT_TRUE(inserted.ok()) << inserted.error().text;
  BookingRecord again = DirectForAnn("B-6");
  again.booking_status = 5;
  again.entry_id = "OLD0002";
  bookings_->list().Append(again);

  EXPECT_EQ(bookings_->BookIntoMailbox(ann.Target()), S_OK) << log_.Describe();

  auto rows = Appointments(ann);
  ASSERT_EQ(rows.size(), 1u);
  auto stored = db().QueryFirst("SELECT ACLw FROM Meetings WHERE Office='B-6'");
  ASSERT_TRUE(stored.ok() && stored->has_value());
  EXPECT_EQ((*stored)->Text("ACLw").value_or(""), HexFromBin(*rows[0][0].Binary()));
}

// Where an earlier run left a record, as the booking journal tells it.
class FakeProgress : public BookingProgress {
 public:
  bool ReachedEarlier(const BookingRecord& record, const std::string& mailbox) const override {
    return earlier.count(record.booking_number + "@" + mailbox) > 0;
  }
  bool Remember(const BookingRecord& record, const std::string& mailbox) override {
    remembered.push_back(record.booking_number + "@" + mailbox);
    return can_remember;
  }
  std::set<std::string> earlier;
  std::vector<std::string> remembered;
  bool can_remember = true;
};

// A run that ended between marking a new appointment and saving it left a
// mark but no appointment: it is made now, and only then. A deletion an
// earlier run marked is not repeated (a re-booking may have followed it), and
// an appointment whose mark cannot be written waits for a later cycle.
TEST_F(BookIntoMailboxTest, JournalMarksDecideWhatIsMadeAgain) {
  TestMailbox ann = Open("ann", "Ann");
  FakeProgress progress;
  BookingWriter writer{settings_,
                       log_,
                       db(),
                       *address_book_,
                       "KorvaleTable2",
                       bookings_->list(),
                       bookings_->notifications(),
                       {},
                       {},
                       &progress};
  bookings_->list().Append(DirectForAnn("B-1"));
  progress.earlier = {"B-1@Ann"};
  ASSERT_EQ(BookIntoMailbox(writer, ann.Target()), S_OK) << log_.Describe();
  EXPECT_EQ(Appointments(ann).size(), 1u) << "marked, but never saved: made now";
  ASSERT_EQ(BookIntoMailbox(writer, ann.Target()), S_OK);
  EXPECT_EQ(Appointments(ann).size(), 1u) << "marked and in the calendar: not made twice";
  EXPECT_TRUE(progress.remembered.empty()) << "the earlier mark stands";

  bookings_->list().Clear();
  BookingRecord cancel = DirectForAnn("B-1");
  cancel.booking_status = 4;
  bookings_->list().Append(cancel);
  ASSERT_EQ(BookIntoMailbox(writer, ann.Target()), S_OK);
  EXPECT_EQ(Appointments(ann).size(), 1u) << "an earlier run deleted it already";
  progress.earlier.clear();
  ASSERT_EQ(BookIntoMailbox(writer, ann.Target()), S_OK);
  EXPECT_TRUE(Appointments(ann).empty());
  EXPECT_EQ(progress.remembered, std::vector<std::string>{"B-1@Ann"}) << "marked once done";

  bookings_->list().Clear();
  bookings_->list().Append(DirectForAnn("B-2"));
  progress.can_remember = false;
  ASSERT_EQ(BookIntoMailbox(writer, ann.Target()), S_OK);
  EXPECT_TRUE(Appointments(ann).empty()) << "without its mark it is made in a later cycle";
}

// A record that cannot be applied is reported and the next one still is.
TEST_F(BookIntoMailboxTest, OneBrokenRecordDoesNotStopTheOthers) {
  TestMailbox ann = Open("ann", "Ann");
  BookingRecord broken = DirectForAnn("B-X");
  broken.booking_status = 3;
  broken.entry_id = "not hex";
  bookings_->list().Append(broken);
  BookingRecord fine = broken;
  fine.booking_status = 1;
  fine.entry_id.clear();
  bookings_->list().Append(fine);

  EXPECT_EQ(bookings_->BookIntoMailbox(ann.Target()), MAPI_E_INVALID_PARAMETER)
      << "the result names the failure";
  EXPECT_EQ(Appointments(ann).size(), 1u);
  auto warnings = log_.EventsWithId(event_id::kGeneral);
  ASSERT_EQ(warnings.size(), 1u) << log_.Describe();
  EXPECT_EQ(warnings[0].texts.at(0), "AllocBuffer for FBinFromHex failed with Code = 80070057");
}

// A mailbox in the exception list gets no notification, found by substring.
TEST_F(BookIntoMailboxTest, ExceptionListSuppressesNotificationsBySubstring) {
  TestMailbox ann = Open("ann", "Ann");
  settings_.inbox_notification_exception_list = "JoAnn; Bert";
  BookingRecord r = DirectForAnn();
  bookings_->list().Append(r);
  EXPECT_EQ(bookings_->BookIntoMailbox(ann.Target()), S_OK);
  EXPECT_EQ(Appointments(ann).size(), 1u);
  EXPECT_TRUE(bookings_->notifications().empty());
}

// Which records concern a mailbox: the four rules, all substring tests.
TEST(ConcernsMailboxTest, FourRulesBySubstring) {
  BookingRecord meeting;
  meeting.organizer = "Mia";
  meeting.recipients = "Ann; Bob";
  meeting.attendees = true;
  EXPECT_TRUE(ConcernsMailbox(meeting, "Mia", ""));
  EXPECT_FALSE(ConcernsMailbox(meeting, "Ann", "")) << "attendees get a request, not a booking";
  meeting.organizer = "$R$Room 1$R$";
  EXPECT_TRUE(ConcernsMailbox(meeting, "Room 1", ""));

  BookingRecord direct;
  direct.recipients = "JoAnn";
  direct.no_invitation = true;
  EXPECT_TRUE(ConcernsMailbox(direct, "Ann", "")) << "Ann is part of JoAnn";
  EXPECT_FALSE(ConcernsMailbox(direct, "Bob", ""));

  BookingRecord group;
  group.recipients = "Team//";
  EXPECT_TRUE(ConcernsMailbox(group, "Bob", "Team//Sales")) << "the DL value holds the recipients";
  EXPECT_FALSE(ConcernsMailbox(group, "Bob", "Sales"));
  group.recipients.clear();
  EXPECT_FALSE(ConcernsMailbox(group, "Bob", "Sales")) << "empty recipients match no DL";

  BookingRecord personal;
  personal.recipients = "Ann;Bob";
  personal.personal_group = true;
  EXPECT_TRUE(ConcernsMailbox(personal, "Bob", ""));
}

// The identifier layout of a new meeting and a fresh GUID for each.
TEST(MeetingIdentifiersTest, LayoutAndFreshData) {
  const uint64_t created = 0x01DAB2C3D4E5F607ULL;
  MeetingIdentifiers a = NewMeetingIdentifiers(created), b = NewMeetingIdentifiers(created);
  ASSERT_EQ(a.global.size(), 56u);
  const std::vector<uint8_t> class_id = {0x04, 0x00, 0x00, 0x00, 0x82, 0x00, 0xE0, 0x00,
                                         0x74, 0xC5, 0xB7, 0x10, 0x1A, 0x82, 0xE0, 0x08};
  EXPECT_TRUE(std::equal(class_id.begin(), class_id.end(), a.global.begin()));
  EXPECT_EQ(std::vector<uint8_t>(a.global.begin() + 16, a.global.begin() + 20), std::vector<uint8_t>(4, 0))
      << "no instance date";
  EXPECT_EQ(a.global[20], 0x07);
  EXPECT_EQ(a.global[27], 0x01) << "creation time little-endian";
  EXPECT_EQ(a.global[36], 16);
  EXPECT_EQ(a.clean, a.global);
  EXPECT_NE(a.global, b.global) << "every meeting gets its own GUID";
  EXPECT_EQ(a.global[40 + 6] & 0xF0, 0x40) << "a version-4 UUID";
}

// Recipient names lose their markers; the list skips empty names.
TEST(MeetingRecipientsTest, NamesAndTypes) {
  bool resource = false;
  EXPECT_EQ(RecipientName("$R$Room 1$R$", &resource), "Room 1");
  EXPECT_TRUE(resource);
  EXPECT_EQ(RecipientName("\xA3R\xA3"
                          "Ann",
                          &resource),
            "Ann");
  EXPECT_FALSE(resource) << "only $R$ makes a resource";
  ADRLIST list = MeetingRecipientList("Ann;  Bob; ;$R$Room$R$;");
  ASSERT_EQ(list.cEntries(), 3u);
  EXPECT_EQ(*PpropFindProp(list.aEntries[1].rgPropVals, PR_DISPLAY_NAME)->String(), "Bob");
  EXPECT_EQ(*PpropFindProp(list.aEntries[2].rgPropVals, PR_RECIPIENT_TYPE)->Long(),
            static_cast<int32_t>(MAPI_BCC));
}

}  // namespace
}  // namespace korvale::testing
