#include "agent/core/temp_profile.h"

#include <algorithm>

namespace korvale {

using namespace mapi;

namespace {

std::string ExtendedError(const std::optional<MAPIERROR>& error) {
  return "Version: " + std::to_string(error->ulVersion) + "\nError Message: " + error->lpszError +
         "\nComponent: " + error->lpszComponent;
}

// The service administration's extended error when it has one, else the code.
std::string ServiceErrorText(IMsgServiceAdmin& services, HRESULT hr) {
  std::optional<MAPIERROR> error;
  if (SUCCEEDED(services.GetLastError(hr, 0, &error)) && error) return ExtendedError(error);
  return HResultHex(hr);
}

void Report139(AgentLog& log, const std::string& step, const std::string& detail) {
  log.LogEvent(EventType::kError, event_id::kConfigureProfile, step, detail);
}

const char* const kConfigureHelp =
    " Please check the parameters LogonServer and LogonMailbox in Caldrun.ini: LogonServer must "
    "name the mail server that holds the service account's mailbox and LogonMailbox that mailbox. "
    "The value of an address key of a [Group] section that names the service account's own "
    "mailbox can be copied into LogonMailbox. It is also recommended to install the latest update "
    "rollup of the mail server and the latest version of the messaging libraries.";

HRESULT CreateProfileOrRetry(IProfAdmin& admin, const std::string& name, AgentLog& log) {
  HRESULT hr = admin.CreateProfile(name, "", 0, 0);
  if (SUCCEEDED(hr)) return hr;
  HRESULT deleted = admin.DeleteProfile(name, 0);
  if (FAILED(deleted)) {
    Report139(log, "DeleteProfile", HResultHex(deleted) + ", CreateProfile returned " + HResultHex(hr));
    return deleted;
  }
  hr = admin.CreateProfile(name, "", 0, 0);
  if (FAILED(hr)) log.LogEvent(EventType::kError, event_id::kCreateProfile2, name, HResultHex(hr));
  return hr;
}

// The result of the last call: a failed write or save is the profile's failure.
HRESULT SetIgnoreNoPublicFolders(IMsgServiceAdmin& services, AgentLog& log) {
  std::shared_ptr<IProfSect> section;
  // Failing to open the global section is not reported.
  if (FAILED(services.OpenProfileSection(pbGlobalProfileSectionGuid, nullptr, MAPI_MODIFY, &section)) ||
      !section) {
    return S_OK;
  }
  SPropValue current;
  HRESULT hr = HrGetOneProp(section.get(), PR_PROFILE_CONNECT_FLAGS, &current);
  int32_t flags = SUCCEEDED(hr) && current.Long() ? (*current.Long() | CONNECT_IGNORE_NO_PF) : 0x8002;
  hr = section->SetProps({SPropValue(PR_PROFILE_CONNECT_FLAGS, flags)}, nullptr);
  if (FAILED(hr)) {
    Report139(log, "SetProps for CONNECT_IGNORE_NO_PF", HResultHex(hr));
    return hr;
  }
  hr = section->SaveChanges(KEEP_OPEN_READWRITE);
  if (FAILED(hr)) Report139(log, "SaveChanges for CONNECT_IGNORE_NO_PF", HResultHex(hr));
  return hr;
}

HRESULT Create(const std::string& server, const std::string& mailbox, const std::string& name, int msx2k,
               AgentLog& log) {
  std::shared_ptr<IProfAdmin> admin;
  HRESULT hr = MAPIAdminProfiles(0, &admin);
  if (FAILED(hr)) return Report139(log, "MAPIAdminProfiles", HResultHex(hr)), hr;

  std::shared_ptr<IMAPITable> profiles;
  hr = admin->GetProfileTable(0, &profiles);
  SRowSet rows;
  if (SUCCEEDED(hr)) hr = HrQueryAllRows(profiles.get(), nullptr, nullptr, nullptr, 0, &rows);
  if (FAILED(hr)) return Report139(log, "GetProfileTable", HResultHex(hr)), hr;
  for (const auto& row : rows.aRow) {
    for (const auto& value : row.lpProps) {
      if (value.ulPropTag == PR_DISPLAY_NAME && value.String() && *value.String() == name) return S_OK;
    }
  }

  hr = CreateProfileOrRetry(*admin, name, log);
  if (FAILED(hr)) return hr;

  std::shared_ptr<IMsgServiceAdmin> services;
  hr = admin->AdminServices(name, "", 0, 0, &services);
  if (FAILED(hr)) return Report139(log, "AdminServices", HResultHex(hr)), hr;

  hr = services->CreateMsgService("MSEMS", "Microsoft Exchange", 0, 0);
  if (FAILED(hr)) {
    log.LogEvent(EventType::kError, event_id::kCreateService, ServiceErrorText(*services, hr));
    return hr;
  }

  std::shared_ptr<IMAPITable> table;
  hr = services->GetMsgServiceTable(0, &table);
  if (FAILED(hr)) return Report139(log, "GetMsgServiceTable", ServiceErrorText(*services, hr)), hr;
  SPropTagArray columns{PR_SERVICE_NAME, PR_SERVICE_UID};
  SRestriction is_exchange =
      RestrictContent(FL_FULLSTRING, PR_SERVICE_NAME, {PR_SERVICE_NAME, std::string("MSEMS")});
  SRowSet found;
  hr = HrQueryAllRows(table.get(), &columns, &is_exchange, nullptr, 0, &found);
  if (FAILED(hr)) return Report139(log, "HrQueryAllRows", HResultHex(hr)), hr;
  const SBinary* uid_bytes = found.empty() ? nullptr : found.aRow[0].lpProps[1].Binary();
  if (!uid_bytes || uid_bytes->size() < 16) {
    hr = found.empty() ? MAPI_E_NOT_FOUND : MAPI_E_CORRUPT_DATA;
    Report139(log, "HrQueryAllRows did not find any rows and", HResultHex(hr));
    return hr;
  }
  MAPIUID uid;
  std::copy_n(uid_bytes->begin(), 16, uid.begin());

  hr = services->ConfigureMsgService(
      uid, 0, 0, {{PR_PROFILE_UNRESOLVED_NAME, mailbox}, {PR_PROFILE_UNRESOLVED_SERVER, server}});
  if (FAILED(hr)) {
    std::optional<MAPIERROR> error;
    std::string text;
    if (SUCCEEDED(services->GetLastError(hr, 0, &error)) && error) {
      text = ExtendedError(error);
    } else if (hr == E_ACCESSDENIED) {
      text = "Access denied.";
    } else {
      text = HResultHex(hr) + "." + kConfigureHelp;
    }
    Report139(log, "ConfigureMsgService", text);
    // The logon that follows fails and reports it.
    return admin->DeleteProfile(name, 0);
  }
  if (msx2k >= 2) {
    hr = SetIgnoreNoPublicFolders(*services, log);
    // The cycle ends; without the profile the next one makes it anew instead
    // of using one that lacks the flag.
    if (FAILED(hr)) (void)admin->DeleteProfile(name, 0);
  }
  return hr;
}

}  // namespace

HRESULT DeleteTempProfile(const std::string& profile_name, AgentLog& log) {
  try {
    std::shared_ptr<IProfAdmin> admin;
    HRESULT hr = MAPIAdminProfiles(0, &admin);
    if (FAILED(hr)) {
      log.LogEvent(EventType::kError, event_id::kDeleteProfile, "MAPIAdminProfiles", HResultHex(hr));
      return hr;
    }
    hr = admin->DeleteProfile(profile_name, 0);
    if (hr == MAPI_E_NOT_FOUND) return S_OK;
    if (FAILED(hr))
      log.LogEvent(EventType::kError, event_id::kDeleteProfile, "DeleteProfile", HResultHex(hr));
    return hr;
  } catch (...) {
    log.LogEvent(EventType::kWarning, event_id::kGeneral, "General Error deleting temporary MAPI profile.");
    return E_FAIL;
  }
}

HRESULT CreateTempProfile(const std::string& server, const std::string& mailbox,
                          const std::string& profile_name, int msx2k, AgentLog& log) {
  try {
    return Create(server, mailbox, profile_name, msx2k, log);
  } catch (...) {
    log.LogEvent(EventType::kWarning, event_id::kGeneral, "General Error creating temporary MAPI profile.");
    return E_FAIL;
  }
}

}  // namespace korvale
