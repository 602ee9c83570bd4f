#include "tests/support/child_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace korvale::testing {

namespace {
std::string ReadAll(int fd) {
  std::string out;
  char chunk[4096];
  for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) > 0;) out.append(chunk, static_cast<size_t>(n));
  close(fd);
  return out;
}
}  // namespace

ChildOutput InChild(const std::map<std::string, std::string>& env, const std::function<std::string()>& body) {
  int result_pipe[2], out_pipe[2];
  if (pipe(result_pipe) != 0) return {};
  if (pipe(out_pipe) != 0) {
    close(result_pipe[0]);
    close(result_pipe[1]);
    return {};
  }
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out_pipe[1], 1);
    close(out_pipe[0]);
    close(result_pipe[0]);
    for (const auto& [name, value] : env) {
      if (value.empty())
        unsetenv(name.c_str());
      else
        setenv(name.c_str(), value.c_str(), 1);
    }
    std::string result = body();
    for (size_t done = 0; done < result.size();) {
      ssize_t n = write(result_pipe[1], result.data() + done, result.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    std::fflush(stdout);
    _exit(0);
  }
  close(result_pipe[1]);
  close(out_pipe[1]);
  // The result comes first and fits in memory; the printed text is short.
  ChildOutput out{ReadAll(result_pipe[0]), ReadAll(out_pipe[0])};
  int status = 0;
  if (pid > 0) waitpid(pid, &status, 0);
  return out;
}

}  // namespace korvale::testing
