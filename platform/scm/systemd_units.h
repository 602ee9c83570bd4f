// How a service of this machine is written as a systemd unit: its unit name
// (the service name escaped the way systemd escapes names, so that the name
// comes back unchanged, letter case and blanks included) and the unit file
// that runs its program. No systemd library is needed for either.
//
//   UnitNameOf("Korvale Update Service")  == "Korvale\\x20Update\\x20Service.service"
//   ServiceNameOf("Korvale\\x20Update\\x20Service.service") == "Korvale Update Service"
#pragma once

#include <optional>
#include <string>

#include "platform/scm/service_manager.h"

namespace korvale::scm {

// The unit name of a service, or nothing when the name cannot be one (empty,
// a line break, or longer than systemd allows once escaped).
std::optional<std::string> UnitNameOf(const std::string& service_name);

// The service name of a unit ("x.service"); "\xNN" escapes are undone.
std::string ServiceNameOf(const std::string& unit_name);

// The unit file: the program and its arguments as one ExecStart line, each
// word quoted so that blanks, quotation marks, backslashes, "%" and "$" reach
// the program as they stand.
std::string UnitFileText(const ServiceDefinition& definition);

}  // namespace korvale::scm
