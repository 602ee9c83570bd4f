// Writes many appointments into one mailbox's calendar through MAPI with the
// mailbox opened once and the named properties mapped once; the per-item
// path of the administration tool opens the mailbox for every item, which is
// too slow for a hundred thousand items.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "common/status.h"
#include "platform/mapi/mapi.h"
#include "tools/orgadmin/appointment.h"

namespace korvale::bench {

class CalendarWriter {
 public:
  explicit CalendarWriter(mapi::IMAPISession& session) : session_(session) {}
  // The organizer's copy only (attendees become recipients, no copies).
  Status Write(const orgadmin::AppointmentSpec& spec);

 private:
  struct Box {
    orgadmin::MailboxFolders folders;
    mapi::SPropTagArray ids;  // calendar names, then the series names
  };
  Expected<Box*> Open(const std::string& mailbox);
  Expected<mapi::ADRENTRY> Resolve(const std::string& name, mapi::ULONG type);

  mapi::IMAPISession& session_;
  std::shared_ptr<mapi::IAddrBook> ab_;
  std::map<std::string, Box> boxes_;
  std::map<std::string, mapi::ADRENTRY> resolved_;
};

}  // namespace korvale::bench
