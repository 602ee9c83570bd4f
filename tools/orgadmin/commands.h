// The commands of korvale-orgadmin, each a function that writes its report
// to `out` and returns a Status; main.cpp only parses the command line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "common/status.h"
#include "tools/orgadmin/appointment.h"

namespace korvale::orgadmin {

// Creates (or extends) the organisation of `store` from the file; one transaction.
Status CreateOrganisation(const std::string& store, const std::string& org_file, std::ostream& out);
// Writes the store's servers into the server map of the profile file.
Status RegisterServers(const std::string& store, const std::string& profile_file, std::ostream& out);
// "mailboxes" or "folders" (of one mailbox when `mailbox` is given).
Status List(const std::string& store, const std::string& what, const std::string& mailbox, std::ostream& out);
// Every property, recipient and attachment of a message, by entry identifier (hex).
Status ShowMessage(const std::string& store, const std::string& entry_id_hex, std::ostream& out);
Status AddAppointment(const std::string& store, const AppointmentSpec& spec, std::ostream& out);
Status RemoveAppointment(const std::string& store, const std::string& mailbox,
                         const std::string& entry_id_hex, std::ostream& out);
// What arrived in a mailbox's Inbox, oldest first; with `bodies` the texts too.
Status ShowInbox(const std::string& store, const std::string& mailbox, bool bodies, std::ostream& out);

}  // namespace korvale::orgadmin
