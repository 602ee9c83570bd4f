// korvale-bench-replay: the database-only baselines of one agent cycle.
//
//   korvale-bench-replay --trace FILE --instance NAME --connect "DSN=..." --table T
//
// Replay: every statement of the agent's SQL trace file, executed in order
// through the same ODBC layer the agent uses, on a database in the state the
// agent started from (the caller hands over a fresh one), in the agent's
// transaction grouping (see MailboxTransactions). Bulk: the rows the
// replay left in table T copied into a new table with one prepared INSERT in
// one transaction. Prints one line of key=value pairs.
#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bulk_insert.h"
#include "platform/odbc/odbc.h"

namespace korvale::bench {
namespace {

using Clock = std::chrono::steady_clock;

// Entries are "\n<date and time> <instance> <statement>"; a statement that
// holds line ends continues on the following lines. The date text has no
// fixed form (the locale's), so an entry is recognised by the instance name
// near the start of a line.
std::vector<std::string> ReadTrace(const std::string& path, const std::string& instance) {
  std::ifstream in(path);
  std::vector<std::string> out;
  std::string line, marker = " " + instance + " ";
  while (std::getline(in, line)) {
    size_t at = line.find(marker);
    if (at != std::string::npos && at < 64 && at > 0) {
      out.push_back(line.substr(at + marker.size()));
    } else if (!out.empty()) {
      out.back() += "\n" + line;
    }
  }
  return out;
}

bool IsQuery(const std::string& sql) {
  size_t i = sql.find_first_not_of(" \t\r\n(");
  return i != std::string::npos && sql.compare(i, 6, "SELECT") == 0 &&
         sql.find(" INTO ") == std::string::npos;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The agent commits a mailbox's fill-table rows together: its transaction
// opens after the user row's second write (the only insert or update that
// names both ACLw and AssocNTAcc) and ends when the next mailbox's user row is
// looked up or a statement leaves the fill table (the booking-number lookups
// on Meetings during the scan excepted). Returns, per statement, whether a
// transaction is open while it runs.
std::vector<bool> MailboxTransactions(const std::vector<std::string>& statements, const std::string& table) {
  std::vector<bool> inside(statements.size(), false);
  bool open = false;
  for (size_t i = 0; i < statements.size(); ++i) {
    const std::string& sql = statements[i];
    if (open) {
      const bool next_mailbox = Contains(sql, "WHERE ((Status=9) AND (Name=");
      const bool booking_lookup = Contains(sql, "FROM Meetings WHERE (BookingStatus=2) AND Office=");
      const bool other_table = !Contains(sql, " " + table + " ") && !Contains(sql, " " + table + "(");
      if (next_mailbox || (other_table && !booking_lookup)) open = false;
    }
    inside[i] = open;
    const bool write = sql.starts_with("UPDATE ") || sql.starts_with("insert ");
    if (write && Contains(sql, "AssocNTAcc") && Contains(sql, "ACLw") && Contains(sql, " " + table + " "))
      open = true;
  }
  return inside;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int Run(const std::string& trace, const std::string& instance, const std::string& connect,
        const std::string& table) {
  auto statements = ReadTrace(trace, instance);
  if (statements.empty()) return std::cerr << "no statements of " << instance << " in " << trace << "\n", 1;
  auto t0 = Clock::now();
  auto conn = OpenSqlConnection(connect);
  if (!conn.ok()) return std::cerr << "connect: " << conn.error().text << "\n", 1;
  const std::vector<bool> inside = MailboxTransactions(statements, table);
  long failed = 0, queries = 0, transactions = 0;
  Clock::duration user_row_time{}, other_time{};
  bool open = false;
  auto commit = [&] {
    if (open && !(*conn)->CommitTransaction().ok()) std::cerr << "replay: commit refused\n";
    open = false;
  };
  for (size_t i = 0; i < statements.size(); ++i) {
    const std::string& sql = statements[i];
    if (!inside[i]) commit();
    if (inside[i] && !open) {
      open = (*conn)->BeginTransaction().ok();
      transactions += open;
    }
    bool ok;
    const auto started = Clock::now();
    if (IsQuery(sql)) {
      ++queries;
      ok = (*conn)->Query(sql).ok();
    } else {
      ok = (*conn)->Execute(sql).ok();
    }
    const bool user_row = Contains(sql, "(Status=9) AND (Name=") || Contains(sql, "(Status = 9) AND (Name =");
    (user_row ? user_row_time : other_time) += Clock::now() - started;
    if (!ok && ++failed <= 5) std::cerr << "replay: refused: " << sql.substr(0, 200) << "\n";
  }
  commit();
  auto t1 = Clock::now();
  auto rows = (*conn)->Query("SELECT * FROM " + table);
  if (!rows.ok()) return std::cerr << "reading " << table << ": " << rows.error().text << "\n", 1;
  (*conn)->Execute("DROP TABLE BenchBulk");
  auto created = (*conn)->Execute("CREATE TABLE BenchBulk AS SELECT * FROM " + table + " WHERE 1=0");
  if (!created.ok()) return std::cerr << "creating BenchBulk: " << created.error().text << "\n", 1;
  conn->reset();
  auto t2 = Clock::now();
  std::string error = BulkInsert(connect, "BenchBulk", *rows);
  auto t3 = Clock::now();
  if (!error.empty()) return std::cerr << "bulk: " << error << "\n", 1;
  std::cout << "statements=" << statements.size() << " queries=" << queries << " refused=" << failed
            << " transactions=" << transactions << " replay_ms=" << Ms(t1 - t0)
            << " user_row_ms=" << Ms(user_row_time) << " bulk_rows=" << rows->size()
            << " bulk_ms=" << Ms(t3 - t2) << "\n";
  return 0;
}

}  // namespace
}  // namespace korvale::bench

int main(int argc, char** argv) {
  std::string trace, instance = "KorvaleBench", connect, table;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string a = argv[i];
    if (a == "--trace")
      trace = argv[i + 1];
    else if (a == "--instance")
      instance = argv[i + 1];
    else if (a == "--connect")
      connect = argv[i + 1];
    else if (a == "--table")
      table = argv[i + 1];
  }
  if (trace.empty() || connect.empty() || table.empty()) {
    std::cerr
        << "usage: korvale-bench-replay --trace FILE --connect \"DSN=...\" --table T [--instance NAME]\n";
    return 2;
  }
  return korvale::bench::Run(trace, instance, connect, table);
}
