// Test frame of the appointment reader: a temporary organisation whose owner
// mailbox "Olivia Owner" gets calendar items made through the MAPI
// interfaces, a real SQLite calendar database through unixODBC, and one
// call of the reader over the calendar's rows as the mailbox scan makes it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "agent/database/database.h"
#include "agent/database/optional_columns.h"
#include "agent/scan/appointment_reader.h"
#include "agent/scan/calendar_properties.h"
#include "platform/mapi/orgstore/org_store.h"
#include "platform/tz/test_times.h"
#include "tests/fakes/recording_log.h"
#include "tests/support/sqlite_dsn.h"
#include "tests/support/temp_dir.h"

namespace korvale::appointment_fixtures {

using tz::fixtures::At;

inline constexpr char kOwner[] = "Olivia Owner";

class NoStop : public StopCheck {
 public:
  bool CheckStopRequest() override { return stop_; }
  bool StopFlag() const override { return stop_; }
  void SetStopFlag() override { stop_ = true; }

 private:
  bool stop_ = false;
};

// A recipient as it goes into the item: display name and MAPI_TO/CC/BCC.
using Recipient = std::pair<std::string, mapi::ULONG>;

// A stored row of the fill table, reduced to text by column name.
struct StoredRow {
  SqlRow row;
  std::string Text(const char* column) const { return row.Text(column).value_or("NULL"); }
  // "2023-01-12 04:00" of a date column.
  std::string Time(const char* column) const { return Text(column).substr(0, 16); }
};

class AppointmentReaderTest : public ::testing::Test {
 protected:
  AppointmentReaderTest();

  // Creates the organisation, the database (fill table and Meetings for the
  // settings as the test has set them) and resolves the calendar's tags.
  void Open();

  mapi::ULONG Tag(size_t calendar_index) const { return tags_.Calendar(calendar_index); }
  mapi::ULONG OptionalTag(OptionalColumn column) const;
  // The basic properties of an appointment whose times are universal.
  std::vector<mapi::SPropValue> Appointment(const std::string& subject, SYSTEMTIME start_utc,
                                            SYSTEMTIME end_utc) const;
  // A new unsaved item of the owner's calendar with the properties and recipients.
  std::shared_ptr<mapi::IMessage> NewItem(const std::vector<mapi::SPropValue>& props,
                                          const std::vector<Recipient>& recipients = {});
  // The same, saved; returns its entry identifier.
  mapi::ENTRYID CreateItem(const std::vector<mapi::SPropValue>& props,
                           const std::vector<Recipient>& recipients = {});

  // One pass of the reader over the calendar's rows: the single appointments
  // inside the window, every series, or (unrestricted) every item.
  mapi::HRESULT Run(PassKind pass);
  mapi::HRESULT RunOver(PassKind pass, const mapi::SRestriction* restriction);

  std::vector<StoredRow> Rows(const std::string& order = "Start");
  // Texts of the warnings and errors reported so far, for assertion messages.
  std::string Events() const { return log_.Describe(); }
  bool Reported(const std::string& text) const;

  testing::TempDir tmp_;
  testing::SqliteDsn dsn_;
  testing::RecordingLog log_;
  NoStop stop_;
  AgentSettings settings_;
  MailboxRowValues mailbox_;
  TIME_ZONE_INFORMATION mailbox_zone_;  // UTC unless a test changes it before Run
  SYSTEMTIME window_start_ = At(2023, 1, 1);
  SYSTEMTIME window_end_ = At(2023, 1, 31, 23, 59, 59);
  std::vector<std::string> booking_numbers_;

  std::unique_ptr<Database> db_;
  OptionalColumns optional_;
  CalendarTags tags_;
  MeetingColumns columns_;
  std::shared_ptr<mapi::IMAPISession> session_;
  std::shared_ptr<mapi::IMsgStore> store_;
  std::shared_ptr<mapi::IMAPIFolder> calendar_;
};

// The bytes of a named blob of tests/data/recurrence/examples.txt or of a
// file below tests/data/recurrence.
std::string ExampleBlob(const std::string& name);
std::string RecurrenceFile(const std::string& relative_path);
// Minutes since 1601 of a local date-time, as a pattern stores them.
uint32_t PatternMinutes(const SYSTEMTIME& local);
mapi::FILETIME FileTime(const SYSTEMTIME& time);
mapi::SBinary Bytes(const std::string& bytes);

}  // namespace korvale::appointment_fixtures
