// Runs a program as a real child process and waits for it.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace korvale::testing {

struct ProcessResult {
  int exit_code = -1;  // -1 when it did not exit normally
  std::string output;  // standard output and error together
};

// Runs `program` with `args` in `working_dir`; `env` entries are added to (or
// override) the current environment; an empty value removes the variable.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env = {},
                         const std::string& working_dir = "");

// A program built by this project (KORVALE_BUILD_DIR/<relative path>).
std::string BuiltProgram(const std::string& relative_path);

}  // namespace korvale::testing
