// The mail client's application object ("Outlook.Application") over the
// organisation store of platform/mapi, for the members a calendar viewer
// calls by dispatch identifier:
//
//   Application.GetNamespace("MAPI")          -> NameSpace
//   NameSpace.CreateRecipient(name)           -> Recipient
//   NameSpace.GetSharedDefaultFolder(r, 9)    -> MAPIFolder (the calendar)
//   Recipient.Resolve() / .Resolved           -> boolean
//   MAPIFolder.GetExplorer()                  -> Explorer
//   Explorer.Activate()                       shows the folder
//
// Recipients resolve against the store's address book (a display name, a
// unique prefix, "SMTP:..." or a legacy distinguished name). Failures inside
// a member are raised as exceptions (DISP_E_EXCEPTION, source
// "Outlook.Application"), as the mail client does.
//
// The client runs for the mail profile of this machine's user: the
// organisation store and the user's mailbox, kept with the class's
// registration (RegisterMailClient). Activate shows the calendar it opened
// through the installed presenter (a window where there is a display), else
// prints it (owner, then one line per appointment) to standard output; every
// activation is also recorded in this process (OpenedCalendars).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/status.h"
#include "platform/automation/automation.h"
#include "platform/automation/class_registry.h"
#include "platform/mapi/mapi.h"

namespace korvale::automation {

// The members' dispatch identifiers.
namespace outlook {
constexpr DISPID kGetNamespace = 0x110;
constexpr DISPID kCreateRecipient = 0x210A;
constexpr DISPID kGetSharedDefaultFolder = 0x210C;
constexpr DISPID kResolve = 0x71;
constexpr DISPID kResolved = 0x64;
constexpr DISPID kGetExplorer = 0x3101;
constexpr DISPID kActivate = 0x2113;
constexpr int32_t olFolderCalendar = 9;
}  // namespace outlook

inline constexpr const char* kMailClientProgId = "Outlook.Application";
// The name of the built-in server in the class registry.
inline constexpr const char* kMailClientServer = "korvale-mail-client";
// This implementation's class.
extern const CLSID CLSID_KorvaleMailClient;

// Registers the mail client under its ProgID for the organisation store
// `store_path` and the user's mailbox alias `mailbox` (empty: an
// administrative logon without a mailbox of its own).
void RegisterMailClient(ClassRegistry& registry, const std::string& store_path, const std::string& mailbox);
void UnregisterMailClient(ClassRegistry& registry);

// The builtin server behind kMailClientServer: logs on to the registered
// store. E_FAIL when no store is registered or it cannot be opened.
HRESULT CreateMailClient(const ClassRegistry& registry, const CLSID& clsid,
                         std::shared_ptr<IDispatch>* object);

// MAPILogonEx without a profile name: a session of the mail profile that
// the mail client is registered with. MAPI_E_LOGON_FAILED when there is none.
HRESULT LogonMailProfile(std::shared_ptr<mapi::IMAPISession>* session);

// What Explorer.Activate opened, in order (this process only).
struct OpenedCalendar {
  std::string owner_display_name;
  std::string owner_address;              // legacy distinguished name
  std::vector<std::string> appointments;  // "YYYY-MM-DD HH:MM  subject" (UTC)
};
std::vector<OpenedCalendar> OpenedCalendars();
void ClearOpenedCalendars();

// How Explorer.Activate shows the calendar it opened to the user. A program
// with windows installs one (a window listing the appointments); without one
// the calendar is printed on standard output. Returns the one installed before.
using CalendarPresenter = std::function<void(const OpenedCalendar& calendar)>;
CalendarPresenter InstallCalendarPresenter(CalendarPresenter presenter);

}  // namespace korvale::automation
