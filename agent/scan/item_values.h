// Values of one calendar item taken from its row of the calendar's contents
// table and turned into the texts the row writer takes: typed access to the
// row's positions, the privacy rule, the "//a//b//" list form, the SQL
// literals of the custom fields and the extra values of the optional columns.
//
// A value whose type is not the one expected at its position counts as
// missing, exactly like a property the item does not have, so a damaged item
// degrades to defaults instead of failing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "agent/database/dialect.h"
#include "agent/database/optional_columns.h"
#include "agent/scan/calendar_properties.h"
#include "common/agent_settings.h"
#include "platform/mapi/mapi.h"
#include "platform/tz/tz_types.h"

namespace korvale {

// Read-only typed view of one row; every accessor answers nullopt/nullptr
// when the position lies beyond the row, holds an error, or holds another type.
class ItemRow {
 public:
  explicit ItemRow(const mapi::SRow& row) : row_(row) {}

  const mapi::SPropValue* At(size_t position) const;
  // The error a position holds (MAPI_E_NOT_FOUND when it lies beyond the
  // row); S_OK when it holds a value.
  mapi::HRESULT ErrorAt(size_t position) const;
  std::optional<std::string_view> Text(size_t position) const;
  std::optional<int32_t> Long(size_t position) const;
  std::optional<bool> Boolean(size_t position) const;
  std::optional<mapi::FILETIME> Time(size_t position) const;
  const mapi::SBinary* Binary(size_t position) const;
  const std::vector<std::string>* MultiText(size_t position) const;

 private:
  const mapi::SRow& row_;
};

// Private when the private flag is TRUE, or the sensitivity is above 0
// (ShowPersonal = 0) or above 1 (ShowPersonal != 0: "personal" stays public).
bool IsPrivateItem(const AgentSettings& settings, std::optional<bool> private_flag,
                   std::optional<int32_t> sensitivity);

// "//a//b//" for {"a", "b"}; empty for no values.
std::string SlashList(const std::vector<std::string>& values);

// A universal file time as a local date-time of `zone`.
SYSTEMTIME ToZoneTime(const TIME_ZONE_INFORMATION& zone, mapi::FILETIME utc);

// Case-insensitive comparison of names (ASCII letters folded; other bytes exact).
bool SameName(std::string_view a, std::string_view b);

// Undoes the apostrophe doubling of QuoteForSql, for comparing an escaped
// value with a name read from the store.
std::string Unescaped(std::string_view escaped);

// The SQL literal of custom field `index` for the value the row holds (nullptr
// when missing). Missing values get their type's default ("0", "0.0", the
// dialect's "False"/"0", the current-time function, "''"); multi-valued text
// is written in the "//" form, quoted and cut to 50 characters like a text.
std::string CustomFieldLiteral(const AgentSettings& settings, size_t index, const mapi::SPropValue* value,
                               Dialect dialect, const TIME_ZONE_INFORMATION& zone);

// One recipient of an item as its recipient table lists it.
struct ItemRecipient {
  std::string name;  // PR_DISPLAY_NAME, empty when it has none
  mapi::ULONG type = mapi::MAPI_TO;
};

// The extra values of the optional columns, split around the body text so the
// recurring pass can place each occurrence's own body between the markers.
struct ExtraValues {
  std::string before_body;  // everything up to ", '@ApptText@"
  std::string after_body;   // everything after "@ApptText@'"
  bool has_body = false;    // ApptText is among the enabled columns
  std::string body;         // the item's raw body (empty for a private item)

  // The values of a single appointment: the body escaped here (at most 250).
  std::string ForSingle(Dialect dialect) const;
  // The values of one occurrence with `raw_body` between the markers, still
  // unescaped (EscapeApptText does that before the row writer is called).
  std::string ForOccurrence(std::string_view raw_body) const;
};

struct ExtraValueInput {
  const AgentSettings& settings;
  const OptionalColumns& optional_columns;
  const MeetingColumns& columns;
  Dialect dialect;
  TIME_ZONE_INFORMATION zone;                              // dates are written in it
  std::string_view mailbox_name;                           // left out of the attendee columns
  bool private_item = false;                               // empties the body
  const std::vector<ItemRecipient>* recipients = nullptr;  // needed for the attendee columns
};

// The extra values (", 1, 'text', ...") of every enabled optional column in
// table order, each by its kind, with the derived columns computed from the
// row (MeetingStatus, RecurrenceRange*) and the recipients (*Attendees, Resources).
ExtraValues BuildExtraValues(const ExtraValueInput& in, const ItemRow& row);

// Whether an enabled column needs the item's recipient table.
bool NeedsRecipientColumns(const OptionalColumns& optional_columns);

}  // namespace korvale
