// The recurring pass of the appointment reader: real Outlook pattern blobs in
// series items of a temporary organisation store, expanded into rows of a
// real SQLite calendar table.
#include "agent/scan/recurring_item.h"

#include <gtest/gtest.h>

#include "agent/scan/appointment_reader_fixture.h"
#include "agent/scan/recurrence/pattern_reader.h"
#include "platform/tz/tz.h"

namespace korvale {
namespace {

using namespace appointment_fixtures;
using namespace mapi;
namespace cp = calendar_prop;

void PutU32(std::string& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

TIME_ZONE_INFORMATION Tokyo() {
  TIME_ZONE_INFORMATION zone;
  zone.Bias = -540;
  return zone;
}

class RecurringPassTest : public AppointmentReaderTest {
 protected:
  // A weekly Friday lunch series from 6 Jan 2023, 12:00-13:00 in `zone`
  // (stored in universal time), with the pattern bytes as given.
  std::vector<SPropValue> Series(const std::string& subject, const std::string& pattern,
                                 const TIME_ZONE_INFORMATION& zone) {
    const SYSTEMTIME start = tz::LocalToUniversal(zone, At(2023, 1, 6, 12));
    const SYSTEMTIME end = tz::LocalToUniversal(zone, At(2023, 1, 6, 13));
    auto props = Appointment(subject, start, end);
    props[4] = {Tag(cp::kRecurring), true};
    props.push_back({Tag(cp::kRecurrenceType), 2});
    props.push_back({Tag(cp::kTimeZoneStruct), Bytes(tz::TimeZoneStructToBytes(zone))});
    props.push_back(
        SPropValue::Time(Tag(cp::kClipStart), FileTime(tz::LocalToUniversal(zone, At(2023, 1, 6)))));
    props.push_back(
        SPropValue::Time(Tag(cp::kClipEnd), FileTime(tz::LocalToUniversal(zone, At(2023, 12, 29)))));
    if (!pattern.empty()) props.push_back({Tag(cp::kRecurrencePattern), Bytes(pattern)});
    return props;
  }

  // An embedded exception item with its exception times as Outlook stores them.
  void AddExceptionItem(IMessage& series, SYSTEMTIME local_start, SYSTEMTIME local_end,
                        const std::string& body, const std::vector<std::string>& attendees) {
    ULONG number = 0;
    std::shared_ptr<IAttach> attach;
    ASSERT_EQ(series.CreateAttach(nullptr, 0, &number, &attach), S_OK);
    ASSERT_EQ(attach->SetProps({{PR_ATTACH_METHOD, static_cast<int32_t>(ATTACH_EMBEDDED_MSG)},
                                SPropValue::Time(PR_EXCEPTION_STARTTIME, FileTime(local_start)),
                                SPropValue::Time(PR_EXCEPTION_ENDTIME, FileTime(local_end))},
                               nullptr),
              S_OK);
    std::shared_ptr<IUnknown> object;
    ASSERT_EQ(attach->OpenProperty(PR_ATTACH_DATA_OBJ, IID_IMessage, 0, MAPI_CREATE | MAPI_MODIFY, &object),
              S_OK);
    auto embedded = mapi_cast<IMessage>(object);
    ASSERT_TRUE(embedded);
    ASSERT_EQ(embedded->SetProps({{PR_BODY, body}}, nullptr), S_OK);
    ADRLIST list;
    for (const std::string& name : attendees) {
      list.aEntries.push_back(
          ADRENTRY{{{PR_DISPLAY_NAME, name}, {PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_TO)}}});
    }
    ASSERT_EQ(embedded->ModifyRecipients(MODRECIP_ADD, list), S_OK);
    ASSERT_EQ(embedded->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    ASSERT_EQ(attach->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  }
};

// 6 Jan deleted, 13 Jan moved to Thursday 12 Jan with its own subject,
// location, busy status and (embedded) body; the Tokyo series is written in
// the Berlin mailbox's time.
TEST_F(RecurringPassTest, WeeklySeriesWithMovedAndDeletedOccurrence) {
  settings_.fields = "Text";
  mailbox_zone_ = tz::fixtures::Berlin();
  Open();
  auto props = Series("Lunch", RecurrenceFile("msgreader/weekly-friday-2023-chgs2.bin"), Tokyo());
  props.push_back({Tag(cp::kLocation), std::string("Canteen")});
  props.push_back({PR_BODY, std::string("Series body")});
  auto series = NewItem(props);
  // A decoy for another day first: the exception's own item is found by its times.
  AddExceptionItem(*series, At(2023, 1, 19, 12), At(2023, 1, 19, 13), "wrong item", {"Nobody"});
  AddExceptionItem(*series, At(2023, 1, 12, 12), At(2023, 1, 12, 13), "Meet at the coffee shop",
                   {"Bob Baker", "Carol Cook"});
  ASSERT_EQ(series->SaveChanges(KEEP_OPEN_READONLY), S_OK);

  ASSERT_EQ(Run(PassKind::kRecurring), S_OK) << Events();
  const std::vector<StoredRow> rows = Rows();
  ASSERT_EQ(rows.size(), 3u) << Events();
  EXPECT_EQ(rows[0].Time("Start"), "2023-01-12 04:00") << "the moved occurrence at its new time";
  EXPECT_EQ(rows[0].Time("EndTime"), "2023-01-12 05:00");
  EXPECT_EQ(rows[0].Text("Title"), "Lanch time, every friday, in 2023 [rescheduled!]");
  EXPECT_EQ(rows[0].Text("Location"), "Awesome coffee shop");
  EXPECT_EQ(rows[0].Text("Status"), "1");
  EXPECT_EQ(rows[0].Text("ApptText"), "Meet at the coffee shop");
  EXPECT_EQ(rows[0].Text("Attendees"), "Bob Baker; Carol Cook");
  for (size_t i = 1; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].Text("Title"), "Lunch");
    EXPECT_EQ(rows[i].Text("Location"), "Canteen");
    EXPECT_EQ(rows[i].Text("Status"), "2");
    EXPECT_EQ(rows[i].Text("ApptText"), "Series body");
    EXPECT_EQ(rows[i].Text("KRVBookingNumber"), "") << "only single appointments take their entry as number";
  }
  EXPECT_EQ(rows[1].Time("Start"), "2023-01-20 04:00");
  EXPECT_EQ(rows[2].Time("Start"), "2023-01-27 04:00");
  EXPECT_TRUE(log_.events().empty()) << Events();
}

// A private series keeps its exceptions' subjects and bodies to itself.
TEST_F(RecurringPassTest, PrivateSeriesHidesExceptionValues) {
  settings_.fields = "Text";
  Open();
  auto props = Series("Lunch", RecurrenceFile("msgreader/weekly-friday-2023-chgs2.bin"), Tokyo());
  props.push_back({Tag(cp::kPrivate), true});
  props.push_back({PR_BODY, std::string("Series body")});
  auto series = NewItem(props);
  AddExceptionItem(*series, At(2023, 1, 12, 12), At(2023, 1, 12, 13), "secret", {"Bob Baker"});
  ASSERT_EQ(series->SaveChanges(KEEP_OPEN_READONLY), S_OK);

  ASSERT_EQ(Run(PassKind::kRecurring), S_OK) << Events();
  const std::vector<StoredRow> rows = Rows();
  ASSERT_EQ(rows.size(), 3u) << Events();
  for (const StoredRow& row : rows) {
    EXPECT_EQ(row.Text("Title"), "private");
    EXPECT_EQ(row.Text("ApptText"), "");
    EXPECT_EQ(row.Text("Location"), "");
  }
}

// A pattern of 510 bytes or more arrives cut in the table and is read whole through its stream.
TEST_F(RecurringPassTest, LongPatternIsReadThroughTheStream) {
  Open();
  // The Friday series without exceptions, with 120 deleted Fridays from February on.
  const std::string plain = RecurrenceFile("msgreader/weekly-friday-2023-org.bin");
  ASSERT_EQ(plain.size(), 80u);
  std::string pattern = plain.substr(0, 38);
  PutU32(pattern, 120);
  SYSTEMTIME friday = At(2023, 2, 3);
  for (int i = 0; i < 120; ++i) {
    PutU32(pattern, PatternMinutes(friday));
    friday = tz::AddMinutes(friday, 7 * 1440).value();
  }
  pattern += plain.substr(42);
  ASSERT_GE(pattern.size(), kTablePatternLimit);
  recurrence::RecurrenceState state;
  recurrence::PatternInput cut;
  cut.bytes = std::string_view(pattern).substr(0, kTablePatternLimit);
  cut.series_start = At(2023, 1, 6, 12);
  cut.series_end = At(2023, 1, 6, 13);
  ASSERT_FALSE(recurrence::ReadWeeklyPattern(cut, state)) << "cut to the table's 510 bytes it cannot be read";

  CreateItem(Series("Lunch", pattern, TIME_ZONE_INFORMATION{}));
  window_end_ = At(2023, 2, 28, 23, 59, 59);
  ASSERT_EQ(Run(PassKind::kRecurring), S_OK) << Events();
  std::vector<std::string> starts;
  for (const StoredRow& row : Rows()) starts.push_back(row.Time("Start"));
  EXPECT_EQ(starts, (std::vector<std::string>{"2023-01-06 12:00", "2023-01-13 12:00", "2023-01-20 12:00",
                                              "2023-01-27 12:00"}))
      << Events();
  EXPECT_TRUE(log_.events().empty()) << Events();
}

// Series whose recurrence cannot be read are reported by subject; the next series is still written.
TEST_F(RecurringPassTest, UnreadableSeriesAreReportedAndSkipped) {
  Open();
  CreateItem(Series("No pattern", "", Tokyo()));
  CreateItem(
      Series("Too short", RecurrenceFile("msgreader/weekly-friday-2023-org.bin").substr(0, 30), Tokyo()));
  CreateItem(Series("Fine", RecurrenceFile("msgreader/weekly-friday-2023-org.bin"), Tokyo()));

  ASSERT_EQ(Run(PassKind::kRecurring), S_OK);
  EXPECT_TRUE(
      Reported("Recurrence information of meeting No pattern in mailbox Olivia Owner could not be read."))
      << Events();
  EXPECT_TRUE(
      Reported("Recurrence information of weekly recurring meeting Too short in mailbox Olivia Owner could "
               "not be read."))
      << Events();
  const std::vector<StoredRow> rows = Rows();
  ASSERT_EQ(rows.size(), 4u) << "the Fridays of January";
  EXPECT_EQ(rows[0].Text("Title"), "Fine");
  EXPECT_EQ(rows[0].Time("Start"), "2023-01-06 03:00");
}

}  // namespace
}  // namespace korvale
