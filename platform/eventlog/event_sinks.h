// The two event sinks behind RegisterEventSource. Used by eventlog.cpp only.
#pragma once

#include <memory>
#include <string>

#include "platform/eventlog/eventlog.h"

namespace korvale::eventlog {

// Appends JSON lines to `path` (created when missing); null when it cannot be opened.
std::unique_ptr<EventSource> OpenFileSink(const std::string& path, const std::string& source);

// Sends one systemd journal entry per event.
std::unique_ptr<EventSource> OpenJournalSink(const std::string& source);

// The current local time as "2026-12-06T18:20:01".
std::string LocalTimeNow();

}  // namespace korvale::eventlog
