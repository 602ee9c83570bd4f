// Extended MAPI as the system uses it: include this one header.
//
//   MAPIINIT_0 init{MAPI_INIT_VERSION, MAPI_NT_SERVICE};
//   MAPIInitialize(&init);
//   std::shared_ptr<IMAPISession> session;
//   HRESULT hr = MAPILogonEx(0, "Caldrun", "", MAPI_NT_SERVICE | MAPI_NO_MAIL | MAPI_EXTENDED,
//                            &session);
//   ...
//   session.reset();
//   MAPIUninitialize();
//
// The provider behind it is the organisation store (platform/mapi/orgstore);
// README.md beside this file shows a whole logon, store and calendar walk.
#pragma once

#include <memory>
#include <string>

#include "platform/mapi/mapi_codes.h"
#include "platform/mapi/mapi_defs.h"
#include "platform/mapi/mapi_prop.h"
#include "platform/mapi/mapi_session.h"
#include "platform/mapi/mapi_store.h"
#include "platform/mapi/mapi_tags.h"
#include "platform/mapi/prop_value.h"
#include "platform/mapi/restriction.h"

namespace korvale::mapi {

struct MAPIINIT_0 {
  ULONG ulVersion = MAPI_INIT_VERSION;
  ULONG ulFlags = 0;
  // Not in MAPI: the profile file to use. Empty: $KORVALE_MAPI_PROFILES, else
  // "mapi-profiles.json" in the directory of the running program.
  std::string profile_file;
};

// Counts initialisations per process; every other entry point except the
// helpers fails with MAPI_E_NOT_INITIALIZED until MAPIInitialize succeeded.
// A later MAPIInitialize with another profile file while initialised fails
// with MAPI_E_INVALID_PARAMETER.
HRESULT MAPIInitialize(const MAPIINIT_0* init);
void MAPIUninitialize();

// The profile file in use (after MAPIInitialize).
std::string MAPIProfileFile();

HRESULT MAPIAdminProfiles(ULONG flags, std::shared_ptr<IProfAdmin>* admin);

// Logs on with a profile of the profile file. MAPI_E_LOGON_FAILED when the
// profile does not exist or has no Exchange service; MAPI_E_UNCONFIGURED when
// its service names no mailbox or the mailbox does not resolve;
// MAPI_E_NETWORK_ERROR when its server is not in the server map or the
// organisation store cannot be opened. An empty profile name with
// MAPI_LOGON_UI or MAPI_USE_DEFAULT takes the only profile; with no profiles
// at all, an administrative session (the directory, no default store) on the
// one store the server map names; otherwise MAPI_E_LOGON_FAILED.
HRESULT MAPILogonEx(ULONG ui_param, const std::string& profile_name, const std::string& password, ULONG flags,
                    std::shared_ptr<IMAPISession>* session);

// The permission table of a folder (the Exchange ACL helper).
// MAPI_E_INVALID_ENTRYID / MAPI_E_NOT_FOUND when the identifier names no
// folder of this store.
HRESULT HrFolderACLsOpen(IMAPISession* session, IMsgStore* store, const ENTRYID& folder_entry_id,
                         std::unique_ptr<FolderACLs>* acls);

}  // namespace korvale::mapi
