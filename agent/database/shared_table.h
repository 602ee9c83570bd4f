// Shared-table mode (NewDB=1): several agents write into KorvaleTable1, each
// row carrying its agent's instance name in KRVService. An agent marks its own
// rows stale (KRVUpdate = 1) before the scan, writes current rows during it
// and deletes what is still stale afterwards. Rows without KRVService belong
// to nobody and are treated as every agent's own. The table is never emptied.
#pragma once

#include <string>
#include <string_view>

#include "agent/database/database.h"
#include "common/status.h"

namespace korvale {

// The instance name as it stands between apostrophes in every statement that
// stores or compares it (KRVService of the calendar rows, Reserved2 of the
// booking rows): apostrophes doubled, never cut, so that the rows an agent
// writes are the rows it finds again. Every statement builder takes the plain
// name and quotes it here, at the statement:
//   "... AND (KRVService='" + QuoteInstanceName("Ann's", dialect) + "')"
std::string QuoteInstanceName(std::string_view instance, Dialect dialect);

std::string MarkStaleRowsStatement(const AgentSettings& settings, std::string_view table,
                                   std::string_view instance);
std::string DeleteStaleRowsStatement(const AgentSettings& settings, std::string_view table,
                                     std::string_view instance);

// Marks this agent's rows (all but its marker rows) and rows without an owner
// stale. A failure is error event 119 (table, DB, error text); the cycle goes
// on. Outside shared-table mode nothing happens.
Status MarkStaleRows(Database& db, std::string_view table, std::string_view instance);

// Deletes this agent's stale rows and stale rows without an owner. A failure
// is error event 119; the cycle goes on. Outside shared-table mode nothing happens.
Status DeleteStaleRows(Database& db, std::string_view table, std::string_view instance);

// "UPDATE <table> SET KRVUpdate = 0 WHERE ((Name='<mailbox>') AND
// ((KRVService='<instance>') OR (KRVService IS NULL)))"; the mailbox name is
// quoted and cut to 50 characters as the mailbox scan writes it.
std::string KeepMailboxRowsStatement(const AgentSettings& settings, std::string_view table,
                                     std::string_view mailbox, std::string_view instance);

// A mailbox whose scan failed keeps its published rows: they are no longer
// stale, so the deletion after the scan leaves them (a later complete scan
// brings them up to date). A failure is error event 119. Outside shared-table
// mode nothing happens.
Status KeepMailboxRows(Database& db, std::string_view table, std::string_view mailbox,
                       std::string_view instance);

// The per-mailbox pair around one mailbox's calendar rows (the booking user
// rows, Status 9, are left alone). `quoted_mailbox` is the name as the scan
// writes it (quoted, at most 50 characters).
//   "UPDATE <table> SET KRVUpdate = 1 WHERE ((Name='<mailbox>') AND (Status <> 9)
//    AND ((KRVService='<instance>') OR (KRVService IS NULL)))"
std::string MarkMailboxRowsStatement(Dialect dialect, std::string_view table, std::string_view quoted_mailbox,
                                     std::string_view instance);
//   "DELETE FROM <table> WHERE ((Name='<mailbox>') AND (Status <> 9) AND
//    (KRVUpdate = 1) AND (KRVService = '<instance>'))"
std::string DeleteUnconfirmedMailboxRowsStatement(Dialect dialect, std::string_view table,
                                                  std::string_view quoted_mailbox, std::string_view instance);

// Before a mailbox's calendar is read in shared-table mode, every row of it is
// unconfirmed until the scan writes it again; after a complete scan the rows
// nobody confirmed are deleted. A failure is error event 119 with the
// statement; the scan goes on. Both run whatever the mode: the caller decides.
Status MarkMailboxRows(Database& db, std::string_view table, std::string_view quoted_mailbox,
                       std::string_view instance);
Status DeleteUnconfirmedMailboxRows(Database& db, std::string_view table, std::string_view quoted_mailbox,
                                    std::string_view instance);

}  // namespace korvale
