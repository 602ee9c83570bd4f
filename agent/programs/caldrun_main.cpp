// Caldrun: one update cycle per run, the instance name as the first argument.
#include <cstdio>

#include "agent/core/update_agent.h"

int main(int argc, char** argv) {
  korvale::AgentPaths paths = korvale::PathsOfRunningProgram();
  if (paths.executable.empty()) {
    std::fputs("Fatal Error: MFC initialization failed\n", stderr);
    return 1;
  }
  return korvale::RunThread(argc > 1 ? argv[1] : nullptr, paths);
}
