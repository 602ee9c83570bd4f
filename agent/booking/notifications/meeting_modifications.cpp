// The change check of non-modifiable meetings.
#include "agent/booking/notifications/meeting_modifications.h"

#include <algorithm>
#include <cctype>

#include "agent/booking/mailbox/meeting_recipients.h"
#include "agent/booking/meetings/booking_values.h"
#include "agent/booking/meetings/meetings_row.h"
#include "agent/booking/notifications/notification_queue.h"
#include "agent/database/db_report.h"
#include "agent/database/shared_table.h"
#include "common/text.h"

namespace korvale {

using namespace mapi;

namespace {

constexpr char kReportSubject[] = "An Korvale non-modifiable meeting was changed or deleted";

// "(Office='n')", or with the instance "((Office='n') AND (Reserved2='i'))".
std::string OfficeCondition(const MeetingsScope& scope, std::string_view number) {
  std::string office = "(Office='" + QuoteWholeForSql(number, scope.dialect) + "')";
  if (!scope.shared) return office;
  return "(" + office + " AND (Reserved2='" + QuoteInstanceName(scope.instance_name, scope.dialect) + "'))";
}

std::string TrimBlanksAndCommas(std::string_view text) {
  size_t first = text.find_first_not_of(" ,");
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(" ,");
  return std::string(text.substr(first, last - first + 1));
}

// The meeting as one mailbox shows it: a multi-day meeting is several rows.
struct ShownMeeting {
  std::optional<SYSTEMTIME> start;
  std::optional<SYSTEMTIME> end;
  std::string title;
  int status = 0;
  std::string location;
  std::string category;  // in the table's "//" form
};

ShownMeeting ShownIn(const std::vector<SqlRow>& rows, Dialect dialect) {
  ShownMeeting shown;
  if (auto start = rows.front().Timestamp(StartColumn(dialect))) shown.start = ToSystemTime(*start);
  const SqlRow& last = rows.back();
  if (auto end = last.Timestamp("EndTime")) shown.end = ToSystemTime(*end);
  shown.title = last.Text("Title").value_or("");
  shown.status = static_cast<int>(last.Int("Status").value_or(0));
  shown.location = last.Text("Location").value_or("");
  shown.category = last.Text("Category").value_or("");
  return shown;
}

// The row's categories may hold only the booked one (in "//" form), and must
// hold it unless the booking had none.
bool SameCategory(const std::string& shown, const std::string& booked) {
  std::string rest = ReplaceAll(shown, "//" + booked + "//", "");
  return rest.empty() && (!shown.empty() || booked.empty());
}

bool Unchanged(const ShownMeeting& shown, const MeetingsRow& booked) {
  return shown.start && *shown.start == booked.start && shown.end && *shown.end == booked.end &&
         EqualsNoCase(shown.title, booked.title) && EqualsNoCase(shown.location, booked.location) &&
         shown.status == booked.status && SameCategory(shown.category, booked.category);
}

std::string DateText(const std::optional<SYSTEMTIME>& time) {
  return time ? NotificationDate(*time) : std::string();
}

std::string ChangedData(const std::string& mailbox, const ShownMeeting& shown) {
  return "\r\n\r\nUser " + mailbox + ":\r\nStart: " + DateText(shown.start) +
         "\r\nEnd: " + DateText(shown.end) + "\r\nTitle: " + shown.title + "\r\nLocation: " + shown.location +
         "\r\nCategory: " + TrimBlanksAndCommas(ReplaceAll(shown.category, "//", ", "));
}

// The mailboxes that should show the meeting: organizer and attendees as the
// calendar table names them (resource markers removed).
std::vector<std::string> ExpectedMailboxes(const MeetingsRow& booked) {
  std::vector<std::string> names;
  for (const std::string& part : SplitMailboxList(booked.organizer + ";" + booked.attendees)) {
    std::string name = RecipientName(part, nullptr);
    if (!name.empty()) names.push_back(std::move(name));
  }
  return names;
}

struct Findings {
  std::string changed_list;  // ", "-separated
  std::string details;
};

Status DatabaseFailure(const SqlError& error) {
  return Status::Error(ErrorText(error), kCheckDatabaseFailure);
}

std::string ReportBody(const Findings& f, const MeetingsRow& m) {
  return "The following meeting was changed or deleted in the mailbox(es):\r\n" + f.changed_list +
         "\r\n\r\nOriginal meeting:\r\n\r\nBooked by: " + m.name + "\r\nStart: " + NotificationDate(m.start) +
         "\r\nEnd: " + NotificationDate(m.end) + "\r\nTitle: " + m.title + "\r\nLocation: " + m.location +
         "\r\nCategory: " + m.category + "\r\nOrganizer: " + m.organizer + "\r\nAttendees: " + m.attendees +
         "\r\n" + f.details;
}

// Compares the booking with every mailbox that shows it; nullopt-free: a
// refused statement comes back as the failure.
Expected<Findings> Compare(ModificationCheck& check, const MeetingsRow& booked) {
  const Dialect dialect = check.db.dialect();
  Findings f;
  std::vector<std::string> expected = ExpectedMailboxes(booked);
  auto names = check.db.Query(SelectMailboxesShowing(check.published_table, booked.office, dialect));
  if (!names.ok()) return DatabaseFailure(names.error());
  for (const SqlRow& name_row : *names) {
    const std::string mailbox = name_row.Text("Name").value_or("");
    auto rows = check.db.Query(SelectMailboxRows(check.published_table, booked.office, mailbox, dialect));
    if (!rows.ok()) return DatabaseFailure(rows.error());
    if (rows->empty()) continue;
    std::erase(expected, mailbox);
    ShownMeeting shown = ShownIn(*rows, dialect);
    if (Unchanged(shown, booked)) continue;
    f.changed_list += (f.changed_list.empty() ? "" : ", ") + mailbox;
    if (f.details.empty()) f.details = "\r\n\r\nChanged data:";
    f.details += ChangedData(mailbox, shown);
  }
  for (const std::string& missing : expected) {
    if (!check.calendar_read || !check.calendar_read(missing)) continue;
    f.changed_list += (f.changed_list.empty() ? "" : ", ") + missing;
  }
  return f;
}

Status RunLogged(ModificationCheck& check, const std::string& sql) {
  check.mail.log.LogEvent(EventType::kWarning, event_id::kGeneral, sql);
  auto done = check.db.Execute(sql);
  return done.ok() ? Status::Ok() : DatabaseFailure(done.error());
}

bool SendReport(ModificationCheck& check, const Findings& f, const MeetingsRow& booked) {
  auto inbox = OpenNotificationInbox(check.mail, NotificationMail::kChangeReport);
  if (!inbox) return false;
  ADRLIST recipients;
  for (const std::string& admin : AdministratorList(check.mail.settings.notification_email)) {
    recipients.aEntries.push_back(RecipientEntry(admin, MAPI_TO));
  }
  HRESULT hr = SendNotificationNote(check.mail, NotificationMail::kChangeReport, *inbox, kReportSubject,
                                    ReportBody(f, booked), std::move(recipients));
  return SUCCEEDED(hr);
}

MeetingsScope ScopeOf(const ModificationCheck& check) {
  const AgentSettings& s = check.mail.settings;
  return {check.db.dialect(), s.date_literal_format, s.table_mode == TableMode::kShared, check.instance_name};
}

}  // namespace

std::string SelectUnreportedNonModifiable(const MeetingsScope& scope) {
  std::string sql = "SELECT * FROM Meetings WHERE (";
  if (scope.shared) sql += "(Reserved2='" + QuoteInstanceName(scope.instance_name, scope.dialect) + "') AND ";
  return sql +
         "(BookingStatus=2) AND (Office LIKE '%$$nMMtg$$%') AND ((Reserved1 IS NULL) OR "
         "(Reserved1 <> '1')))";
}

std::string SelectMailboxesShowing(std::string_view table, std::string_view booking_number, Dialect dialect) {
  return "SELECT DISTINCT Name FROM " + std::string(table) + " WHERE KRVBookingNumber = '" +
         QuoteWholeForSql(booking_number, dialect) + "'";
}

std::string SelectMailboxRows(std::string_view table, std::string_view booking_number,
                              std::string_view mailbox, Dialect dialect) {
  return "SELECT * FROM " + std::string(table) + " WHERE KRVBookingNumber = '" +
         QuoteWholeForSql(booking_number, dialect) + "' AND Name = '" + QuoteForSql(mailbox, 50, dialect) +
         "' ORDER BY " + (dialect == Dialect::kOracle ? "STARTTIME" : "Start") + ", ENDTIME";
}

std::string CancelForRebooking(const MeetingsScope& scope, std::string_view booking_number) {
  std::string number = QuoteWholeForSql(booking_number, scope.dialect);
  if (!scope.shared) return "UPDATE Meetings SET BookingStatus = '4' WHERE (Office = '" + number + "')";
  return "UPDATE Meetings SET BookingStatus = '4' WHERE ((Office = '" + number + "') AND (Reserved2='" +
         QuoteInstanceName(scope.instance_name, scope.dialect) + "'))";
}

std::string CopyForRebooking(const MeetingsScope& scope, std::string_view booking_number) {
  const std::string start = StartColumn(scope.dialect);
  return "INSERT INTO Meetings (Name, " + start +
         ", EndTime, Title, Status, Location, Phone, Office, Initials, ACL, Category, DL, Organizer, "
         "Attendees, TimeBooked, BookingStatus, Reserved1, Reserved2, Reserved3, ACLw) SELECT Name, " +
         start +
         ", EndTime, Title, Status, Location, Phone, Office, Initials, ACL, Category, DL, Organizer, "
         "Attendees, TimeBooked, 5 AS Expr2, Reserved1, Reserved2, Reserved3, ACLw FROM Meetings WHERE " +
         OfficeCondition(scope, booking_number);
}

std::string MarkReported(const MeetingsScope& scope, std::string_view booking_number) {
  return "UPDATE Meetings SET Reserved1 = '1' WHERE " + OfficeCondition(scope, booking_number);
}

Status CheckMeetingModifications(ModificationCheck& check) {
  try {
    const MeetingsScope scope = ScopeOf(check);
    auto candidates = check.db.Query(SelectUnreportedNonModifiable(scope));
    if (!candidates.ok()) return DatabaseFailure(candidates.error());
    for (const SqlRow& row : *candidates) {
      auto booked = ReadMeetingsRow(row, scope.dialect);
      if (!booked.ok()) continue;  // without its times no mailbox can be compared
      auto findings = Compare(check, *booked);
      if (!findings.ok()) return findings.status();
      if (findings->changed_list.empty()) continue;
      if (check.mail.settings.auto_book_back_to_original != 0) {
        if (Status s = RunLogged(check, CancelForRebooking(scope, booked->office)); !s.ok()) return s;
        if (Status s = RunLogged(check, CopyForRebooking(scope, booked->office)); !s.ok()) return s;
      }
      if (!SendReport(check, *findings, *booked)) continue;  // tried again next cycle
      auto done = check.db.Execute(MarkReported(scope, booked->office));
      if (!done.ok()) return DatabaseFailure(done.error());
    }
    return Status::Ok();
  } catch (...) {
    return Status::Error("Exception occured while reading database.", kCheckUnexpectedFailure);
  }
}

}  // namespace korvale
