// Owning wrappers for ODBC handles.
#include "platform/odbc/odbc_handles.h"

namespace korvale::odbc {

void Handle::Reset() {
  if (handle_ == SQL_NULL_HANDLE) return;
  if (type_ == SQL_HANDLE_DBC && connected_) SQLDisconnect(handle_);
  if (type_ == SQL_HANDLE_STMT) SQLFreeStmt(handle_, SQL_CLOSE);
  SQLFreeHandle(type_, handle_);
  handle_ = SQL_NULL_HANDLE;
  connected_ = false;
}

Handle AllocateHandle(SQLSMALLINT type, SQLHANDLE parent, SQLRETURN& rc) {
  SQLHANDLE out = SQL_NULL_HANDLE;
  rc = SQLAllocHandle(type, parent, &out);
  if (!Succeeded(rc)) return Handle();
  return Handle(type, out);
}

}  // namespace korvale::odbc
