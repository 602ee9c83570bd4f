// Data sources on the MariaDB test server.
#include "tests/support/mariadb_dsn.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "tests/support/sqlite_dsn.h"

namespace korvale::testing {
namespace {

std::string Env(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return (value != nullptr && *value != '\0') ? value : fallback;
}

// Empty when something accepts TCP connections at host:port within two seconds.
std::string CheckReachable(const std::string& host, const std::string& port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found); rc != 0) {
    return "cannot resolve " + host + ": " + ::gai_strerror(rc);
  }
  std::string reason = "nothing answers on " + host + ":" + port;
  for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
    int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) continue;
    int rc = ::connect(fd, a->ai_addr, a->ai_addrlen);
    if (rc != 0 && errno == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, 2000) == 1) {
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        rc = error == 0 ? 0 : -1;
        if (error != 0) errno = error;
      } else {
        errno = ETIMEDOUT;
      }
    }
    const int saved = errno;
    ::close(fd);
    if (rc == 0) {
      reason.clear();
      break;
    }
    reason = "cannot connect to " + host + ":" + port + ": " + std::strerror(saved) +
             " (start a server with .ci/start-mariadb.sh)";
  }
  ::freeaddrinfo(found);
  return reason;
}

}  // namespace

bool MariaDbRequired() {
  return Env("CI", "") == "true" && Env("KORVALE_TEST_MYSQL_REQUIRED", "") == "1";
}

MariaDbDsn::MariaDbDsn() {
  const std::string host = Env("KORVALE_TEST_MYSQL_HOST", "127.0.0.1");
  const std::string port = Env("KORVALE_TEST_MYSQL_PORT", "3306");
  user_ = Env("KORVALE_TEST_MYSQL_USER", "korvale");
  password_ = Env("KORVALE_TEST_MYSQL_PASSWORD", "korvale");
  database_ = Env("KORVALE_TEST_MYSQL_DB", "korvale_test");

  reason_ = CheckReachable(host, port);
  if (!reason_.empty()) return;

  // Tests of all processes share one database: take turns.
  const auto lock_path = std::filesystem::temp_directory_path() / "korvale-mariadb-tests.lock";
  lock_fd_ = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (lock_fd_ < 0 || ::flock(lock_fd_, LOCK_EX) != 0) {
    reason_ = "cannot lock " + lock_path.string() + ": " + std::strerror(errno);
    return;
  }
  name_ = RegisterTestDsn("korvale_mariadb", {{"Driver", "MariaDB Unicode"},
                                              {"Server", host},
                                              {"Port", port},
                                              {"Database", database_},
                                              {"User", user_},
                                              {"Password", password_},
                                              {"Charset", "utf8mb4"}});
  available_ = true;
}

MariaDbDsn::~MariaDbDsn() {
  if (lock_fd_ >= 0) ::close(lock_fd_);  // closing releases the lock
}

}  // namespace korvale::testing
