// The stop request of the service host: the global atom "KorvaleStopService"
// followed directly by the instance name. Whoever finds it deletes it.
#pragma once

#include <string>

namespace korvale {

std::string StopAtomName(const std::string& instance_name);

// True when the atom exists; it is deleted then.
bool ConsumeStopAtom(const std::string& instance_name);

// Adds the atom (the service host's side; the agent never calls this).
bool RequestStop(const std::string& instance_name);

// Takes back one RequestStop when the agent has not consumed it (the service
// host's side, once the cycle it was meant for has ended).
void WithdrawStopRequest(const std::string& instance_name);

}  // namespace korvale
