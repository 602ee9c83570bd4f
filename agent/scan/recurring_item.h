// The recurring pass of the appointment reader for one series: its pattern
// (from the row, or through a stream when the row's value may be cut), the
// pattern reader of its type, the embedded exception items, and the
// expansion into occurrences, each written through the row writer.
#pragma once

#include <optional>
#include <string>

#include "agent/scan/appointment_reader.h"
#include "agent/scan/item_access.h"
#include "agent/scan/item_values.h"

namespace korvale {

// An item with every value prepared for the row writer, as the single pass
// would write it; the recurring pass varies the times, subject, location,
// busy status, attendees and body per occurrence.
struct PreparedItem {
  MeetingRow row;                          // start and end: the series' first occurrence
  ExtraValues extra;                       // extra values around the body
  TIME_ZONE_INFORMATION zone;              // the appointment's zone
  std::optional<std::string> raw_subject;  // for reports
  // The meeting's global object identifier in hexadecimal (empty when it has
  // none); the row writer has no column for it yet.
  std::string global_object_id;
  bool private_item = false;
};

// Patterns of this size or more may arrive cut in a table row.
inline constexpr size_t kTablePatternLimit = 510;

// Expands the series of `row` into rows. Returns S_OK, also after a series
// that could not be read or expanded (reported, warning 137); a failure to
// read a long pattern through its stream is reported and returned (the pass
// ends then).
mapi::HRESULT ExpandRecurringItem(AppointmentReaderContext& ctx, const MailboxRowValues& mailbox,
                                  const ItemRow& row, const PreparedItem& item, OpenedItem& opened);

}  // namespace korvale
