// A thin, task-level binding over the ODBC driver manager.
//
// `SqlConnection` runs a statement directly or reads the rows of a query by
// column name. A failure carries the driver's text, the ODBC return code and
// the SQL state with its native code, exactly as the driver reported them.
// Nothing of the system's own SQL lives here.
//
//   auto conn = OpenSqlConnection("DSN=korvale");
//   if (!conn.ok()) report(conn.error().text);
//   auto rows = (*conn)->Query("SELECT * FROM KorvaleConfig");
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace korvale {

struct SqlError {
  std::string text;         // the driver's diagnostic text(s), as reported
  int return_code = 0;      // SQL_ERROR (-1), SQL_INVALID_HANDLE (-2) ...
  std::string sql_state;    // five characters, e.g. "42S02"
  int32_t native_code = 0;  // the driver's own number
  // "State:%s,Native:%d,Origin:%s" text for reports that name all three.
  std::string StateNativeOrigin() const;
};

struct SqlTimestamp {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool operator==(const SqlTimestamp&) const = default;
};

// One column value; std::monostate is SQL NULL (distinct from an empty text).
using SqlValue =
    std::variant<std::monostate, int64_t, double, std::string, SqlTimestamp, std::vector<uint8_t>>;

// One result row; columns are found by name without regard to case.
class SqlRow {
 public:
  SqlRow(std::shared_ptr<const std::vector<std::string>> names, std::vector<SqlValue> values);
  bool Has(std::string_view column) const;
  const SqlValue* Find(std::string_view column) const;  // nullptr when no such column
  bool IsNull(std::string_view column) const;           // also true when missing
  // Conversions as a recordset's GetFieldValue would do them; NULL gives nullopt.
  std::optional<std::string> Text(std::string_view column) const;
  std::optional<int64_t> Int(std::string_view column) const;
  std::optional<double> Double(std::string_view column) const;
  std::optional<SqlTimestamp> Timestamp(std::string_view column) const;
  std::optional<std::vector<uint8_t>> Binary(std::string_view column) const;
  const std::vector<std::string>& ColumnNames() const { return *names_; }
  const std::vector<SqlValue>& Values() const { return values_; }

 private:
  std::shared_ptr<const std::vector<std::string>> names_;
  std::vector<SqlValue> values_;
};

template <typename T>
class SqlResult {
 public:
  SqlResult(T value) : v_(std::move(value)) {}  // NOLINT
  SqlResult(SqlError e) : v_(std::move(e)) {}   // NOLINT
  bool ok() const { return v_.index() == 0; }
  T& operator*() { return std::get<0>(v_); }
  T* operator->() { return &std::get<0>(v_); }
  const SqlError& error() const { return std::get<1>(v_); }

 private:
  std::variant<T, SqlError> v_;
};

struct SqlDone {
  // Rows a searched UPDATE, DELETE or an INSERT touched, as the driver counts
  // them; -1 when it does not say.
  int64_t rows = -1;
};

class SqlConnection {
 public:
  virtual ~SqlConnection() = default;
  // Executes one statement directly (no result rows expected).
  virtual SqlResult<SqlDone> Execute(std::string_view sql) = 0;
  // Runs a query and returns all of its rows (column names as the driver gives them).
  virtual SqlResult<std::vector<SqlRow>> Query(std::string_view sql) = 0;
  // Runs a query and tells whether it yields at least one row (reads only the first).
  virtual SqlResult<std::optional<SqlRow>> QueryFirst(std::string_view sql) = 0;
  // The database name the connection reports (SQL_DATABASE_NAME).
  virtual std::string DatabaseName() = 0;
  // Transactions: while one is open, statements commit together at CommitTransaction.
  virtual SqlResult<SqlDone> BeginTransaction() = 0;
  virtual SqlResult<SqlDone> CommitTransaction() = 0;
  virtual SqlResult<SqlDone> RollbackTransaction() = 0;
};

// Connects with a connection string ("DSN=...;UID=...;PWD=...") without any prompting.
SqlResult<std::unique_ptr<SqlConnection>> OpenSqlConnection(const std::string& connect_string);

}  // namespace korvale
