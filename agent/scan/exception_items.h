// The embedded items of a series' exceptions: a modified occurrence whose
// meeting type or body changed keeps its own body and recipients in an
// attachment of the series (an embedded message), which only the store side
// can open. This reader finds that attachment for each such exception and
// takes its body and its recipients as the exception's body and attendees.
//
// Matching: the exception's start and end in the pattern are wall-clock times
// of the series' zone, and [MS-OXOCAL] stores PR_EXCEPTION_STARTTIME and
// PR_EXCEPTION_ENDTIME of the attachment the same way (local time of the
// organiser's machine, not universal time). An attachment is therefore first
// matched on those local times; only when none matches is it matched on the
// universal times of the exception, for stores that wrote universal values.
// Both sides are compared to the minute.
#pragma once

#include <vector>

#include "agent/database/dialect.h"
#include "agent/scan/item_access.h"
#include "agent/scan/recurrence/recurrence_state.h"
#include "common/agent_log.h"
#include "platform/tz/tz_types.h"

namespace korvale {

struct ExceptionItemContext {
  AgentLog& log;
  Dialect dialect;
  TIME_ZONE_INFORMATION appointment_zone;
  bool private_item = false;  // the body of a private series stays empty
};

// Fills body and attendees (QuoteForSql, at most 1024) of every modified
// record with has_embedded_item. When the series cannot be opened, reports
// "OpenEntry for Message in CalendarFolder failed with Code = %08lx" (warning
// 137); then, and for a record without a matching attachment, the record
// keeps no values of its own and the series' body and attendees stand.
void ReadExceptionItems(OpenedItem& series, const ExceptionItemContext& ctx,
                        std::vector<recurrence::ExceptionRecord>& exceptions);

}  // namespace korvale
