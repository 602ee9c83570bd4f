// The identity of a new meeting: the 56-byte global object identifier that
// Outlook stores on the organizer's appointment and on every request sent for
// it, so that an attendee's answer and calendar entry find their meeting.
// Layout ([MS-OXOCAL] PidLidGlobalObjectId): the fixed 16-byte class id,
// the instance date (year high, year low, month, day: all 0 for a meeting
// that is no exception), the creation time as a little-endian FILETIME,
// 8 reserved zero bytes, the size of the data (4 bytes, little-endian) and
// the data, here a new random GUID.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvale {

inline constexpr size_t kGlobalObjectIdSize = 56;

using MeetingGuid = std::array<uint8_t, 16>;

// A random (version 4) UUID from the operating system's random source; a
// fresh one for every meeting.
MeetingGuid NewMeetingGuid();

// The identifier for a meeting created at `creation_time` (FILETIME, UTC).
//   GlobalObjectId(guid, ft).size() == 56
std::vector<uint8_t> GlobalObjectId(const MeetingGuid& data, uint64_t creation_time);

// Both identifiers of a new single meeting. With instance date 0 the clean
// identifier equals the global one, so one GUID serves both.
struct MeetingIdentifiers {
  std::vector<uint8_t> global;
  std::vector<uint8_t> clean;
};
MeetingIdentifiers NewMeetingIdentifiers(uint64_t creation_time);

}  // namespace korvale
