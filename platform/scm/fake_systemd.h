// A private message bus with a fake systemd on it, so that the systemd service
// manager is exercised over real D-Bus where the machine has no systemd.
// The fake keeps units as systemd shows them on the bus: unit files of one
// folder (read again on Reload) and one system unit outside it; Start checks
// that the program can run, Stop passes through "deactivating" with a queued
// stop job before the unit is inactive. Test use only.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "common/status.h"

namespace korvale::scm {

class FakeSystemdBus {
 public:
  // Starts dbus-daemon with its socket in `dir` and the fake on it, reading units from `unit_dir`.
  static Expected<std::unique_ptr<FakeSystemdBus>> Start(const std::string& dir, const std::string& unit_dir);
  ~FakeSystemdBus();  // ends the fake and the bus
  FakeSystemdBus(const FakeSystemdBus&) = delete;
  FakeSystemdBus& operator=(const FakeSystemdBus&) = delete;

  // The bus address, for DBUS_SYSTEM_BUS_ADDRESS.
  const std::string& address() const { return address_; }

 private:
  FakeSystemdBus() = default;
  std::string address_;
  pid_t daemon_ = 0;
  pid_t fake_ = 0;
};

}  // namespace korvale::scm
