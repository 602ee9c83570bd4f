// The bookings of one agent run and the cycle's operations on them.
#include "agent/booking/agent_bookings.h"

#include "agent/booking/inbox_notifications.h"
#include "agent/database/schema.h"
#include "agent/database/table_rotation.h"

namespace korvale {

using namespace mapi;

std::string ActiveTableFor(const AgentSettings& settings, const std::string& fill_table) {
  if (settings.new_db != 0) return kKorvaleTable1;
  // The fill table is the one not named active, so the other one is active.
  return FillTableFor(fill_table);
}

void AgentBookings::StartCycle() {
  notifications_.Clear();
  services_ = {};
  owner_ids_.clear();
}

void AgentBookings::Connect(BookingServices services) {
  services_ = std::move(services);
  owner_ids_.clear();
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
  BookingWriter writer{settings_,
                       log_,
                       *services_.db,
                       *services_.address_book,
                       ActiveTableFor(settings_, services_.fill_table),
                       bookings_,
                       notifications_,
                       utc_now_,
                       [this](const std::string& name) { return OwnerEntryIdHex(name); }};
  return korvale::BookIntoMailbox(writer, target);
}

std::string AgentBookings::OwnerEntryIdHex(const std::string& mailbox_name) {
  if (auto known = owner_ids_.find(mailbox_name); known != owner_ids_.end()) return known->second;
  std::string hex;
  if (services_.address_book) {
    ADRLIST list;
    ADRENTRY entry;
    entry.rgPropVals.emplace_back(PR_DISPLAY_NAME, mailbox_name);
    entry.rgPropVals.emplace_back(PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_TO));
    list.aEntries.push_back(std::move(entry));
    if (services_.address_book->ResolveName(0, 0, "", &list) == S_OK) {
      const SPropValue* id = PpropFindProp(list.aEntries[0].rgPropVals, PR_ENTRYID);
      if (id && id->Binary()) hex = HexFromBin(*id->Binary());
    }
  }
  owner_ids_.emplace(mailbox_name, hex);
  return hex;
}

bool AgentBookings::HasMail() const {
  return services_.session && services_.manage_store && services_.address_book;
}

void AgentBookings::SendInboxNotifications() {
  if (!HasMail()) return;
  MailServices mail{settings_, log_, *services_.session, *services_.manage_store, *services_.address_book};
  korvale::SendInboxNotifications(mail, notifications_);
}

Status AgentBookings::CheckMeetingModifications(const std::string& published_table) {
  if (!HasMail() || !services_.db) {
    return Status::Error("the bookings are not connected to the cycle", kCheckUnexpectedFailure);
  }
  MailServices mail{settings_, log_, *services_.session, *services_.manage_store, *services_.address_book};
  ModificationCheck check{mail, *services_.db, published_table, services_.instance_name};
  return korvale::CheckMeetingModifications(check);
}

}  // namespace korvale
