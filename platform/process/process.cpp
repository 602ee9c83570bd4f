#include "platform/process/process.h"

#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace korvale::process {
namespace {

// posix_spawn reports a program that cannot be executed as a failed spawn
// (glibc uses a close-on-exec pipe for it), so "cannot be started" is its result.
Expected<pid_t> Spawn(const std::string& program, const std::vector<std::string>& arguments,
                      const posix_spawnattr_t* attributes) {
  std::vector<std::string> args = {program};
  args.insert(args.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, program.c_str(), nullptr, attributes, argv.data(), environ);
  if (error != 0) return Status::Error(program + ": " + strerror(error), error);
  return pid;
}

Expected<int> Wait(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return Status::Error(strerror(errno), errno);
  }
  if (WIFEXITED(status)) return static_cast<int>(static_cast<signed char>(WEXITSTATUS(status)));
  return -(128 + WTERMSIG(status));
}

}  // namespace

Expected<int> RunAndWait(const std::string& program, const std::vector<std::string>& arguments) {
  Expected<pid_t> pid = Spawn(program, arguments, nullptr);
  if (!pid.ok()) return pid.status();
  return Wait(*pid);
}

Status StartDetached(const std::string& program, const std::vector<std::string>& arguments) {
  // A session of its own: the program is not ended with the caller's
  // terminal, and once the caller ends it is reparented to init.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  Expected<pid_t> pid = Spawn(program, arguments, &attributes);
  posix_spawnattr_destroy(&attributes);
  if (!pid.ok()) return pid.status();
  return Status::Ok();
}

}  // namespace korvale::process
