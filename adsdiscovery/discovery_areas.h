// The result buffer of ADSGetOrgAndServers: three areas of 16384 bytes, each
// a zero-terminated text of entries that end with ";":
//   organisations          "name;"
//   administrative groups  "OOOname;"     OOO: the organisation's number
//   servers                "OOOGGGname;"  GGG: the group's number
// Numbers start at 0; an organisation's number is its position in the first
// area, a group's number its position in the second (groups are numbered over
// all organisations). The library writes it with DiscoveryAreas; the callers
// read it with ReadDiscoveryAreas, so both keep the same limits:
//   - an area holds at most 16383 characters: an entry that does not fit
//     whole is left out, and with it everything below it;
//   - numbers go up to 999 (three digits): the 1001st organisation or group
//     is left out the same way;
//   - a name holding ";" (which would split the entry) is left out the same way.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace korvale::ads {

inline constexpr std::size_t kResultBufferSize = 49152;
inline constexpr std::size_t kAreaSize = 16384;
inline constexpr std::size_t kMaxAreaText = kAreaSize - 1;
inline constexpr int kMaxNumber = 999;

class DiscoveryAreas {
 public:
  // Each returns the new entry's number, or -1 when it is left out (see above).
  int AddOrganisation(const std::string& name);
  int AddGroup(int organisation, const std::string& name);
  bool AddServer(int organisation, int group, const std::string& name);

  // Writes the three areas into a buffer of kResultBufferSize bytes (zeroed first).
  void CopyTo(char* buffer) const;

  const std::string& organisations() const { return areas_[0]; }
  const std::string& groups() const { return areas_[1]; }
  const std::string& servers() const { return areas_[2]; }

 private:
  bool Append(int area, const std::string& entry);

  std::string areas_[3];
  int organisation_count_ = 0;
  int group_count_ = 0;
};

struct DiscoveredGroup {
  int organisation = 0;
  std::string name;
};
struct DiscoveredServer {
  int organisation = 0;
  int group = 0;
  std::string name;
};
// What a result buffer lists. A group's number is its index in `groups`.
struct DiscoveredNames {
  std::vector<std::string> organisations;
  std::vector<DiscoveredGroup> groups;
  std::vector<DiscoveredServer> servers;

  // The groups of one organisation as (group number, name), in order.
  std::vector<std::pair<int, std::string>> GroupsOf(int organisation) const;
  // The server names of one group, in order.
  std::vector<std::string> ServersOf(int organisation, int group) const;
};

// Reads a buffer of kResultBufferSize bytes. Never reads past an area, even
// when an area has no terminating zero; entries whose prefix is not all
// digits, or whose numbers name nothing listed before them, are ignored.
DiscoveredNames ReadDiscoveryAreas(const char* buffer);

}  // namespace korvale::ads
