// The account a service runs as. The original platform's "DOMAIN\user" names
// an account of a domain; here it is a user of this machine, named as the
// system's accounts service names it: "DOMAIN\user" itself where a directory
// service names its users so, else the user name after the backslash.
//
//   auto user = scm::ServiceAccountUser("KORVALE\\svc-korvale");  // "svc-korvale"
#pragma once

#include <optional>
#include <string>

namespace korvale::scm {

// The machine's user name for `account`, or nullopt when the machine has no such user.
std::optional<std::string> ServiceAccountUser(const std::string& account);

}  // namespace korvale::scm
