#include "platform/scm/service_account.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace korvale::scm {
namespace {

bool UserExists(const std::string& name) {
  if (name.empty()) return false;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  return getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr;
}

}  // namespace

std::optional<std::string> ServiceAccountUser(const std::string& account) {
  if (UserExists(account)) return account;
  const auto backslash = account.rfind('\\');
  if (backslash != std::string::npos && UserExists(account.substr(backslash + 1))) {
    return account.substr(backslash + 1);
  }
  return std::nullopt;
}

}  // namespace korvale::scm
