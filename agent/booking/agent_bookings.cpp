// The bookings of one agent run and the cycle's operations on them.
#include "agent/booking/agent_bookings.h"

#include <cstdio>
#include <ctime>
#include <random>

#include "agent/booking/notifications/inbox_notifications.h"
#include "agent/database/schema.h"
#include "agent/database/table_rotation.h"

namespace korvale {

using namespace mapi;

std::string ActiveTableFor(const AgentSettings& settings, const std::string& fill_table) {
  if (settings.table_mode == TableMode::kShared) return kKorvaleTable1;
  // The fill table is the one not named active, so the other one is active.
  return FillTableFor(fill_table);
}

namespace {

// Unique for one run of the agent and ordered by time, so that the journal's
// entries come back in the order they were taken.
std::string RunId() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &utc);
  std::random_device random;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
  return std::string(stamp) + "-" + suffix;
}

}  // namespace

void AgentBookings::StartCycle() {
  notifications_.Clear();
  services_ = {};
  journal_.reset();
}

void AgentBookings::Connect(BookingServices services) {
  services_ = std::move(services);
  journal_.reset();
  if (services_.db)
    journal_ = std::make_unique<BookingJournal>(*services_.db, services_.instance_name, RunId());
}

void AgentBookings::FinishTakenBookings() {
  if (journal_) journal_->Finish();
}

bool AgentBookings::ForcesScan(const std::string& mailbox_name, const std::string& dl_value) const {
  for (const BookingRecord& record : bookings_.records()) {
    if (record.personal_group && record.recipients.find(mailbox_name) != std::string::npos) return true;
    // Empty recipients would be found in every DL value and force every scan.
    if (!record.recipients.empty() && dl_value.find(record.recipients) != std::string::npos) return true;
  }
  return false;
}

HRESULT AgentBookings::BookIntoMailbox(const MailboxBookingTarget& target) {
  if (!services_.db || !services_.address_book) return E_FAIL;
  // The scan's own identifier of the owner: looking the owner up again by
  // display name finds nobody when two mailboxes share the name.
  std::string owner_hex = target.owner_entry_id ? HexFromBin(*target.owner_entry_id) : std::string();
  BookingWriter writer{settings_,
                       log_,
                       *services_.db,
                       *services_.address_book,
                       ActiveTableFor(settings_, services_.fill_table),
                       bookings_,
                       notifications_,
                       utc_now_,
                       [owner_hex](const std::string&) { return owner_hex; },
                       journal_ && journal_->usable() ? journal_.get() : nullptr};
  return korvale::BookIntoMailbox(writer, target);
}

bool AgentBookings::HasMail() const {
  return services_.session && services_.manage_store && services_.address_book;
}

void AgentBookings::SendInboxNotifications() {
  if (!HasMail()) return;
  MailServices mail{settings_, log_, *services_.session, *services_.manage_store, *services_.address_book};
  korvale::SendInboxNotifications(mail, notifications_);
}

Status AgentBookings::CheckMeetingModifications(const std::string& published_table,
                                                std::function<bool(const std::string&)> calendar_read) {
  if (!HasMail() || !services_.db) {
    return Status::Error("the bookings are not connected to the cycle", kCheckUnexpectedFailure);
  }
  MailServices mail{settings_, log_, *services_.session, *services_.manage_store, *services_.address_book};
  ModificationCheck check{mail, *services_.db, published_table, services_.instance_name,
                          std::move(calendar_read)};
  return korvale::CheckMeetingModifications(check);
}

}  // namespace korvale
