// What the appointment reader fetches from a calendar item itself, beyond
// its row of the contents table: the recipient table, the linked contact's
// name and a recurrence pattern too long for the table.
//
// The item is opened once, on first need, and released with the OpenedItem
// before the next row. Each read returns the MAPI result; the caller reports
// a failure with the text of the step it was taking.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/scan/item_values.h"
#include "platform/mapi/mapi.h"

namespace korvale {

class OpenedItem {
 public:
  OpenedItem(mapi::IMAPIFolder& calendar, mapi::ENTRYID entry_id)
      : calendar_(calendar), entry_id_(std::move(entry_id)) {}

  // OpenEntry with MAPI_BEST_ACCESS on the first call; later calls give the
  // same result without opening again.
  mapi::HRESULT Open();
  // The open message; nullptr until Open succeeded.
  mapi::IMessage* message() const { return message_.get(); }

 private:
  mapi::IMAPIFolder& calendar_;
  mapi::ENTRYID entry_id_;
  std::optional<mapi::HRESULT> opened_;
  std::shared_ptr<mapi::IMessage> message_;
};

// Reading the recipient table (PR_DISPLAY_NAME, PR_RECIPIENT_TYPE, all rows).
enum class RecipientStep { kDone, kOpenEntry, kGetTable, kQueryRows };
struct RecipientRead {
  RecipientStep failed = RecipientStep::kDone;
  mapi::HRESULT hr = mapi::S_OK;
  std::vector<ItemRecipient> recipients;
};
RecipientRead ReadRecipients(OpenedItem& item);
// "GetRecipientsTable for Message in CalendarFolder failed with Code = %08lx"
// and the other two texts of a failed read.
std::string RecipientFailureText(const RecipientRead& read);

// The linked contact's name (`tag`, a PT_STRING8 named property): S_OK with
// *name set when present, S_OK with nullopt when missing, or the open failure.
mapi::HRESULT ReadContactName(OpenedItem& item, mapi::ULONG tag, std::optional<std::string>* name);

// The whole recurrence pattern through a stream (OpenProperty with
// IID_IStream, Stat, Read). On failure `failure_text` holds the report text.
struct PatternStreamRead {
  mapi::HRESULT hr = mapi::S_OK;
  std::string failure_text;
  std::string bytes;
};
PatternStreamRead ReadPatternStream(OpenedItem& item, mapi::ULONG pattern_tag);

}  // namespace korvale
