// The declarative organisation file: what it may hold and how it is read
// into an organisation spec and a list of appointments. Reading checks the
// whole file and reports every error with the file, the entry and what is
// wrong; nothing is written by reading. The format is in README.md.
#pragma once

#include <string>
#include <vector>

#include "common/status.h"
#include "platform/mapi/orgstore/org_store.h"
#include "platform/tz/tz_types.h"
#include "tools/orgadmin/appointment.h"

namespace korvale::orgadmin {

struct OrgFile {
  mapi::orgstore::OrganisationSpec spec;
  std::vector<AppointmentSpec> appointments;
};

// Parses JSON text; `file` names the source in messages.
Expected<OrgFile> ParseOrgFile(const std::string& text, const std::string& file);
Expected<OrgFile> ReadOrgFile(const std::string& path);

// "2024-05-06 09:00" (local time in `zone`, a Windows zone key such as
// "W. Europe Standard Time") or "2024-05-06T09:00Z" (UTC; `zone` ignored).
// Seconds are optional. On success *utc is a FILETIME and, for local times,
// *zone_struct the 48-byte appointment time-zone structure of the zone.
Status ParseTime(const std::string& text, const std::string& zone, mapi::FILETIME* utc,
                 std::string* zone_struct);

// Rights given as a number or as an Outlook permission level name
// ("Owner", "PublishingEditor", "Editor", "PublishingAuthor", "Author",
// "NonEditingAuthor", "Reviewer", "Contributor", "FreeBusyTimeOnly",
// "FreeBusyDetailed", "None").
bool ParseRights(const std::string& text, mapi::ULONG* rights);

}  // namespace korvale::orgadmin
