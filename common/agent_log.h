// The two reporting operations every part of the agent uses.
//
// LogEvent: one event-log report with up to three texts after the prefix
// (absent texts are std::nullopt and are not passed on).
// LogSqlStatement: the SQL trace, called immediately before a statement runs;
// the statement is given in up to three pieces written one after the other.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvale {

enum class EventType : uint16_t { kError = 1, kWarning = 2, kInformation = 4 };

using OptText = std::optional<std::string_view>;

class AgentLog {
 public:
  virtual ~AgentLog() = default;
  virtual void LogEvent(EventType type, uint32_t id, OptText text = std::nullopt,
                        OptText text2 = std::nullopt, OptText text3 = std::nullopt) = 0;
  virtual void LogSqlStatement(OptText part1, OptText part2 = std::nullopt, OptText part3 = std::nullopt) = 0;
};

// Event numbers in use (the owning modules give the texts).
namespace event_id {
inline constexpr uint32_t kSqlTraceOrTiming = 107;
inline constexpr uint32_t kDbGeneral = 110;
inline constexpr uint32_t kDbCreateTable = 111;
inline constexpr uint32_t kDbMarkerWrite = 112;
inline constexpr uint32_t kAddressBook = 113;
inline constexpr uint32_t kAddressListMemory = 114;
inline constexpr uint32_t kResolveMember = 115;
inline constexpr uint32_t kDistListOpen = 116;
inline constexpr uint32_t kDistListContents = 117;
inline constexpr uint32_t kKorvaleConfig = 118;
inline constexpr uint32_t kFillTableStatement = 119;
inline constexpr uint32_t kAppendOrConfigRead = 120;
inline constexpr uint32_t kRecords = 121;
inline constexpr uint32_t kDataSource = 122;
inline constexpr uint32_t kBanner = 123;
inline constexpr uint32_t kOwnerEntry = 124;
inline constexpr uint32_t kOwnerProps = 125;
inline constexpr uint32_t kLogonObjects = 134;
inline constexpr uint32_t kGeneral = 137;
inline constexpr uint32_t kCreateProfile2 = 138;
inline constexpr uint32_t kConfigureProfile = 139;
inline constexpr uint32_t kCreateService = 140;
inline constexpr uint32_t kDeleteProfile = 141;
inline constexpr uint32_t kDcNotFound = 142;
inline constexpr uint32_t kDcLookup = 143;
inline constexpr uint32_t kNoAssocAccount = 144;
inline constexpr uint32_t kSidLookup = 145;
inline constexpr uint32_t kBookingCom = 146;
inline constexpr uint32_t kBookingOther = 147;
inline constexpr uint32_t kHomeServer = 150;
inline constexpr uint32_t kGroupMembers = 151;
}  // namespace event_id

}  // namespace korvale
