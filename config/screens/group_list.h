// The rules of the main window's "Groups" list: the name a new group may
// have, what the members dialog's answer does to a group, and moving groups
// (their order is the order of the web pages' menu).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/config_settings.h"
#include "config/config_ui.h"

namespace korvale::config {

// "Add Group" accepts at most this many characters.
inline constexpr int kMaxGroupNameLength = 50;
inline constexpr const char* kAddGroupPrompt =
    "Please enter the group name according to how you like to have it displayed in Korvale:";

// An empty name shows the message and the dialog stays open (false).
bool CheckGroupName(const std::string& name, ConfigUi& ui);

// What the members dialog returned: the chosen entries' display names and
// addresses, both "; "-joined; nullopt when it was cancelled or failed.
struct MemberLists {
  std::string names;
  std::string addresses;
};

// Applies the members dialog's answer to group `index`. A group whose name
// list is empty afterwards (also after a cancel) is removed: returns false then.
bool ApplyMembers(std::vector<GroupEntry>& groups, size_t index, const std::optional<MemberLists>& chosen);

// Moves group `index` one place up (-1) or down (+1); returns its new index
// (unchanged at either end).
size_t MoveGroup(std::vector<GroupEntry>& groups, size_t index, int direction);

}  // namespace korvale::config
