// A small RAII layer over one SQLite connection for the organisation store:
// prepared statements with typed binding (kept for reuse, since the same few
// statements run for every message of a scan), and transactions that nest (the
// outermost is BEGIN IMMEDIATE, inner ones are savepoints) so that an
// administrative batch and the MAPI objects it drives share one commit.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace korvale::mapi::orgstore {

// A failed statement; what() names the statement's purpose and SQLite's text.
struct DbError {
  std::string message;
  int code = 0;  // SQLite result code (SQLITE_BUSY 5, SQLITE_CORRUPT 11 ...)
};

class Stmt {
 public:
  // With `in_use`, the statement belongs to its connection's cache: it is
  // reset and handed back on destruction instead of finalized.
  Stmt(sqlite3* db, sqlite3_stmt* stmt, bool* in_use = nullptr) : db_(db), stmt_(stmt), in_use_(in_use) {}
  ~Stmt();
  Stmt(Stmt&& o) noexcept : db_(o.db_), stmt_(o.stmt_), in_use_(o.in_use_) {
    o.stmt_ = nullptr;
    o.in_use_ = nullptr;
  }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;

  Stmt& Bind(int index, int64_t value);
  Stmt& Bind(int index, const std::string& value);
  Stmt& BindBlob(int index, const std::vector<uint8_t>& value);
  Stmt& BindNull(int index);
  // Steps once: true with a row, false when done. Throws DbError on failure.
  bool Step();
  // Steps to the end, for statements without rows.
  void Run();
  void Reset();

  int64_t Int(int col) const;
  std::string Text(int col) const;
  std::vector<uint8_t> Blob(int col) const;
  bool IsNull(int col) const;

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_;
  bool* in_use_;
};

class Db {
 public:
  // Opens the file (creating it when `create`), sets WAL, a busy timeout
  // and foreign keys. Throws DbError.
  static std::shared_ptr<Db> Open(const std::string& path, bool create);
  ~Db();
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;

  const std::string& Path() const { return path_; }
  // A statement for `sql`: the cached one when it is free, else a new one
  // (a statement may be prepared again while an earlier use still steps).
  Stmt Prepare(const std::string& sql);
  void Exec(const std::string& sql);
  int64_t LastInsertId() const;
  int Changes() const;

  // Runs `fn` in a transaction: commits when it returns, rolls back when it
  // throws (and rethrows). Nested calls become savepoints.
  template <class F>
  auto Transaction(F&& fn) -> decltype(fn()) {
    Begin();
    try {
      if constexpr (std::is_void_v<decltype(fn())>) {
        fn();
        Commit();
      } else {
        auto result = fn();
        Commit();
        return result;
      }
    } catch (...) {
      Rollback();
      throw;
    }
  }
  bool InTransaction() const { return depth_ > 0; }

  // Runs `fn`, which only reads, in one read transaction: several statements
  // then take the file's read lock once instead of each on its own. Inside a
  // transaction (or another Reading) it just runs `fn`.
  template <class F>
  auto Reading(F&& fn) -> decltype(fn()) {
    if (depth_ > 0 || reading_) return fn();
    Prepare("BEGIN").Run();
    reading_ = true;
    try {
      if constexpr (std::is_void_v<decltype(fn())>) {
        fn();
        EndReading("COMMIT");
      } else {
        auto result = fn();
        EndReading("COMMIT");
        return result;
      }
    } catch (...) {
      EndReading("ROLLBACK");
      throw;
    }
  }

 private:
  Db() = default;
  void Begin();
  void Commit();
  void Rollback();
  void EndReading(const char* how);

  struct Cached {
    sqlite3_stmt* stmt = nullptr;
    bool in_use = false;
  };
  // Node-based, so a Stmt's pointer to its entry's flag stays valid.
  std::unordered_map<std::string, Cached> cache_;
  sqlite3* db_ = nullptr;
  std::string path_;
  int depth_ = 0;
  bool reading_ = false;
};

}  // namespace korvale::mapi::orgstore
