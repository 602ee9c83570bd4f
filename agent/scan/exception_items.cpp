// Reading the embedded exception items of a series.
#include "agent/scan/exception_items.h"

#include <optional>
#include <string>

#include "platform/tz/tz.h"

namespace korvale {

using namespace mapi;

namespace {

constexpr int kAttendeeMax = 1024;

struct AttachmentTimes {
  ULONG number = 0;
  FILETIME start = 0;
  FILETIME end = 0;
};

std::optional<uint64_t> Minute(const SYSTEMTIME& time) {
  const std::optional<FILETIME> ft = tz::SystemTimeToFileTime(time);
  if (!ft) return std::nullopt;
  return *ft / kFileTimePerMinute;
}

// The embedded-message attachments of the series with both exception times.
std::optional<std::vector<AttachmentTimes>> ReadAttachmentTable(IMessage& series) {
  std::shared_ptr<IMAPITable> table;
  if (FAILED(series.GetAttachmentTable(0, &table)) || !table) return std::nullopt;
  const SPropTagArray columns{PR_ATTACH_NUM, PR_ATTACH_METHOD, PR_EXCEPTION_STARTTIME, PR_EXCEPTION_ENDTIME};
  SRowSet rows;
  if (FAILED(HrQueryAllRows(table.get(), &columns, nullptr, nullptr, 0, &rows))) return std::nullopt;
  std::vector<AttachmentTimes> found;
  for (const SRow& row : rows.aRow) {
    const ItemRow values(row);
    const std::optional<int32_t> number = values.Long(0);
    const std::optional<int32_t> method = values.Long(1);
    const std::optional<FILETIME> start = values.Time(2);
    const std::optional<FILETIME> end = values.Time(3);
    if (!number || !method || *method != static_cast<int32_t>(ATTACH_EMBEDDED_MSG) || !start || !end)
      continue;
    found.push_back({static_cast<ULONG>(*number), *start, *end});
  }
  return found;
}

const AttachmentTimes* FindAttachment(const std::vector<AttachmentTimes>& attachments,
                                      const SYSTEMTIME& start, const SYSTEMTIME& end) {
  const std::optional<uint64_t> s = Minute(start);
  const std::optional<uint64_t> e = Minute(end);
  if (!s || !e) return nullptr;
  for (const AttachmentTimes& attachment : attachments) {
    if (attachment.start / kFileTimePerMinute == *s && attachment.end / kFileTimePerMinute == *e) {
      return &attachment;
    }
  }
  return nullptr;
}

void ReadEmbeddedItem(IMessage& series, ULONG number, const ExceptionItemContext& ctx,
                      recurrence::ExceptionRecord& record) {
  std::shared_ptr<IAttach> attach;
  if (FAILED(series.OpenAttach(number, nullptr, MAPI_BEST_ACCESS, &attach)) || !attach) return;
  std::shared_ptr<IUnknown> object;
  if (FAILED(attach->OpenProperty(PR_ATTACH_DATA_OBJ, IID_IMessage, 0, 0, &object))) return;
  const std::shared_ptr<IMessage> item = mapi_cast<IMessage>(object);
  if (!item) return;

  std::shared_ptr<IMAPITable> recipients;
  if (!FAILED(item->GetRecipientTable(0, &recipients)) && recipients) {
    const SPropTagArray columns{PR_DISPLAY_NAME};
    SRowSet rows;
    if (!FAILED(HrQueryAllRows(recipients.get(), &columns, nullptr, nullptr, 0, &rows))) {
      std::string names;
      for (const SRow& row : rows.aRow) {
        const std::optional<std::string_view> name = ItemRow(row).Text(0);
        if (!name || name->empty()) continue;
        if (!names.empty()) names += "; ";
        names += *name;
      }
      record.attendees = QuoteForSql(names, kAttendeeMax, ctx.dialect);
    }
  }
  SPropValue body;
  if (HrGetOneProp(item.get(), PR_BODY, &body) == S_OK) {
    if (const std::string* text = body.String()) record.body = ctx.private_item ? std::string() : *text;
  }
}

}  // namespace

void ReadExceptionItems(OpenedItem& series, const ExceptionItemContext& ctx,
                        std::vector<recurrence::ExceptionRecord>& exceptions) {
  bool wanted = false;
  for (const recurrence::ExceptionRecord& record : exceptions)
    wanted |= record.modified && record.has_embedded_item;
  if (!wanted) return;

  const HRESULT hr = series.Open();
  if (FAILED(hr)) {
    ctx.log.LogEvent(EventType::kWarning, event_id::kGeneral,
                     "OpenEntry for Message in CalendarFolder failed with Code = " + HResultHex(hr));
    return;
  }
  const std::optional<std::vector<AttachmentTimes>> attachments = ReadAttachmentTable(*series.message());
  if (!attachments || attachments->empty()) return;

  for (recurrence::ExceptionRecord& record : exceptions) {
    if (!record.modified || !record.has_embedded_item) continue;
    const AttachmentTimes* match = FindAttachment(*attachments, record.start, record.end);
    if (!match) {
      match = FindAttachment(*attachments, tz::LocalToUniversal(ctx.appointment_zone, record.start),
                             tz::LocalToUniversal(ctx.appointment_zone, record.end));
    }
    if (match) ReadEmbeddedItem(*series.message(), match->number, ctx, record);
  }
}

}  // namespace korvale
