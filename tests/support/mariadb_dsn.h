// The MariaDB server of the MySQL-dialect tests, reached through the real
// MariaDB ODBC driver. The server is named by KORVALE_TEST_MYSQL_HOST, _PORT,
// _USER, _PASSWORD and _DB (defaults 127.0.0.1, 3306, korvale, korvale,
// korvale_test); .ci/start-mariadb.sh starts one.
//
// While a MariaDbDsn lives its process holds a lock shared by all test
// processes of the machine, so tests that use the fixed table names of the
// calendar database never run against the server at the same time. Several
// MariaDbDsn objects of one process share the lock.
//
//   TEST(MySqlDialect, Something) {
//     MariaDbDsn dsn;
//     KORVALE_REQUIRE_MARIADB(dsn);   // skips, or fails in CI when required
//     ...
//   }
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace korvale::testing {

class MariaDbDsn {
 public:
  MariaDbDsn();
  ~MariaDbDsn();
  MariaDbDsn(const MariaDbDsn&) = delete;
  MariaDbDsn& operator=(const MariaDbDsn&) = delete;

  bool available() const { return available_; }
  // Why the server cannot be used (empty when it can).
  const std::string& unavailable_reason() const { return reason_; }
  const std::string& name() const { return name_; }
  const std::string& user() const { return user_; }
  const std::string& password() const { return password_; }
  const std::string& database() const { return database_; }
  std::string ConnectString() const { return "DSN=" + name_; }

 private:
  bool available_ = false;
  std::string reason_;
  std::string name_, user_, password_, database_;
  bool holds_lock_ = false;
};

// A second account of the test server (created by .ci/start-mariadb.sh with
// the same values) whose password holds the characters a connect string
// must brace.
inline constexpr char kBracedTestUser[] = "korvale_braced";
inline constexpr char kBracedTestPassword[] = "pa;ss}wo{rd=1";

// True when a missing server must fail the test instead of skipping it:
// CI=true and KORVALE_TEST_MYSQL_REQUIRED=1.
bool MariaDbRequired();

}  // namespace korvale::testing

// In a test body: skips the test when the server is not available, or fails
// it when MariaDbRequired().
#define KORVALE_REQUIRE_MARIADB(dsn)                                                          \
  do {                                                                                        \
    if (!(dsn).available()) {                                                                 \
      if (::korvale::testing::MariaDbRequired()) {                                            \
        FAIL() << "MariaDB is required here but unavailable: " << (dsn).unavailable_reason(); \
      }                                                                                       \
      GTEST_SKIP() << "MariaDB unavailable: " << (dsn).unavailable_reason();                  \
    }                                                                                         \
  } while (false)
