// Cabinet files (the published cabinet format) read with libmspack: the
// entries with their names, sizes, dates and attributes, and one entry
// extracted into a file. Entry names keep the cabinet's backslashes
// ("KORVALE\\config.inc"); where they go is the caller's concern.
//
//   auto cab = cabinet::Cabinet::Open("/media/Korvale.cab");
//   if (!cab.ok() && cab.status().code() == int(cabinet::CabinetError::kCorrupt)) ...
//   for (size_t i = 0; i < (*cab)->entries().size(); ++i) (*cab)->Extract(i, target);
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "common/status.h"

namespace korvale::cabinet {

// Why a cabinet could not be opened or read (the Status code).
enum class CabinetError {
  kLibrary = 1,  // the cabinet library could not start
  kMissing = 2,  // no such file
  kCorrupt = 3,  // not a cabinet, or its header is damaged
  kExtract = 4,  // an entry could not be extracted (damaged data, target not writable)
};

// The attribute bits of a cabinet entry.
inline constexpr int kAttribReadOnly = 0x01;
inline constexpr int kAttribExecute = 0x40;

struct CabinetEntry {
  std::string name;  // as stored, with backslashes
  std::uint64_t size = 0;
  int attributes = 0;
  // Date and time as stored (local time of the machine that made the cabinet).
  int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  // The stored date and time read as this machine's local time.
  std::time_t LocalTime() const;
};

class Cabinet {
 public:
  virtual ~Cabinet() = default;
  static Expected<std::unique_ptr<Cabinet>> Open(const std::string& path);

  virtual const std::vector<CabinetEntry>& entries() const = 0;
  // Writes entry `index` to `target` (created or truncated). Fails with
  // kExtract, saying why; a partly written target is removed.
  virtual Status Extract(size_t index, const std::string& target) = 0;
};

}  // namespace korvale::cabinet
