#include "tests/support/dates.h"

#include <ctime>

namespace korvale::testing {

std::string DayFromToday(int offset) {
  std::time_t t = std::time(nullptr) + static_cast<std::time_t>(offset) * 86400;
  std::tm local{};
  localtime_r(&t, &local);
  char buffer[16];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d", &local);
  return buffer;
}

}  // namespace korvale::testing
