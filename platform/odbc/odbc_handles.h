// Owning wrappers for the driver manager's handles (environment, connection,
// statement). Internal to the ODBC binding: nothing outside platform/odbc sees
// sql.h.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <utility>

namespace korvale::odbc {

// One ODBC handle of the given type, freed with SQLFreeHandle when it goes.
// A connection handle that is still connected is disconnected first, because
// the driver manager refuses to free a connected handle.
class Handle {
 public:
  Handle() = default;
  Handle(SQLSMALLINT type, SQLHANDLE handle) : type_(type), handle_(handle) {}
  ~Handle() { Reset(); }
  Handle(Handle&& other) noexcept
      : type_(other.type_),
        handle_(std::exchange(other.handle_, nullptr)),
        connected_(std::exchange(other.connected_, false)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Reset();
      type_ = other.type_;
      handle_ = std::exchange(other.handle_, nullptr);
      connected_ = std::exchange(other.connected_, false);
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  SQLHANDLE get() const { return handle_; }
  SQLSMALLINT type() const { return type_; }
  explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }
  void MarkConnected() { connected_ = true; }
  void Reset();

 private:
  SQLSMALLINT type_ = 0;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
  bool connected_ = false;
};

// Allocates a handle of `type` under `parent` (SQL_NULL_HANDLE for the environment).
// The return code of SQLAllocHandle is left in `rc`.
Handle AllocateHandle(SQLSMALLINT type, SQLHANDLE parent, SQLRETURN& rc);

inline bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

}  // namespace korvale::odbc
