// The phases of one mailbox's scan, in the order MailboxScan::DoUser runs
// them: reading the owner, choosing who publishes, opening the calendar,
// publishing it. Each phase reports its own failures with the texts the scan
// has always used and hands its outcome back as a value; DoUser only decides
// whether to go on. Internal to agent/scan.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "agent/scan/calendar_properties.h"
#include "agent/scan/mailbox_scan.h"
#include "agent/scan/owner_entry.h"
#include "agent/scan/user_row.h"

namespace korvale::scan_phase {

using Clock = std::chrono::steady_clock;

// When each phase ended, for the timing report (TimeLog).
struct MailboxTimes {
  Clock::time_point begin, before_store, store, calendar, rights, user_row, query, end;
};

// The owner's directory entry as read (7).
struct OwnerRead {
  mapi::HRESULT hr = mapi::S_OK;  // a failure is already reported
  OwnerProperties props;
};
OwnerRead ReadOwner(ScanEnvironment& env, const mapi::ENTRYID& owner_entry_id, const std::string& mailbox);

// Values the scan repeats in every row of the mailbox, quoted for the
// statements (8, 10).
struct ScanValues {
  std::string name;  // quoted, 50
  std::string dl;    // quoted, 250
  UserRowValues user;
  int minimum_security = 0;
  bool book_meetings = false;
  std::string pdc;
};
ScanValues OwnerValues(const ScanEnvironment& env, const std::string& mailbox, const OwnerProperties& owner);

// Who publishes the mailbox's calendar (11–16). The first user row is written
// for every mailbox that is published at all.
enum class Publisher {
  kNobody,         // no home server, or one this installation does not know
  kAnotherSource,  // published by another data source; its user row is here
  kThisAgent,
};
struct PublisherChoice {
  Publisher publisher = Publisher::kNobody;
  HomeServer home;
};
PublisherChoice ChoosePublisher(ScanEnvironment& env, size_t group, const std::string& mailbox,
                                const OwnerProperties& owner, ScanValues& values);

// The pause between mailboxes (17, 18): true when a stop was asked for.
bool StopRequestedAfterPause(ScanEnvironment& env);

// The mailbox's store, opened with administrative rights, and its calendar (19, 20).
struct OpenedCalendar {
  mapi::HRESULT hr = mapi::S_OK;  // a failure is already reported
  std::shared_ptr<mapi::IMsgStore> store;
  std::shared_ptr<mapi::IMAPIFolder> calendar;
  mapi::ENTRYID calendar_id;
  Clock::time_point store_opened;
};
OpenedCalendar OpenCalendar(ScanEnvironment& env, const std::string& mailbox, const HomeServer& home,
                            const OwnerProperties& owner);

// The calendar's named properties (21).
struct ResolvedTags {
  mapi::HRESULT hr = mapi::S_OK;  // a failure is already reported
  CalendarTags tags;
};
ResolvedTags ResolveTags(ScanEnvironment& env, mapi::IMAPIFolder& calendar);

// Reads the calendar into the fill table (25–30): marks the mailbox's rows in
// shared-table mode, reads the single appointments inside the window and then
// every series, and deletes the rows nobody confirmed after a complete scan.
// Runs inside the mailbox's transaction, which the caller holds.
struct PublishedCalendar {
  mapi::HRESULT hr = mapi::S_OK;  // a failure is already reported
  uint32_t messages = 0;
};
PublishedCalendar PublishCalendar(ScanEnvironment& env, const std::string& mailbox,
                                  mapi::IMAPIFolder& calendar, const CalendarTags& tags,
                                  const TIME_ZONE_INFORMATION& zone, const ScanValues& values,
                                  MailboxTimes& times);

}  // namespace korvale::scan_phase
