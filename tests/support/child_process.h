// Runs a piece of a test in a forked child with its own environment, for
// libraries that read their configuration once per process (libldap reads
// ldap.conf and LDAPURI at its first use).
#pragma once

#include <functional>
#include <map>
#include <string>

namespace korvale::testing {

struct ChildOutput {
  std::string result;       // what the body returned
  std::string stdout_text;  // what it printed on standard output
};

// Runs `body` in a child with `env` applied (an empty value unsets the
// variable) and waits for it.
ChildOutput InChild(const std::map<std::string, std::string>& env, const std::function<std::string()>& body);

}  // namespace korvale::testing
