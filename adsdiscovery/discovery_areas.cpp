#include "adsdiscovery/discovery_areas.h"

#include <cstdio>
#include <cstring>

namespace korvale::ads {

namespace {

std::string Number(int n) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03d", n);
  return digits;
}

// The entries of one area: its text up to the first zero, split at ";".
std::vector<std::string> Entries(const char* area) {
  const void* end = std::memchr(area, '\0', kAreaSize);
  std::string text(area, end ? static_cast<const char*>(end) - area : kMaxAreaText);
  std::vector<std::string> entries;
  size_t start = 0;
  for (size_t semi; (semi = text.find(';', start)) != std::string::npos; start = semi + 1)
    entries.push_back(text.substr(start, semi - start));
  return entries;
}

// Reads "OOO" at `pos`; -1 when the three characters are not digits.
int ParseNumber(const std::string& entry, size_t pos) {
  if (entry.size() < pos + 3) return -1;
  int n = 0;
  for (size_t i = pos; i < pos + 3; ++i) {
    if (entry[i] < '0' || entry[i] > '9') return -1;
    n = n * 10 + (entry[i] - '0');
  }
  return n;
}

}  // namespace

bool DiscoveryAreas::Append(int area, const std::string& entry) {
  if (areas_[area].size() + entry.size() > kMaxAreaText) return false;
  areas_[area] += entry;
  return true;
}

int DiscoveryAreas::AddOrganisation(const std::string& name) {
  if (organisation_count_ > kMaxNumber || name.find(';') != std::string::npos) return -1;
  if (!Append(0, name + ";")) return -1;
  return organisation_count_++;
}

int DiscoveryAreas::AddGroup(int organisation, const std::string& name) {
  if (group_count_ > kMaxNumber || name.find(';') != std::string::npos) return -1;
  if (!Append(1, Number(organisation) + name + ";")) return -1;
  return group_count_++;
}

bool DiscoveryAreas::AddServer(int organisation, int group, const std::string& name) {
  if (name.find(';') != std::string::npos) return false;
  return Append(2, Number(organisation) + Number(group) + name + ";");
}

void DiscoveryAreas::CopyTo(char* buffer) const {
  std::memset(buffer, 0, kResultBufferSize);
  for (int i = 0; i < 3; ++i) std::memcpy(buffer + i * kAreaSize, areas_[i].data(), areas_[i].size());
}

std::vector<std::pair<int, std::string>> DiscoveredNames::GroupsOf(int organisation) const {
  std::vector<std::pair<int, std::string>> out;
  for (size_t i = 0; i < groups.size(); ++i)
    if (groups[i].organisation == organisation) out.emplace_back(static_cast<int>(i), groups[i].name);
  return out;
}

std::vector<std::string> DiscoveredNames::ServersOf(int organisation, int group) const {
  std::vector<std::string> out;
  for (const auto& server : servers)
    if (server.organisation == organisation && server.group == group) out.push_back(server.name);
  return out;
}

DiscoveredNames ReadDiscoveryAreas(const char* buffer) {
  DiscoveredNames names;
  names.organisations = Entries(buffer);
  if (names.organisations.size() > static_cast<size_t>(kMaxNumber) + 1)
    names.organisations.resize(kMaxNumber + 1);
  const int organisations = static_cast<int>(names.organisations.size());
  for (const auto& entry : Entries(buffer + kAreaSize)) {
    int org = ParseNumber(entry, 0);
    // A group the reader drops would shift the numbers of all after it: stop there.
    if (org < 0 || org >= organisations || names.groups.size() > static_cast<size_t>(kMaxNumber)) break;
    names.groups.push_back({org, entry.substr(3)});
  }
  for (const auto& entry : Entries(buffer + 2 * kAreaSize)) {
    int org = ParseNumber(entry, 0), group = ParseNumber(entry, 3);
    if (org < 0 || group < 0 || group >= static_cast<int>(names.groups.size()) ||
        names.groups[group].organisation != org)
      continue;
    names.servers.push_back({org, group, entry.substr(6)});
  }
  return names;
}

}  // namespace korvale::ads
