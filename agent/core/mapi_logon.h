// The cycle's logon: the session of the temporary profile, its address book,
// the default store and that store's store-management interface, through which
// every other mailbox is opened.
#pragma once

#include <memory>
#include <string>

#include "common/agent_log.h"
#include "common/agent_settings.h"
#include "platform/mapi/mapi.h"

namespace korvale {

// The logon objects of one cycle; released in reverse order of creation.
struct MapiLogon {
  std::shared_ptr<mapi::IMAPISession> session;
  std::shared_ptr<mapi::IAddrBook> address_book;
  std::shared_ptr<mapi::IMAPITable> stores_table;
  mapi::SRowSet store_row;
  std::shared_ptr<mapi::IMsgStore> default_store;
  std::shared_ptr<mapi::IExchangeManageStore> manage_store;

  void Release();
  ~MapiLogon() { Release(); }
};

enum class LogonOutcome {
  kLoggedOn,
  kFailed,             // the cycle ends
  kAddressBookFailed,  // the cycle ends with result 0
};

// Logs on with the profile named after the instance, then opens the address
// book, the default store and the store-management interface; every failure
// is reported with its event and text.
LogonOutcome LogOn(const std::string& profile_name, const AgentSettings& settings, AgentLog& log,
                   MapiLogon& logon);

}  // namespace korvale
