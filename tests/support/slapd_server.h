// A private LDAP server for tests: slapd with a configuration file of its
// own, a database filled from LDIF files with slapadd, listening on a free
// loopback port, stopped and removed with the object (slapd and slapadd are
// looked for in KORVALE_SLAPD_DIR when set, else PATH and /usr/sbin). It never touches a
// system slapd (port 389, /etc/ldap/slapd.d).
//
//   SlapdServer directory({.schema_files = {...}, .root_dse_file = ...,
//                          .suffix = "cn=Configuration,dc=korvale,dc=test",
//                          .ldif_files = {...}});
//   KORVALE_REQUIRE_SLAPD(directory);
//   setenv("LDAPURI", directory.uri().c_str(), 1);
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace korvale::testing {

struct SlapdConfig {
  std::vector<std::string> schema_files;  // after the core schema
  std::string root_dse_file;              // LDIF of extra root DSE attributes; may be empty
  std::string suffix;                     // the database's naming context
  std::vector<std::string> ldif_files;    // loaded in order
};

class SlapdServer {
 public:
  explicit SlapdServer(const SlapdConfig& config);
  ~SlapdServer();
  SlapdServer(const SlapdServer&) = delete;
  SlapdServer& operator=(const SlapdServer&) = delete;

  // False when the server could not be started; then binary_missing() says
  // whether it is because slapd is not installed.
  bool available() const { return pid_ > 0; }
  bool binary_missing() const { return binary_missing_; }
  const std::string& unavailable_reason() const { return reason_; }
  // "ldap://127.0.0.1:<port>/"
  std::string uri() const;
  // A folder of the fixture's own, for files a test writes (ldap.conf ...).
  const TempDir& dir() const { return dir_; }

 private:
  bool Start(const SlapdConfig& config);
  void Stop();

  TempDir dir_;
  std::string slapd_, slapadd_;
  int port_ = 0;
  pid_t pid_ = -1;
  bool binary_missing_ = false;
  std::string reason_;
};

// True when a missing slapd must fail the test instead of skipping it:
// CI=true and KORVALE_TEST_SLAPD_REQUIRED=1.
bool SlapdRequired();

}  // namespace korvale::testing

// In a test body: skips the test when slapd is not installed (fails it when
// SlapdRequired()); fails it when slapd is installed but would not start.
#define KORVALE_REQUIRE_SLAPD(server)                                                         \
  do {                                                                                        \
    if (!(server).available()) {                                                              \
      if ((server).binary_missing() && !::korvale::testing::SlapdRequired()) {                \
        GTEST_SKIP() << "slapd is not installed: " << (server).unavailable_reason();          \
      }                                                                                       \
      FAIL() << "the test directory server did not start: " << (server).unavailable_reason(); \
    }                                                                                         \
  } while (false)
