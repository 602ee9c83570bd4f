// Starting the system's own programs: the setup starts KvRegDLL and waits
// for its exit code, the bootstrap starts the setup and does not wait.
// Programs get their arguments as they are (no shell) and no window.
//
//   Expected<int> code = process::RunAndWait(setup_dir + "/KvRegDLL", {library});
//   if (!code.ok()) ...;  // it could not be started: code.status().message() says why
#pragma once

#include <string>
#include <vector>

#include "common/status.h"

namespace korvale::process {

// Runs `program` with `arguments` and waits for it. The value is its exit
// code as the program gave it, read as a signed byte (so that an exit code
// of -1 reads as -1); a program ended by a signal gives -(128 + signal).
// Fails when the program cannot be started.
Expected<int> RunAndWait(const std::string& program, const std::vector<std::string>& arguments);

// Starts `program` with `arguments` in a session of its own and returns at
// once, for callers that end right after (the program runs on without them).
// Fails when the program cannot be started.
Status StartDetached(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace korvale::process
