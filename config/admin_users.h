// Expanding the administrator accounts (groups into their members) is a
// directory lookup of its own; the save reaches it through this interface.
#pragma once

#include <string>

#include "config/config_ui.h"

namespace korvale::config {

struct AdminExpansion {
  enum class Outcome {
    kComplete,
    kStopped,    // a lookup failed and was shown; `expanded` holds the entries so far
    kSaveEnded,  // listing a group's members failed and was shown; the save ends
  };
  Outcome outcome = Outcome::kComplete;
  std::string expanded;  // "; "-joined
};

class AdminUsersExpander {
 public:
  virtual ~AdminUsersExpander() = default;
  // Expands the "; "-joined accounts; any failure is shown through `ui`.
  virtual AdminExpansion Expand(const std::string& admin_users, ConfigUi& ui) = 0;
};

// Until the directory lookups exist: the accounts as they were entered.
class PassThroughAdminUsers : public AdminUsersExpander {
 public:
  AdminExpansion Expand(const std::string& admin_users, ConfigUi&) override {
    return {AdminExpansion::Outcome::kComplete, admin_users};
  }
};

}  // namespace korvale::config
