// The machine's local date and time as a SYSTEMTIME.
#pragma once

#include "platform/tz/tz_types.h"

namespace korvale {

SYSTEMTIME LocalNow();

}  // namespace korvale
