// Opening a calendar item and reading its recipients, contact name and long
// recurrence pattern.
#include "agent/scan/item_access.h"

namespace korvale {

using namespace mapi;

namespace {

// A stream's size comes from the store; reading in steps keeps a damaged size
// from turning into one huge allocation.
constexpr ULONG kReadChunk = 64 * 1024;

std::string Coded(std::string_view text, HRESULT hr) { return std::string(text) + HResultHex(hr); }

}  // namespace

HRESULT OpenedItem::Open() {
  if (opened_) return *opened_;
  ULONG type = 0;
  std::shared_ptr<IUnknown> object;
  HRESULT hr = calendar_.OpenEntry(entry_id_, nullptr, MAPI_BEST_ACCESS, &type, &object);
  if (!FAILED(hr)) {
    message_ = mapi_cast<IMessage>(object);
    if (!message_) hr = MAPI_E_INTERFACE_NOT_SUPPORTED;
  }
  opened_ = FAILED(hr) ? hr : S_OK;
  return *opened_;
}

RecipientRead ReadRecipients(OpenedItem& item) {
  RecipientRead read;
  read.hr = item.Open();
  if (FAILED(read.hr)) {
    read.failed = RecipientStep::kOpenEntry;
    return read;
  }
  std::shared_ptr<IMAPITable> table;
  read.hr = item.message()->GetRecipientTable(0, &table);
  if (FAILED(read.hr) || !table) {
    if (!FAILED(read.hr)) read.hr = E_FAIL;
    read.failed = RecipientStep::kGetTable;
    return read;
  }
  const SPropTagArray columns{PR_DISPLAY_NAME, PR_RECIPIENT_TYPE};
  SRowSet rows;
  read.hr = HrQueryAllRows(table.get(), &columns, nullptr, nullptr, 0, &rows);
  if (FAILED(read.hr)) {
    read.failed = RecipientStep::kQueryRows;
    return read;
  }
  read.hr = S_OK;
  for (const SRow& row : rows.aRow) {
    const ItemRow values(row);
    ItemRecipient recipient;
    recipient.name = std::string(values.Text(0).value_or(""));
    recipient.type = static_cast<ULONG>(values.Long(1).value_or(static_cast<int32_t>(MAPI_TO)));
    read.recipients.push_back(std::move(recipient));
  }
  return read;
}

std::string RecipientFailureText(const RecipientRead& read) {
  switch (read.failed) {
    case RecipientStep::kOpenEntry:
      return Coded("OpenEntry for Message in CalendarFolder failed with Code = ", read.hr);
    case RecipientStep::kGetTable:
      return Coded("GetRecipientsTable for Message in CalendarFolder failed with Code = ", read.hr);
    case RecipientStep::kQueryRows:
      return Coded("HrQueryAllRows failed for RecipientsTable with Code = ", read.hr);
    case RecipientStep::kDone: break;
  }
  return {};
}

HRESULT ReadContactName(OpenedItem& item, ULONG tag, std::optional<std::string>* name) {
  name->reset();
  const HRESULT hr = item.Open();
  if (FAILED(hr)) return hr;
  if (tag == PR_NULL) return S_OK;
  const SPropTagArray tags{tag};
  std::vector<SPropValue> values;
  if (FAILED(item.message()->GetProps(&tags, 0, &values)) || values.empty()) return S_OK;
  if (const std::string* text = values[0].String()) *name = *text;
  return S_OK;
}

PatternStreamRead ReadPatternStream(OpenedItem& item, ULONG pattern_tag) {
  PatternStreamRead read;
  read.hr = item.Open();
  if (FAILED(read.hr)) {
    read.failure_text =
        Coded("OpenEntry for Message in CalendarFolder for BinData failed with Code = ", read.hr);
    return read;
  }
  std::shared_ptr<IUnknown> object;
  read.hr = item.message()->OpenProperty(pattern_tag, IID_IStream, 0, 0, &object);
  if (FAILED(read.hr)) {
    read.failure_text = Coded("OpenProperty for BinData of Message failed with Code = ", read.hr);
    return read;
  }
  const std::shared_ptr<IStream> stream = mapi_cast<IStream>(object);
  if (!stream) {
    read.hr = E_FAIL;
    read.failure_text = "Opening Stream of BinData of Message failed. pStrBinData is NULL";
    return read;
  }
  STATSTG stat;
  read.hr = stream->Stat(&stat, STATFLAG_NONAME);
  if (FAILED(read.hr)) {
    read.failure_text = Coded("Stat for Stream of BinData of Message failed with Code = ", read.hr);
    return read;
  }
  std::string chunk(kReadChunk, '\0');
  while (read.bytes.size() < stat.cbSize) {
    const uint64_t left = stat.cbSize - read.bytes.size();
    const ULONG want = left < kReadChunk ? static_cast<ULONG>(left) : kReadChunk;
    ULONG got = 0;
    read.hr = stream->Read(chunk.data(), want, &got);
    if (FAILED(read.hr)) {
      read.failure_text = Coded("Read on Stream of BinData of Message failed with Code = ", read.hr);
      read.bytes.clear();
      return read;
    }
    if (got == 0) break;  // shorter than it said: what is there is the pattern
    read.bytes.append(chunk.data(), got > want ? want : got);
  }
  read.hr = S_OK;
  return read;
}

}  // namespace korvale
