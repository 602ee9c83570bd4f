// Global object identifiers of new meetings.
#include "agent/booking/mailbox/meeting_identifiers.h"

#include <random>

namespace korvale {
namespace {

constexpr std::array<uint8_t, 16> kClassId = {0x04, 0x00, 0x00, 0x00, 0x82, 0x00, 0xE0, 0x00,
                                              0x74, 0xC5, 0xB7, 0x10, 0x1A, 0x82, 0xE0, 0x08};

void PutLittleEndian(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

MeetingGuid NewMeetingGuid() {
  std::random_device source;  // the kernel's random source, not a seeded generator
  MeetingGuid guid{};
  for (size_t i = 0; i < guid.size(); i += 4) {
    uint32_t word = source();
    for (size_t j = 0; j < 4; ++j) guid[i + j] = static_cast<uint8_t>(word >> (8 * j));
  }
  guid[6] = static_cast<uint8_t>((guid[6] & 0x0F) | 0x40);  // version 4
  guid[8] = static_cast<uint8_t>((guid[8] & 0x3F) | 0x80);  // RFC 4122 variant
  return guid;
}

std::vector<uint8_t> GlobalObjectId(const MeetingGuid& data, uint64_t creation_time) {
  std::vector<uint8_t> id(kClassId.begin(), kClassId.end());
  id.reserve(kGlobalObjectIdSize);
  PutLittleEndian(id, 0, 4);  // instance date: not an exception
  PutLittleEndian(id, creation_time, 8);
  PutLittleEndian(id, 0, 8);  // reserved
  PutLittleEndian(id, data.size(), 4);
  id.insert(id.end(), data.begin(), data.end());
  return id;
}

MeetingIdentifiers NewMeetingIdentifiers(uint64_t creation_time) {
  std::vector<uint8_t> id = GlobalObjectId(NewMeetingGuid(), creation_time);
  return {id, id};
}

}  // namespace korvale
