// The membership map of one cycle: for each user display name, the text
// "//G1//G2//" naming the scan groups the user belongs to, in group order.
// Built before the scan, read by the mailbox scan for the DL column.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace korvale {

class MembershipMap {
 public:
  // Adds the group to the user's text unless it is there already.
  void Add(const std::string& user, const std::string& group) {
    auto it = index_.find(user);
    if (it == index_.end()) {
      index_.emplace(user, entries_.size());
      entries_.push_back({user, "//" + group + "//"});
      return;
    }
    std::string& text = entries_[it->second].second;
    if (text.find(group + "//") == std::string::npos) text += group + "//";
  }
  // The user's membership text (exact comparison of the name), else empty.
  std::string Find(const std::string& user) const {
    auto it = index_.find(user);
    return it == index_.end() ? std::string() : entries_[it->second].second;
  }
  const std::vector<std::pair<std::string, std::string>>& entries() const { return entries_; }
  void Clear() {
    entries_.clear();
    index_.clear();
  }

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
  std::unordered_map<std::string, size_t> index_;
};

}  // namespace korvale
