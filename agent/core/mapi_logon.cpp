#include "agent/core/mapi_logon.h"

namespace korvale {

using namespace mapi;

void MapiLogon::Release() {
  manage_store.reset();
  default_store.reset();
  store_row = {};
  stores_table.reset();
  address_book.reset();
  session.reset();
}

namespace {

LogonOutcome Fail134(AgentLog& log, const std::string& text) {
  log.LogEvent(EventType::kError, event_id::kLogonObjects, text);
  return LogonOutcome::kFailed;
}

}  // namespace

LogonOutcome LogOn(const std::string& profile_name, const AgentSettings& settings, AgentLog& log,
                   MapiLogon& logon) {
  HRESULT hr =
      MAPILogonEx(0, profile_name, "", MAPI_NT_SERVICE | MAPI_NO_MAIL | MAPI_EXTENDED, &logon.session);
  if (FAILED(hr) || !logon.session) {
    log.LogEvent(
        EventType::kWarning, event_id::kGeneral,
        "Logon failed. Used credentials: " + settings.logon_server + "\r\n" + settings.logon_mailbox);
    return LogonOutcome::kFailed;
  }

  hr = logon.session->OpenAddressBook(0, nullptr, AB_NO_DIALOG, &logon.address_book);
  if (hr == MAPI_W_ERRORS_RETURNED) {
    std::optional<MAPIERROR> error;
    logon.session->GetLastError(hr, 0, &error);
    log.LogEvent(EventType::kError, event_id::kLogonObjects,
                 "Error while opening address book.\r\nCode:" + HResultHex(hr) +
                     "\r\nDescription:" + (error ? error->lpszError : std::string()));
  } else if (FAILED(hr) || !logon.address_book) {
    log.LogEvent(EventType::kError, event_id::kAddressBook);
    return LogonOutcome::kAddressBookFailed;
  }

  if (FAILED(logon.session->GetMsgStoresTable(0, &logon.stores_table)) || !logon.stores_table) {
    return Fail134(log, "Failed to get MsgStoresTable");
  }
  if (FAILED(logon.stores_table->SetColumns(
          {PR_ENTRYID, PR_DISPLAY_NAME, PR_PROVIDER_DISPLAY, PR_DEFAULT_STORE}, 0))) {
    return Fail134(log, "Failed to set columns on MsgStoresTable");
  }
  if (FAILED(logon.stores_table->FindRow(RestrictProperty(RELOP_EQ, {PR_DEFAULT_STORE, true}),
                                         BOOKMARK_BEGINNING, 0))) {
    return Fail134(log, "Failed to find Row on MsgStoresTable");
  }
  if (FAILED(logon.stores_table->QueryRows(1, 0, &logon.store_row)) || logon.store_row.empty()) {
    return Fail134(log, "Failed to QueryRows on MsgStoresTable");
  }
  const SBinary* entry_id =
      logon.store_row.aRow[0].lpProps.empty() ? nullptr : logon.store_row.aRow[0].lpProps[0].Binary();
  hr = entry_id ? logon.session->OpenMsgStore(0, *entry_id, nullptr, MDB_NO_DIALOG | MAPI_BEST_ACCESS,
                                              &logon.default_store)
                : MAPI_E_NOT_FOUND;
  if (FAILED(hr) || !logon.default_store) {
    return Fail134(log, "Failed to Open MsgStore.\r\nCode:" + HResultHex(hr));
  }
  if (FAILED(HrQueryInterface(*logon.default_store, IID_IExchangeManageStore, &logon.manage_store)) ||
      !logon.manage_store) {
    return Fail134(log, "Failed to QI ManageStoreIF");
  }
  return LogonOutcome::kLoggedOn;
}

}  // namespace korvale
