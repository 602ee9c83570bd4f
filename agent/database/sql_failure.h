// Why a statement failed: because of the row it carried, or because of the
// database itself. A table that misses rows for the second reason must not be
// published, while a row refused for its own data is reported and left out.
#pragma once

#include <string_view>

#include "agent/database/dialect.h"
#include "platform/odbc/odbc.h"

namespace korvale {

enum class SqlFailureKind {
  kRowData,         // the statement's own values were refused (class 22, 23)
  kDatabase,        // disk full, lock timeout, read-only, missing table ...
  kConnectionLost,  // class 08: nothing more reaches the database
};

// Tells the kinds apart by the SQL state's class. Drivers that answer every
// failure with the general state HY000 (the SQLite3 driver does) are read by
// their native code: SQLite's "too big", "constraint", "mismatch" and "range"
// refuse the row, every other code is the database's. MySQL's "server has gone
// away" and "lost connection" are a lost connection whatever state they carry.
//   ClassifySqlFailure({"...", -1, "22001", 1406}, Dialect::kMySql) == kRowData
//   ClassifySqlFailure({"...disk is full", -1, "HY000", 13}, Dialect::kSQLite) == kDatabase
SqlFailureKind ClassifySqlFailure(const SqlError& error, Dialect dialect);

// Whether `sql` names `table` outside its quoted values, as a whole word and
// without regard to case (double-quoted and back-quoted names count).
//   StatementNamesTable("DELETE FROM KorvaleTable2", "KorvaleTable2", d) == true
//   StatementNamesTable("... values('KorvaleTable2')", "KorvaleTable2", d) == false
bool StatementNamesTable(std::string_view sql, std::string_view table, Dialect dialect);

}  // namespace korvale
