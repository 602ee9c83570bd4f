// The optional appointment columns chosen by the `Fields` setting: which are
// enabled, their column definitions, and what the row writer needs to fill
// them (flags, counts of the two groups, the column-name list).
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "common/agent_settings.h"

namespace korvale {

// In table order. The first group runs from kAllDayEvent to kSigned, the
// second from kStoreId to kTimeSent.
enum class OptionalColumn {
  kAllDayEvent,
  kBillingInformation,
  kContacts,
  kDirectoryServer,
  kDoNotAutoArchive,
  kDuration,
  kEventAddress,
  kLabel,
  kMeetingStatus,
  kMileage,
  kNetMeetingAutoStart,
  kNetMeetingOfficeDocumentPath,
  kNetMeetingOrganizerEmail,
  kOnlineMeeting,
  kOnlineMeetingType,
  kOutlookInternalVersion,
  kOutlookVersion,
  kRecurrence,
  kRecurrencePattern,
  kRecurrenceRangeStart,
  kRecurrenceRangeEnd,
  kRemindBeforehand,
  kReminder,
  kReminderOverrideDefault,
  kReminderSound,
  kReminderSoundFile,
  kMeetingResponseStatus,
  kReplyTime,
  kAttachment,
  kAutoForwarded,
  kCreated,
  kImportance,
  kMessageClass,
  kModified,
  kOptionalAttendees,
  kRequiredAttendees,
  kResources,
  kMsgRead,
  kResponseRequested,
  kSensitivity,
  kSent,
  kSize,
  kDeliveryReceipt,
  kEncrypted,
  kReadReceipt,
  kSigned,
  kStoreId,
  kApptText,
  kTimeCreated,
  kTimeExpired,
  kTimeLastModified,
  kTimeReceived,
  kTimeSent,
  kCount
};

inline constexpr size_t kOptionalColumnCount = static_cast<size_t>(OptionalColumn::kCount);

// How a column is typed: bool = "bit" + DefaultClause(0), int = "int NULL",
// date = "datetime NULL", text = T(size) + " NULL", binary = "BINARY(160) NULL"
// (Oracle: NUMBER, NUMBER NULL, DATE NULL, T(size) NULL, RAW(160) NULL).
enum class OptionalKind { kBool, kText, kInt, kDate, kBinary };

struct OptionalColumnInfo {
  const char* key_word;  // searched for in `Fields`
  const char* column;    // the column's name ("Read" is MsgRead, "Text" is ApptText)
  OptionalKind kind;
  int size;  // for text columns
};

const OptionalColumnInfo& Describe(OptionalColumn column);

struct OptionalColumns {
  std::array<bool, kOptionalColumnCount> enabled{};
  int first_group_count = 0;   // enabled among AllDayEvent .. Signed
  int second_group_count = 0;  // enabled among StoreID .. TimeSent
  // ", AllDayEvent, ApptText": ", " and the name of each enabled column, in table order.
  std::string column_name_list;

  bool IsEnabled(OptionalColumn column) const { return enabled[static_cast<size_t>(column)]; }
};

// A column is enabled when its key word occurs anywhere in `fields`
// (case-sensitive), so "ReminderSoundFile" enables Reminder, ReminderSound
// and ReminderSoundFile.
OptionalColumns SelectOptionalColumns(std::string_view fields);

// ", AllDayEvent bit DEFAULT 0, ApptText varchar(250) NULL" for the enabled columns.
std::string OptionalColumnDefinitions(const AgentSettings& settings, const OptionalColumns& columns);

}  // namespace korvale
