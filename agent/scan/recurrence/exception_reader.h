// The part of a pattern after the end type: end date, the deleted and
// modified lists and the exception records. Shared by the four readers.
#pragma once

#include <cstdint>

#include "agent/scan/recurrence/pattern_bytes.h"
#include "agent/scan/recurrence/pattern_reader.h"
#include "agent/scan/recurrence/recurrence_state.h"

namespace korvale::recurrence {

// Reads everything from the end type at `end_type_offset` on (the occurrence
// count follows it, the deleted count 12 bytes later) into `state`, whose
// pattern fields and series start/end are already set. False when the bytes
// are inconsistent.
[[nodiscard]] bool ReadPatternEnd(const PatternInput& in, const PatternBytes& bytes, uint64_t end_type_offset,
                                  RecurrenceState& state);

}  // namespace korvale::recurrence
