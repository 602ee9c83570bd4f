// Owning handles for sd-bus objects (private to this folder: the only place
// that sees the sd-bus header). Every object is released by its own unref
// function; a bus is flushed before it is closed, so a queued call is not lost.
#pragma once

#include <systemd/sd-bus.h>

#include <cstring>
#include <memory>
#include <string>

namespace korvale::scm {

struct BusCloser {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
struct SlotUnref {
  void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};

using BusHandle = std::unique_ptr<sd_bus, BusCloser>;
using MessageHandle = std::unique_ptr<sd_bus_message, MessageUnref>;
using SlotHandle = std::unique_ptr<sd_bus_slot, SlotUnref>;

// An error filled by a call, freed with the object.
class BusError {
 public:
  BusError() = default;
  ~BusError() { sd_bus_error_free(&error_); }
  BusError(const BusError&) = delete;
  BusError& operator=(const BusError&) = delete;
  sd_bus_error* get() { return &error_; }
  bool Is(const char* name) const { return sd_bus_error_has_name(&error_, name); }
  // The error's message, or the text of `code` when the bus gave none.
  std::string Text(int code) const {
    if (error_.message && *error_.message) return error_.message;
    return std::string(strerror(code < 0 ? -code : code));
  }

 private:
  sd_bus_error error_ = SD_BUS_ERROR_NULL;
};

}  // namespace korvale::scm
