// The keys of Caldrun.ini: section names, the [Config] keys with their buffer
// sizes, and the per-group, per-server and [DST] keys. Defaults are those of a
// default-constructed AgentSettings, so there is one place that states them.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "common/agent_settings.h"

namespace korvale::settings_keys {

inline constexpr const char* kFileName = "Caldrun.ini";
inline constexpr const char* kConfigSection = "Config";
inline constexpr const char* kDstSection = "DST";

struct IntKey {
  const char* name;
  int AgentSettings::*field;
};

struct TextKey {
  const char* name;
  size_t buffer_size;  // the value is cut to buffer_size - 1 characters
  std::string AgentSettings::*field;
};

// [Config] keys read unconditionally, in the order of the reference table.
std::span<const IntKey> ConfigIntKeys();
std::span<const TextKey> ConfigTextKeys();

// Keys read only under a condition (see the settings reader).
inline constexpr TextKey kNotificationMailbox{"NotificationMailbox", 255,
                                              &AgentSettings::notification_mailbox};
inline constexpr TextKey kNotificationServer{"NotificationServer", 255, &AgentSettings::notification_server};
inline constexpr TextKey kNotificationEmail{"NotificationEmail", 255, &AgentSettings::notification_email};
inline constexpr TextKey kSqlLogToFile{"SQLLogToFile", 260, &AgentSettings::sql_log_to_file};
inline constexpr TextKey kInboxNotificationExceptionList{"InboxNotificationExceptionList", 10000,
                                                         &AgentSettings::inbox_notification_exception_list};

// Scan groups and servers ("%d" is the number, from 1).
inline constexpr const char* kMemberNames = "DL%d";            // S(10000)
inline constexpr const char* kGroupSkip = "Group%dSkip";       // S(10000)
inline constexpr const char* kGroupName = "Group%d";           // S(255); also the section name
inline constexpr const char* kGroupLocal = "Group%dLocal";     // I, default 1
inline constexpr const char* kGroupDataSource = "Group%dDS";   // S(255)
inline constexpr const char* kGroupTimeZone = "Group%dSetTZ";  // S(255)
inline constexpr const char* kServerName = "Server%d";         // S(255); also the section name
inline constexpr const char* kServerTimeDiff = "TimeDiff";     // S(255), default "0.0"
inline constexpr const char* kServerDataSource = "DS";         // S(255)
inline constexpr const char* kServerPdc = "PDC";               // S(255)
inline constexpr size_t kListBuffer = 10000;
inline constexpr size_t kNameBuffer = 255;
inline constexpr size_t kGroupKeyNamesBuffer = 4096;
inline constexpr size_t kGroupValueBuffer = 1024;

// [DST]
inline constexpr const char* kDstKeys[8] = {"StartYear", "StartMonth", "StartDay", "StartHour",
                                            "EndYear",   "EndMonth",   "EndDay",   "EndHour"};

// "%d" in a key pattern replaced by n.
std::string Numbered(const char* pattern, int n);

}  // namespace korvale::settings_keys
