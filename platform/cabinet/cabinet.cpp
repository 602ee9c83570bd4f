#include "platform/cabinet/cabinet.h"

#include <mspack.h>

#include <filesystem>
#include <system_error>

namespace korvale::cabinet {
namespace {

Status Failure(CabinetError error, std::string message) {
  return Status::Error(std::move(message), static_cast<int>(error));
}

struct DecompressorDeleter {
  void operator()(mscab_decompressor* d) const { mspack_destroy_cab_decompressor(d); }
};
using Decompressor = std::unique_ptr<mscab_decompressor, DecompressorDeleter>;

class MspackCabinet : public Cabinet {
 public:
  MspackCabinet(Decompressor decompressor, std::unique_ptr<std::string> path)
      : decompressor_(std::move(decompressor)), path_(std::move(path)) {}

  // Opens the cabinet; false when libmspack refuses it (see last_error).
  bool Open() {
    cab_ = decompressor_->open(decompressor_.get(), path_->c_str());
    if (cab_ == nullptr) return false;
    for (mscabd_file* file = cab_->files; file != nullptr; file = file->next) {
      files_.push_back(file);
      CabinetEntry entry;
      entry.name = file->filename != nullptr ? file->filename : "";
      entry.size = file->length;
      entry.attributes = file->attribs;
      entry.year = file->date_y;
      entry.month = file->date_m;
      entry.day = file->date_d;
      entry.hour = file->time_h;
      entry.minute = file->time_m;
      entry.second = file->time_s;
      entries_.push_back(std::move(entry));
    }
    return true;
  }
  int last_error() const { return decompressor_->last_error(decompressor_.get()); }

  ~MspackCabinet() override {
    if (cab_ != nullptr) decompressor_->close(decompressor_.get(), cab_);
  }
  MspackCabinet(const MspackCabinet&) = delete;
  MspackCabinet& operator=(const MspackCabinet&) = delete;

  const std::vector<CabinetEntry>& entries() const override { return entries_; }

  Status Extract(size_t index, const std::string& target) override {
    if (index >= files_.size()) return Failure(CabinetError::kExtract, "No such cabinet entry.");
    const int result = decompressor_->extract(decompressor_.get(), files_[index], target.c_str());
    if (result == MSPACK_ERR_OK) return Status::Ok();
    std::error_code ec;
    std::filesystem::remove(target, ec);
    return Failure(CabinetError::kExtract, "Extracting " + entries_[index].name +
                                               " failed (libmspack error " + std::to_string(result) + ").");
  }

 private:
  Decompressor decompressor_;
  // libmspack keeps the path it was given and opens it again for every
  // extraction, so the text lives as long as the cabinet.
  std::unique_ptr<std::string> path_;
  mscabd_cabinet* cab_ = nullptr;  // owned through decompressor_->close
  std::vector<mscabd_file*> files_;
  std::vector<CabinetEntry> entries_;
};

}  // namespace

std::time_t CabinetEntry::LocalTime() const {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;  // the machine's rules decide, as a local time conversion does
  return std::mktime(&tm);
}

Expected<std::unique_ptr<Cabinet>> Cabinet::Open(const std::string& path) {
  int selftest = MSPACK_ERR_OK;
  MSPACK_SYS_SELFTEST(selftest);
  if (selftest != MSPACK_ERR_OK) return Failure(CabinetError::kLibrary, "The cabinet library cannot start.");
  Decompressor decompressor(mspack_create_cab_decompressor(nullptr));
  if (!decompressor) return Failure(CabinetError::kLibrary, "The cabinet library cannot start.");
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec))
    return Failure(CabinetError::kMissing, "Can't find " + path + ".");
  auto cabinet =
      std::make_unique<MspackCabinet>(std::move(decompressor), std::make_unique<std::string>(path));
  if (!cabinet->Open()) {
    const int error = cabinet->last_error();
    if (error == MSPACK_ERR_OPEN) return Failure(CabinetError::kMissing, "Can't find " + path + ".");
    return Failure(CabinetError::kCorrupt,
                   "The cabinet " + path + " is corrupt (libmspack error " + std::to_string(error) + ").");
  }
  return std::unique_ptr<Cabinet>(std::move(cabinet));
}

}  // namespace korvale::cabinet
