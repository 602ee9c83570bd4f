// The systemd journal sink: one entry per event with a field for each part.
#include <sys/uio.h>
#include <systemd/sd-journal.h>

#include <algorithm>

#include "platform/eventlog/event_sinks.h"

namespace korvale::eventlog {
namespace {

constexpr size_t kMaxTexts = 4;

const char* Priority(int type) {
  if (type == 1) return "3";  // error
  if (type == 2) return "4";  // warning
  return "6";                 // information, as any other type is worded
}

class JournalEventSource : public EventSource {
 public:
  explicit JournalEventSource(std::string source) : source_(std::move(source)) {}

  bool Report(int type, uint32_t id, const std::vector<std::string>& texts) override {
    size_t count = std::min(texts.size(), kMaxTexts);
    std::string message;
    for (size_t i = 0; i < count; ++i) message += (i == 0 ? "" : "\n") + texts[i];
    std::vector<std::string> fields = {
        "MESSAGE=" + message,
        std::string("PRIORITY=") + Priority(type),
        "SYSLOG_IDENTIFIER=" + source_,
        "KORVALE_SOURCE=" + source_,
        "KORVALE_EVENT_TYPE=" + std::to_string(type),
        "KORVALE_EVENT_ID=" + std::to_string(id),
    };
    for (size_t i = 0; i < count; ++i) {
      fields.push_back("KORVALE_TEXT" + std::to_string(i + 1) + "=" + texts[i]);
    }
    // sd_journal_sendv takes the fields as bytes, so texts with line breaks or
    // zero bytes arrive whole.
    std::vector<iovec> parts;
    for (std::string& field : fields) parts.push_back(iovec{field.data(), field.size()});
    return sd_journal_sendv(parts.data(), static_cast<int>(parts.size())) == 0;
  }

 private:
  std::string source_;
};

}  // namespace

std::unique_ptr<EventSource> OpenJournalSink(const std::string& source) {
  return std::make_unique<JournalEventSource>(source);
}

}  // namespace korvale::eventlog
