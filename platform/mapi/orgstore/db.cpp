// SQLite connection, statements and nesting transactions.
#include "platform/mapi/orgstore/db.h"

#include <sqlite3.h>

namespace korvale::mapi::orgstore {

namespace {
[[noreturn]] void Fail(sqlite3* db, const std::string& what, int code) {
  throw DbError{what + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(code)), code};
}
}  // namespace

Stmt::~Stmt() {
  if (!stmt_) return;
  if (in_use_) {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    *in_use_ = false;
  } else {
    sqlite3_finalize(stmt_);
  }
}

Stmt& Stmt::Bind(int index, int64_t value) {
  sqlite3_bind_int64(stmt_, index, value);
  return *this;
}
Stmt& Stmt::Bind(int index, const std::string& value) {
  sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
  return *this;
}
Stmt& Stmt::BindBlob(int index, const std::vector<uint8_t>& value) {
  // An empty blob must stay a blob, not NULL.
  static const uint8_t kEmpty = 0;
  sqlite3_bind_blob(stmt_, index, value.empty() ? &kEmpty : value.data(), static_cast<int>(value.size()),
                    SQLITE_TRANSIENT);
  return *this;
}
Stmt& Stmt::BindNull(int index) {
  sqlite3_bind_null(stmt_, index);
  return *this;
}

bool Stmt::Step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  std::string sql = sqlite3_sql(stmt_) ? sqlite3_sql(stmt_) : "";
  Fail(db_, "statement failed (" + sql.substr(0, 60) + ")", rc);
}
void Stmt::Run() {
  while (Step()) {
  }
}
void Stmt::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

int64_t Stmt::Int(int col) const { return sqlite3_column_int64(stmt_, col); }
std::string Stmt::Text(int col) const {
  const auto* p = sqlite3_column_text(stmt_, col);
  int n = sqlite3_column_bytes(stmt_, col);
  return p ? std::string(reinterpret_cast<const char*>(p), n) : std::string();
}
std::vector<uint8_t> Stmt::Blob(int col) const {
  const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, col));
  int n = sqlite3_column_bytes(stmt_, col);
  return p ? std::vector<uint8_t>(p, p + n) : std::vector<uint8_t>();
}
bool Stmt::IsNull(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }

std::shared_ptr<Db> Db::Open(const std::string& path, bool create) {
  std::shared_ptr<Db> db(new Db());
  db->path_ = path;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(path.c_str(), &db->db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = db->db_ ? sqlite3_errmsg(db->db_) : sqlite3_errstr(rc);
    throw DbError{"cannot open organisation store " + path + ": " + msg, rc};
  }
  sqlite3_busy_timeout(db->db_, 30000);
  sqlite3_extended_result_codes(db->db_, 0);
  db->Exec("PRAGMA journal_mode=WAL");
  db->Exec("PRAGMA foreign_keys=ON");
  db->Exec("PRAGMA synchronous=NORMAL");
  return db;
}

Db::~Db() {
  for (auto& [sql, cached] : cache_) sqlite3_finalize(cached.stmt);
  if (db_) sqlite3_close_v2(db_);
}

Stmt Db::Prepare(const std::string& sql) {
  // Statements built around variable text (restrictions) would fill the
  // cache without being reused; past this size new ones are not kept.
  constexpr size_t kMaxCached = 256;
  auto found = cache_.find(sql);
  if (found != cache_.end() && !found->second.in_use) {
    found->second.in_use = true;
    return Stmt(db_, found->second.stmt, &found->second.in_use);
  }
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
  if (rc != SQLITE_OK) Fail(db_, "cannot prepare (" + sql.substr(0, 60) + ")", rc);
  if (found != cache_.end() || cache_.size() >= kMaxCached || !stmt) return Stmt(db_, stmt);
  Cached& cached = cache_[sql];
  cached = {stmt, true};
  return Stmt(db_, stmt, &cached.in_use);
}

void Db::Exec(const std::string& sql) {
  char* err = nullptr;
  int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
  if (rc != SQLITE_OK) {
    std::string msg = err ? err : sqlite3_errstr(rc);
    sqlite3_free(err);
    throw DbError{"statement failed (" + sql.substr(0, 60) + "): " + msg, rc};
  }
}

int64_t Db::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }
int Db::Changes() const { return sqlite3_changes(db_); }

void Db::Begin() {
  // IMMEDIATE takes the write lock at once, so two writers queue on the busy
  // timeout instead of failing later with a deadlock between readers.
  Exec(depth_ == 0 ? "BEGIN IMMEDIATE" : "SAVEPOINT sp" + std::to_string(depth_));
  ++depth_;
}
void Db::Commit() {
  --depth_;
  Exec(depth_ == 0 ? "COMMIT" : "RELEASE sp" + std::to_string(depth_));
}
void Db::EndReading(const char* how) {
  reading_ = false;
  try {
    Prepare(how).Run();
  } catch (const DbError&) {
    if (std::string(how) == "COMMIT") throw;
    // A failed read has nothing to undo; SQLite may have ended it already.
  }
}

void Db::Rollback() {
  --depth_;
  try {
    if (depth_ == 0) {
      Exec("ROLLBACK");
    } else {
      Exec("ROLLBACK TO sp" + std::to_string(depth_));
      Exec("RELEASE sp" + std::to_string(depth_));
    }
  } catch (const DbError&) {
    // SQLite may already have rolled the transaction back on its own (after
    // SQLITE_FULL or an I/O error); there is nothing more to undo then.
  }
}

}  // namespace korvale::mapi::orgstore
