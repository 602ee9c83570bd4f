// Connects the scan loop to the mailbox scan.
#include "agent/core/mapi_logon.h"
#include "agent/core/update_agent.h"
#include "agent/database/prepare_database.h"

namespace korvale {

namespace {

// The mailbox scan is not built yet: a mailbox reached by the loop is not read.
class PendingMailboxScan : public MailboxVisitor {
 public:
  mapi::HRESULT DoUser(size_t, const mapi::ENTRYID&, const std::string&) override { return 0; }
};

}  // namespace

std::unique_ptr<MailboxVisitor> UpdateAgent::MakeMailboxScanner(Database&, MapiLogon&,
                                                                DatabasePreparation&) {
  return std::make_unique<PendingMailboxScan>();
}

}  // namespace korvale
