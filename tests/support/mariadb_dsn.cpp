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
#include <mutex>

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

// One lock per process, shared by every MariaDbDsn alive in it: a test may
// hold two data sources at once (two agents), and a second flock on a new
// descriptor of the same process would wait for ever.
std::mutex lock_mutex;
int lock_users = 0;
int lock_fd = -1;

std::string AcquireServerLock() {
  std::lock_guard<std::mutex> guard(lock_mutex);
  if (lock_users > 0) {
    ++lock_users;
    return "";
  }
  const auto path = std::filesystem::temp_directory_path() / "korvale-mariadb-tests.lock";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0 || ::flock(fd, LOCK_EX) != 0) {
    std::string why = "cannot lock " + path.string() + ": " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return why;
  }
  lock_fd = fd;
  lock_users = 1;
  return "";
}

void ReleaseServerLock() {
  std::lock_guard<std::mutex> guard(lock_mutex);
  if (--lock_users == 0) {
    ::close(lock_fd);  // closing releases the lock
    lock_fd = -1;
  }
}

}  // namespace

bool MariaDbRequired() { return Env("CI", "") == "true" && Env("KORVALE_TEST_MYSQL_REQUIRED", "") == "1"; }

MariaDbDsn::MariaDbDsn() {
  const std::string host = Env("KORVALE_TEST_MYSQL_HOST", "127.0.0.1");
  const std::string port = Env("KORVALE_TEST_MYSQL_PORT", "3306");
  user_ = Env("KORVALE_TEST_MYSQL_USER", "korvale");
  password_ = Env("KORVALE_TEST_MYSQL_PASSWORD", "korvale");
  database_ = Env("KORVALE_TEST_MYSQL_DB", "korvale_test");

  reason_ = CheckReachable(host, port);
  if (!reason_.empty()) return;

  // Tests of all processes share one database: take turns.
  if (std::string why = AcquireServerLock(); !why.empty()) {
    reason_ = why;
    return;
  }
  holds_lock_ = true;
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
  if (holds_lock_) ReleaseServerLock();
}

}  // namespace korvale::testing
