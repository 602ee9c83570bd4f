// Recipients of booked meetings.
#include "agent/booking/mailbox/meeting_recipients.h"
#include "common/text.h"

namespace korvale {

using namespace mapi;

namespace {

bool HasEntryId(const ADRENTRY& entry) {
  const SPropValue* id = PpropFindProp(entry.rgPropVals, PR_ENTRYID);
  return id && id->Binary() && !id->Binary()->empty();
}

std::string DisplayName(const ADRENTRY& entry) {
  const SPropValue* name = PpropFindProp(entry.rgPropVals, PR_DISPLAY_NAME);
  return name && name->String() ? *name->String() : std::string();
}

void SetValue(ADRENTRY& entry, SPropValue value) {
  if (SPropValue* old = PpropFindProp(entry.rgPropVals, value.ulPropTag)) {
    *old = std::move(value);
  } else {
    entry.rgPropVals.push_back(std::move(value));
  }
}

// The mail address of a person the address book does not know, from the user
// row of the table the web pages read; empty when there is none.
std::string StoredAddress(BookingWriter& writer, const std::string& name) {
  auto row = writer.db.QueryFirst(SelectRecipientAddress(writer.active_table, name, writer.db.dialect()));
  if (!row.ok() || !row->has_value()) return {};
  return (*row)->Text("Title").value_or("");
}

}  // namespace

std::string RecipientName(std::string_view name, bool* resource) {
  std::string clean(name);
  if (resource) *resource = clean.find("$R$") != std::string::npos;
  EraseAll(clean, "$R$");
  EraseAll(clean, "\xC2\xA3R\xC2\xA3");  // the pound-sign marker in UTF-8
  EraseAll(clean, "\xA3R\xA3");          // and as the web pages' Windows-1252 bytes
  return clean;
}

ADRLIST MeetingRecipientList(std::string_view recipients) {
  ADRLIST list;
  while (true) {
    size_t semicolon = recipients.find(';');
    std::string_view part = recipients.substr(0, semicolon);
    size_t first = part.find_first_not_of(" \t");
    if (first != std::string_view::npos) {
      bool resource = false;
      std::string name = RecipientName(part.substr(first), &resource);
      if (!name.empty()) {
        ADRENTRY entry;
        entry.rgPropVals.emplace_back(PR_DISPLAY_NAME, name);
        entry.rgPropVals.emplace_back(PR_RECIPIENT_TYPE, static_cast<int32_t>(resource ? MAPI_BCC : MAPI_TO));
        list.aEntries.push_back(std::move(entry));
      }
    }
    if (semicolon == std::string_view::npos) break;
    recipients.remove_prefix(semicolon + 1);
  }
  return list;
}

std::string SelectRecipientAddress(std::string_view active_table, std::string_view name, Dialect dialect) {
  return "SELECT Title FROM " + std::string(active_table) + " WHERE ((Status=9) AND (Name LIKE '" +
         QuoteForSql(name, 50, dialect) + "'))";
}

void ResolveMeetingRecipients(BookingWriter& writer, ADRLIST& list) {
  HRESULT hr = writer.address_book.ResolveName(0, 0, "", &list);
  if (hr != MAPI_E_AMBIGUOUS_RECIP && hr != MAPI_E_NOT_FOUND) return;

  for (ADRENTRY& entry : list.aEntries) {
    if (HasEntryId(entry)) continue;
    const std::string name = DisplayName(entry);
    const std::string address = StoredAddress(writer, name);
    if (address.empty()) {
      WarnBooking(writer, name +
                              " could not be resolved in the Addressbook to send a meeting request "
                              "and SMTP address not found in database");
      continue;
    }
    SetValue(entry, {PR_EMAIL_ADDRESS, address});
    SetValue(entry, {PR_ADDRTYPE, std::string("SMTP")});
    ENTRYID one_off;
    HRESULT made = writer.address_book.CreateOneOff(name, "SMTP", address, 0, &one_off);
    if (FAILED(made)) {
      WarnBooking(writer, "CreateOneOff for SMTP Recipient failed with Code = " + HResultHex(made));
      continue;
    }
    SetValue(entry, {PR_ENTRYID, one_off});
  }

  (void)writer.address_book.ResolveName(0, 0, "", &list);
  for (const ADRENTRY& entry : list.aEntries) {
    if (!HasEntryId(entry)) {
      WarnBooking(writer,
                  DisplayName(entry) + " could not be resolved in the Addressbook to send a meeting request");
    }
  }
}

}  // namespace korvale
