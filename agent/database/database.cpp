// Every statement of the agent passes here: MySQL filter, SQL trace, execution,
// and a look at every failure.
#include "agent/database/database.h"

#include "agent/database/db_report.h"

namespace korvale {

// The real connection behind a watch: each failure is shown to the Database,
// and after a lost connection nothing is sent any more.
class Database::WatchedConnection final : public SqlConnection {
 public:
  WatchedConnection(Database& owner, std::unique_ptr<SqlConnection> inner)
      : owner_(owner), inner_(std::move(inner)) {}

  SqlResult<SqlDone> Execute(std::string_view sql) override {
    return Run(sql, [&] { return inner_->Execute(sql); });
  }
  SqlResult<std::vector<SqlRow>> Query(std::string_view sql) override {
    return Run(sql, [&] { return inner_->Query(sql); });
  }
  SqlResult<std::optional<SqlRow>> QueryFirst(std::string_view sql) override {
    return Run(sql, [&] { return inner_->QueryFirst(sql); });
  }
  std::string DatabaseName() override { return inner_->DatabaseName(); }

  SqlResult<SqlDone> BeginTransaction() override {
    if (owner_.loss_) return NotSent();
    auto begun = inner_->BeginTransaction();
    if (!begun.ok()) {
      owner_.Failed(begun.error(), "BEGIN", false);
      return begun;
    }
    in_transaction_ = true;
    wrote_fill_table_ = false;
    return begun;
  }
  // A failed commit loses every statement of the transaction, whatever the
  // reason: when they wrote the fill table, that is a fault.
  SqlResult<SqlDone> CommitTransaction() override {
    const bool wrote = in_transaction_ && wrote_fill_table_;
    in_transaction_ = false;
    if (owner_.loss_) return NotSent();
    auto done = inner_->CommitTransaction();
    if (!done.ok()) owner_.Failed(done.error(), "COMMIT", wrote, wrote);
    return done;
  }
  SqlResult<SqlDone> RollbackTransaction() override {
    in_transaction_ = false;
    if (owner_.loss_) return NotSent();
    return inner_->RollbackTransaction();
  }

 private:
  template <typename Call>
  auto Run(std::string_view sql, Call call) -> decltype(call()) {
    if (owner_.loss_) return NotSent();
    const bool names_fill = StatementNamesTable(sql, owner_.watched_table_, owner_.dialect_);
    if (in_transaction_ && names_fill) wrote_fill_table_ = true;
    auto result = call();
    if (!result.ok()) owner_.Failed(result.error(), std::string(sql), names_fill);
    return result;
  }

  // What every statement gets once the connection is gone.
  SqlError NotSent() const {
    owner_.last_failure_ = SqlFailureKind::kConnectionLost;
    ++owner_.failures_since_fault_;
    SqlError error = owner_.loss_->error;
    error.text = "The statement was not sent: the connection to the database was lost.";
    return error;
  }

  Database& owner_;
  std::unique_ptr<SqlConnection> inner_;
  bool in_transaction_ = false;
  bool wrote_fill_table_ = false;
};

Database::Database(const AgentSettings& settings, AgentLog& log, std::unique_ptr<SqlConnection> connection)
    : settings_(settings),
      log_(log),
      dialect_(StatementDialect(settings)),
      connection_(std::make_unique<WatchedConnection>(*this, std::move(connection))) {}

Database::~Database() = default;

SqlConnection& Database::connection() { return *connection_; }

std::string Database::Prepare(const std::string& sql) {
  std::string text = dialect_ == Dialect::kMySql ? MySqlFilter(sql) : sql;
  log_.LogSqlStatement(text);
  return text;
}

SqlResult<SqlDone> Database::Execute(const std::string& sql) { return connection_->Execute(Prepare(sql)); }

SqlResult<std::vector<SqlRow>> Database::Query(const std::string& sql) {
  return connection_->Query(Prepare(sql));
}

SqlResult<std::optional<SqlRow>> Database::QueryFirst(const std::string& sql) {
  return connection_->QueryFirst(Prepare(sql));
}

void Database::WatchFillTable(std::string table) { watched_table_ = std::move(table); }

void Database::OnFault(std::function<void(const DatabaseFault&)> handler) {
  on_fault_ = std::move(handler);
  if (!fault_ || !on_fault_) return;
  on_fault_(*fault_);
  if (loss_ && fault_->kind != SqlFailureKind::kConnectionLost) on_fault_(*loss_);
}

bool Database::RepeatsFault() const {
  return fault_.has_value() && failures_since_fault_ > 0 && last_failure_ &&
         *last_failure_ != SqlFailureKind::kRowData;
}

void Database::Failed(const SqlError& error, const std::string& statement, bool names_fill_table,
                      bool always_fault) {
  SqlFailureKind kind = ClassifySqlFailure(error, dialect_);
  if (always_fault && kind == SqlFailureKind::kRowData) kind = SqlFailureKind::kDatabase;
  last_failure_ = kind;
  ++failures_since_fault_;
  if (kind == SqlFailureKind::kConnectionLost || (kind == SqlFailureKind::kDatabase && names_fill_table)) {
    RecordFault(kind, error, statement);
  }
}

void Database::RecordFault(SqlFailureKind kind, const SqlError& error, const std::string& statement) {
  const bool lost = kind == SqlFailureKind::kConnectionLost;
  if (fault_ && (!lost || loss_)) return;  // told already
  DatabaseFault fault{kind, error, statement};
  failures_since_fault_ = 0;
  if (lost) loss_ = fault;
  if (!fault_) fault_ = fault;
  LogFault(*this, fault);
  if (on_fault_) on_fault_(fault);
}

}  // namespace korvale
