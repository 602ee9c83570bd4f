// Dates relative to today, for organisation files whose appointments must
// fall inside the agent's scan window whenever the tests run.
#pragma once

#include <string>

namespace korvale::testing {

// A local date `offset` days from today as "YYYY-MM-DD".
std::string DayFromToday(int offset);

}  // namespace korvale::testing
