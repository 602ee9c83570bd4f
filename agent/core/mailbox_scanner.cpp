// Connects the scan loop to the mailbox scan.
#include "agent/core/mapi_logon.h"
#include "agent/core/update_agent.h"
#include "agent/database/prepare_database.h"
#include "agent/database/shared_table.h"
#include "agent/scan/mailbox_scan.h"

namespace korvale {

namespace {

class MailboxScanner : public MailboxVisitor {
 public:
  explicit MailboxScanner(ScanEnvironment env) : env_(std::move(env)), scan_(env_) {}
  mapi::HRESULT DoUser(size_t group, const mapi::ENTRYID& entry_id, const std::string& name) override {
    const mapi::HRESULT hr = scan_.DoUser(group, entry_id, name);
    // The scan failed (and said why): in shared-table mode the mailbox keeps
    // what it had published instead of losing it to the stale-row deletion.
    if (mapi::FAILED(hr)) (void)KeepMailboxRows(env_.db, env_.fill_table, name, env_.instance_name);
    return hr;
  }

 private:
  ScanEnvironment env_;
  MailboxScan scan_;
};

}  // namespace

std::unique_ptr<MailboxVisitor> UpdateAgent::MakeMailboxScanner(Database& db, MapiLogon& logon,
                                                                DatabasePreparation& prep) {
  ScanEnvironment env{.settings = settings_,
                      .log = logger_,
                      .stop = *this,
                      .db = db,
                      .fill_table = prep.fill_table,
                      .instance_name = instance_name_,
                      .optional_columns = prep.optional_columns,
                      .session = *logon.session,
                      .address_book = *logon.address_book,
                      .manage_store = *logon.manage_store,
                      .membership = membership_,
                      .default_zone = local_time_zone_,
                      .cycle = scan_state_,
                      .bookings = nullptr,  // the services follow in ConnectScanServices
                      .access_lists = {},
                      .sid_lookup = {},
                      .local_now = [now = env_.now] { return LocalSystemTime(now()); },
                      .sleep = env_.sleep};
  ConnectScanServices(env);
  return std::make_unique<MailboxScanner>(std::move(env));
}

}  // namespace korvale
