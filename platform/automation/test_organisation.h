// Test support: a temporary organisation store with a few mailboxes, and a
// class registry beside it in which the mail client is registered for it.
#pragma once

#include <string>

#include "tests/support/temp_dir.h"

namespace korvale::automation::testing {

// Mailboxes "Anna Berg" (anna), "Annika Bell" (annika), "Ben Cole" (ben,
// without a calendar folder) on server SRV1 of organisation "Org", site "Site",
// and the distribution list "Team" (team). Anna's calendar holds "Lunch" on
// 2026-03-02 12:00 UTC and a private "Doctor" on 2026-03-03 08:00 UTC.
class TestOrganisation {
 public:
  TestOrganisation();
  ~TestOrganisation();
  // Sets KORVALE_CLASS_REGISTRY (and KORVALE_MAPI_PROFILES) to files of
  // this organisation for this process, and registers the mail client in the
  // registry for the user annika (or, without `register_mail_client`,
  // removes it).
  void UseRegistry(bool register_mail_client = true);
  const std::string& store_path() const { return store_path_; }
  const std::string& registry_path() const { return registry_path_; }
  std::string File(const std::string& name) const { return dir_.File(name); }

 private:
  korvale::testing::TempDir dir_;
  std::string store_path_, registry_path_;
};

inline constexpr const char* kAnnaDn = "/o=Org/ou=Site/cn=Recipients/cn=anna";

}  // namespace korvale::automation::testing
