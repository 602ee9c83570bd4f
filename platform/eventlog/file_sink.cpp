// The JSON-lines file sink.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/eventlog/event_sinks.h"

namespace korvale::eventlog {
namespace {

constexpr size_t kMaxTexts = 4;

class FileEventSource : public EventSource {
 public:
  FileEventSource(int fd, std::string source) : fd_(fd), source_(std::move(source)) {}
  ~FileEventSource() override { ::close(fd_); }
  FileEventSource(const FileEventSource&) = delete;
  FileEventSource& operator=(const FileEventSource&) = delete;

  bool Report(int type, uint32_t id, const std::vector<std::string>& texts) override {
    EventRecord record;
    record.time = LocalTimeNow();
    record.source = source_;
    record.type = type;
    record.id = id;
    record.texts.assign(texts.begin(), texts.begin() + std::min(texts.size(), kMaxTexts));
    std::string line = FormatEventJson(record) + "\n";
    // O_APPEND with the whole line in one write() keeps lines of concurrent
    // writers apart; a short write (disk full) is completed as far as it goes.
    size_t done = 0;
    while (done < line.size()) {
      ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
  std::string source_;
};

}  // namespace

std::unique_ptr<EventSource> OpenFileSink(const std::string& path, const std::string& source) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  return std::make_unique<FileEventSource>(fd, source);
}

}  // namespace korvale::eventlog
