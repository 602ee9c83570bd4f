#include "config/screens/group_list.h"

#include <utility>

namespace korvale::config {

bool CheckGroupName(const std::string& name, ConfigUi& ui) {
  if (!name.empty()) return true;
  ui.ShowMessage("You must enter a group name.\nIf you don't want to create a group, click Cancel.",
                 "Add Group", MessageIcon::kError);
  return false;
}

bool ApplyMembers(std::vector<GroupEntry>& groups, size_t index, const std::optional<MemberLists>& chosen) {
  if (index >= groups.size()) return false;
  GroupEntry& group = groups[index];
  if (chosen) {
    group.member_names = chosen->names;
    group.member_addresses = chosen->addresses;
  }
  if (!group.member_names.empty()) return true;
  groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(index));
  return false;
}

size_t MoveGroup(std::vector<GroupEntry>& groups, size_t index, int direction) {
  if (index >= groups.size()) return index;
  if (direction < 0 && index == 0) return index;
  if (direction > 0 && index + 1 >= groups.size()) return index;
  const size_t target = direction < 0 ? index - 1 : index + 1;
  std::swap(groups[index], groups[target]);
  return target;
}

}  // namespace korvale::config
