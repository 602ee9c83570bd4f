#include "config/windows/home_server_admin_users.h"

#include <memory>

#include "common/text.h"
#include "config/admin_expansion.h"
#include "platform/accounts/org_account_directory.h"
#include "platform/mapi/mapi.h"

namespace korvale::config {

std::string ServerNameOf(const std::string& home_server) {
  const std::string lower = Lower(home_server);
  const size_t at = lower.rfind("/cn=");
  return at == std::string::npos ? home_server : home_server.substr(at + 4);
}

AdminExpansion HomeServerAdminUsers::Expand(const std::string& admin_users, ConfigUi& ui) {
  auto opened =
      accounts::OpenAccountDirectoryForServer(mapi::MAPIProfileFile(), ServerNameOf(home_server_()));
  std::unique_ptr<accounts::AccountDirectory> directory =
      opened.ok() ? std::move(*opened) : accounts::UnreadableAccountDirectory(opened.status().message());
  DirectoryAdminUsers expander(*directory);
  return expander.Expand(admin_users, ui);
}

}  // namespace korvale::config
