// The booking journal in table KRVBookingJournal: one row per booking taken
// (Kind 'B', the record in BookingData) and one per mailbox it reached
// (Kind 'M'), all under the instance name of the agent that took them.
#include "agent/booking/meetings/booking_journal.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

#include "agent/database/shared_table.h"

namespace korvale {
namespace {

constexpr char kBooking[] = "B";
constexpr char kMark[] = "M";

// Percent-escapes the separator, carriage returns and the escape itself.
std::string EscapeField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '%')
      out += "%25";
    else if (c == '\n')
      out += "%0A";
    else if (c == '\r')
      out += "%0D";
    else
      out += c;
  }
  return out;
}

std::string UnescapeField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    std::string_view code = text.substr(i, 3);
    if (code == "%25" || code == "%0A" || code == "%0D") {
      out += code == "%25" ? '%' : (code == "%0A" ? '\n' : '\r');
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string TimeField(const SYSTEMTIME& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond);
  return buffer;
}

std::optional<SYSTEMTIME> ParseTime(std::string_view text) {
  unsigned y, mo, d, h, mi, s;
  std::string copy(text);
  if (std::sscanf(copy.c_str(), "%4u-%2u-%2u %2u:%2u:%2u", &y, &mo, &d, &h, &mi, &s) != 6)
    return std::nullopt;
  SYSTEMTIME t;
  t.wYear = static_cast<uint16_t>(y);
  t.wMonth = static_cast<uint16_t>(mo);
  t.wDay = static_cast<uint16_t>(d);
  t.wHour = static_cast<uint16_t>(h);
  t.wMinute = static_cast<uint16_t>(mi);
  t.wSecond = static_cast<uint16_t>(s);
  return t;
}

std::optional<int64_t> ParseNumber(std::string_view text) {
  int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

constexpr size_t kFieldCount = 18;

std::string MarkKey(std::string_view entry, std::string_view mailbox) {
  return std::string(entry) + "\n" + std::string(mailbox);
}

}  // namespace

std::string EncodeBookingRecord(const BookingRecord& r) {
  const std::string fields[kFieldCount] = {r.organizer,
                                           r.recipients,
                                           r.booked_by,
                                           TimeField(r.start),
                                           TimeField(r.end),
                                           r.title,
                                           r.location,
                                           std::to_string(r.reminder_minutes),
                                           std::to_string(r.busy_status),
                                           r.acl,
                                           r.category,
                                           r.personal_group ? "1" : "0",
                                           r.attendees ? "1" : "0",
                                           r.no_invitation ? "1" : "0",
                                           std::to_string(r.booking_status),
                                           r.is_private ? "1" : "0",
                                           r.booking_number,
                                           r.entry_id};
  std::string text;
  for (size_t i = 0; i < kFieldCount; ++i) {
    if (i > 0) text += '\n';
    text += EscapeField(fields[i]);
  }
  return text;
}

std::optional<BookingRecord> DecodeBookingRecord(std::string_view text) {
  std::vector<std::string> f;
  for (size_t start = 0;;) {
    size_t end = text.find('\n', start);
    f.push_back(UnescapeField(text.substr(start, end == std::string_view::npos ? end : end - start)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (f.size() != kFieldCount) return std::nullopt;
  auto start = ParseTime(f[3]);
  auto end = ParseTime(f[4]);
  auto reminder = ParseNumber(f[7]);
  auto busy = ParseNumber(f[8]);
  auto status = ParseNumber(f[14]);
  if (!start || !end || !reminder || !busy || !status) return std::nullopt;
  BookingRecord r;
  r.organizer = f[0];
  r.recipients = f[1];
  r.booked_by = f[2];
  r.start = *start;
  r.end = *end;
  r.title = f[5];
  r.location = f[6];
  r.reminder_minutes = static_cast<uint32_t>(*reminder);
  r.busy_status = static_cast<int>(*busy);
  r.acl = f[9];
  r.category = f[10];
  r.personal_group = f[11] == "1";
  r.attendees = f[12] == "1";
  r.no_invitation = f[13] == "1";
  r.booking_status = static_cast<int>(*status);
  r.is_private = f[15] == "1";
  r.booking_number = f[16];
  r.entry_id = f[17];
  return r;
}

BookingJournal::BookingJournal(Database& db, std::string instance_name, std::string run_id)
    : db_(db), instance_name_(std::move(instance_name)), run_id_(std::move(run_id)) {}

void BookingJournal::Warn(const std::string& text) {
  db_.log().LogEvent(EventType::kWarning, event_id::kGeneral, text);
}

std::string BookingJournal::InstanceCondition() const {
  return "KRVService='" + QuoteInstanceName(instance_name_, db_.dialect()) + "'";
}

bool BookingJournal::Load(BookingList& bookings) {
  usable_ = false;
  const std::string select = "SELECT Entry, Kind, Mailbox, BookingData FROM " +
                             std::string(kBookingJournalTable) + " WHERE " + InstanceCondition() +
                             " ORDER BY Entry";
  auto rows = db_.Query(select);
  if (!rows.ok()) {
    // A database that has no journal yet gets one.
    const AgentSettings& s = db_.settings();
    const std::string create = "CREATE TABLE " + std::string(kBookingJournalTable) + " (KRVService " +
                               SqlTypeName(s, 250) + ", Entry " + SqlTypeName(s, 100) + ", Kind " +
                               SqlTypeName(s, 1) + ", Mailbox " + SqlTypeName(s, 250) + ", BookingData " +
                               SqlTypeName(s, 1024) + ")";
    auto created = db_.Execute(create);
    if (!created.ok()) {
      Warn(
          "The booking journal cannot be read or created; bookings of a cycle that ends early are not "
          "carried out later.\r\n" +
          StripLineFeeds(rows.error().text) + "\r\n" + StripLineFeeds(created.error().text));
      return false;
    }
    usable_ = true;
    return true;
  }
  for (const SqlRow& row : *rows) {
    const std::string entry = row.Text("Entry").value_or("");
    const std::string kind = row.Text("Kind").value_or("");
    if (kind == kMark) {
      earlier_marks_.insert(MarkKey(entry, row.Text("Mailbox").value_or("")));
      continue;
    }
    auto record = DecodeBookingRecord(row.Text("BookingData").value_or(""));
    if (!record) {
      Warn("The booking journal holds an unreadable entry " + entry + "; it is left out.");
      continue;
    }
    record->journal_entry = entry;
    loaded_.push_back(*record);
    bookings.Append(std::move(*record));
  }
  usable_ = true;
  return true;
}

bool BookingJournal::AlreadyTaken(const BookingRecord& r) const {
  // Only these keep their status when taken; a row taken at 1 or 3 left that status.
  if (r.booking_status != 4 && r.booking_status != 5) return false;
  auto cancellation = [](int status) { return status == 3 || status == 4; };
  return std::any_of(loaded_.begin(), loaded_.end(), [&](const BookingRecord& l) {
    const bool same_kind = cancellation(l.booking_status) ? cancellation(r.booking_status)
                                                          : l.booking_status == r.booking_status;
    return same_kind && l.booking_number == r.booking_number && l.entry_id == r.entry_id &&
           l.start == r.start && l.end == r.end && l.title == r.title && l.booked_by == r.booked_by;
  });
}

SqlResult<SqlDone> BookingJournal::Record(BookingRecord& record) {
  char sequence[16];
  std::snprintf(sequence, sizeof sequence, "%06d", next_++);
  record.journal_entry = run_id_ + "-" + sequence;
  const Dialect d = db_.dialect();
  return db_.Execute("INSERT INTO " + std::string(kBookingJournalTable) +
                     " (KRVService, Entry, Kind, Mailbox, BookingData) VALUES ('" +
                     QuoteInstanceName(instance_name_, d) + "', '" +
                     QuoteWholeForSql(record.journal_entry, d) + "', '" + kBooking + "', '-', '" +
                     QuoteWholeForSql(EncodeBookingRecord(record), d) + "')");
}

bool BookingJournal::ReachedEarlier(const BookingRecord& record, const std::string& mailbox) const {
  return !record.journal_entry.empty() && earlier_marks_.count(MarkKey(record.journal_entry, mailbox)) > 0;
}

bool BookingJournal::Remember(const BookingRecord& record, const std::string& mailbox) {
  if (record.journal_entry.empty()) return true;  // taken without a journal
  const Dialect d = db_.dialect();
  const std::string sql = "INSERT INTO " + std::string(kBookingJournalTable) +
                          " (KRVService, Entry, Kind, Mailbox, BookingData) VALUES ('" +
                          QuoteInstanceName(instance_name_, d) + "', '" +
                          QuoteWholeForSql(record.journal_entry, d) + "', '" + kMark + "', '" +
                          QuoteWholeForSql(mailbox, d) + "', '-')";
  auto done = db_.Execute(sql);
  if (done.ok()) return true;
  mark_failed_ = true;
  Warn("The booking journal cannot note that booking " + record.booking_number + " reached mailbox " +
       mailbox + "; it is carried out there in a later cycle.\r\n" + StripLineFeeds(done.error().text) +
       "\r\nSQL- statement:\r\n" + sql);
  return false;
}

void BookingJournal::Finish() {
  if (!usable_ || mark_failed_) return;
  const std::string sql =
      "DELETE FROM " + std::string(kBookingJournalTable) + " WHERE " + InstanceCondition();
  auto done = db_.Execute(sql);
  if (!done.ok()) {
    // Harmless: the next cycle finds every mailbox marked.
    Warn("The booking journal cannot be emptied.\r\n" + StripLineFeeds(done.error().text) +
         "\r\nSQL- statement:\r\n" + sql);
  }
}

}  // namespace korvale
