// The ODBC connection: connecting without prompts, direct execution, result
// rows and transactions.

#include "platform/odbc/odbc.h"
#include "platform/odbc/odbc_columns.h"
#include "platform/odbc/odbc_diagnostics.h"
#include "platform/odbc/odbc_handles.h"

namespace korvale {
namespace {

using odbc::Diagnose;
using odbc::Handle;
using odbc::Succeeded;

SQLCHAR* SqlText(std::string& text) { return reinterpret_cast<SQLCHAR*>(text.data()); }

class OdbcConnection final : public SqlConnection {
 public:
  OdbcConnection(Handle env, Handle dbc) : env_(std::move(env)), dbc_(std::move(dbc)) {}
  ~OdbcConnection() override {
    // An open transaction that nobody committed is not kept.
    if (in_transaction_) (void)RollbackTransaction();
    dbc_.Reset();  // before the environment it belongs to
    env_.Reset();
  }

  SqlResult<SqlDone> Execute(std::string_view sql) override {
    auto stmt = Run(sql);
    if (!stmt.ok()) return stmt.error();
    SqlDone done;
    SQLLEN count = -1;
    if (Succeeded(SQLRowCount(stmt->get(), &count))) done.rows = static_cast<int64_t>(count);
    // A statement that produced rows or several results (a procedure call)
    // is drained, so that a failure in a later part is not lost.
    for (;;) {
      SQLRETURN rc = SQLMoreResults(stmt->get());
      if (rc == SQL_NO_DATA || rc == SQL_INVALID_HANDLE) break;
      if (!Succeeded(rc))
        return Diagnose(SQL_HANDLE_STMT, stmt->get(), rc, "Executing the statement failed.");
    }
    return done;
  }

  SqlResult<std::vector<SqlRow>> Query(std::string_view sql) override { return Rows(sql, 0); }

  SqlResult<std::optional<SqlRow>> QueryFirst(std::string_view sql) override {
    auto rows = Rows(sql, 1);
    if (!rows.ok()) return rows.error();
    if (rows->empty()) return std::optional<SqlRow>();
    return std::optional<SqlRow>(std::move(rows->front()));
  }

  std::string DatabaseName() override {
    char name[1024] = {};
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetInfo(dbc_.get(), SQL_DATABASE_NAME, name, sizeof name, &length);
    return Succeeded(rc) ? std::string(name) : std::string();
  }

  SqlResult<SqlDone> BeginTransaction() override {
    SQLRETURN rc = SQLSetConnectAttr(dbc_.get(), SQL_ATTR_AUTOCOMMIT,
                                     reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
    if (!Succeeded(rc)) return Diagnose(SQL_HANDLE_DBC, dbc_.get(), rc, "Starting a transaction failed.");
    in_transaction_ = true;
    return SqlDone{};
  }

  SqlResult<SqlDone> CommitTransaction() override { return EndTransaction(SQL_COMMIT); }
  SqlResult<SqlDone> RollbackTransaction() override { return EndTransaction(SQL_ROLLBACK); }

 private:
  // Executes `sql` on a new statement handle; the handle is returned for reading.
  SqlResult<Handle> Run(std::string_view sql) {
    SQLRETURN rc = SQL_SUCCESS;
    Handle stmt = odbc::AllocateHandle(SQL_HANDLE_STMT, dbc_.get(), rc);
    if (!stmt) return Diagnose(SQL_HANDLE_DBC, dbc_.get(), rc, "Allocating a statement failed.");
    std::string text(sql);
    rc = SQLExecDirect(stmt.get(), SqlText(text), static_cast<SQLINTEGER>(text.size()));
    // SQL_NO_DATA: a searched UPDATE or DELETE that touched no row.
    if (!Succeeded(rc) && rc != SQL_NO_DATA) {
      return Diagnose(SQL_HANDLE_STMT, stmt.get(), rc, "Executing the statement failed.");
    }
    return stmt;
  }

  SqlResult<std::vector<SqlRow>> Rows(std::string_view sql, size_t limit) {
    auto stmt = Run(sql);
    if (!stmt.ok()) return stmt.error();
    auto columns = odbc::DescribeColumns(stmt->get());
    if (!columns.ok()) return columns.error();
    return odbc::FetchRows(stmt->get(), *columns, limit);
  }

  SqlResult<SqlDone> EndTransaction(SQLSMALLINT completion) {
    if (!in_transaction_) return SqlDone{};
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), completion);
    SqlError error;
    bool failed = !Succeeded(rc);
    if (failed) error = Diagnose(SQL_HANDLE_DBC, dbc_.get(), rc, "Ending the transaction failed.");
    // Back to one statement at a time, whatever the outcome.
    SQLSetConnectAttr(dbc_.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
    in_transaction_ = false;
    if (failed) return error;
    return SqlDone{};
  }

  Handle env_;
  Handle dbc_;
  bool in_transaction_ = false;
};

}  // namespace

SqlResult<std::unique_ptr<SqlConnection>> OpenSqlConnection(const std::string& connect_string) {
  SQLRETURN rc = SQL_SUCCESS;
  Handle env = odbc::AllocateHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, rc);
  if (!env) return SqlError{"The ODBC environment could not be allocated.", rc, "HY001", 0};
  rc = SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!Succeeded(rc)) return Diagnose(SQL_HANDLE_ENV, env.get(), rc, "Setting the ODBC version failed.");
  Handle dbc = odbc::AllocateHandle(SQL_HANDLE_DBC, env.get(), rc);
  if (!dbc) return Diagnose(SQL_HANDLE_ENV, env.get(), rc, "Allocating a connection failed.");

  std::string in = connect_string;
  SQLCHAR out[1024] = {};
  SQLSMALLINT out_length = 0;
  rc = SQLDriverConnect(dbc.get(), nullptr, SqlText(in), static_cast<SQLSMALLINT>(in.size()), out, sizeof out,
                        &out_length, SQL_DRIVER_NOPROMPT);
  if (!Succeeded(rc)) return Diagnose(SQL_HANDLE_DBC, dbc.get(), rc, "Connecting to the data source failed.");
  dbc.MarkConnected();
  return std::unique_ptr<SqlConnection>(std::make_unique<OdbcConnection>(std::move(env), std::move(dbc)));
}

}  // namespace korvale
