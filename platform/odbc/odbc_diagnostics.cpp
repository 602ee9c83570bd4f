// Diagnostic records of the driver manager and the driver, as SqlError values.
#include "platform/odbc/odbc_diagnostics.h"

#include <vector>

namespace korvale::odbc {

SqlError Diagnose(SQLSMALLINT handle_type, SQLHANDLE handle, SQLRETURN rc, const std::string& fallback) {
  SqlError error;
  error.return_code = rc;
  if (handle != SQL_NULL_HANDLE) {
    for (SQLSMALLINT record = 1; record < 64; ++record) {
      SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
      SQLINTEGER native = 0;
      SQLSMALLINT length = 0;
      std::vector<SQLCHAR> text(1024);
      SQLRETURN drc = SQLGetDiagRec(handle_type, handle, record, state, &native, text.data(),
                                    static_cast<SQLSMALLINT>(text.size()), &length);
      if (drc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
        // The message did not fit: ask again with room for all of it.
        text.resize(static_cast<size_t>(length) + 1);
        drc = SQLGetDiagRec(handle_type, handle, record, state, &native, text.data(),
                            static_cast<SQLSMALLINT>(text.size()), &length);
      }
      if (!Succeeded(drc)) break;
      std::string message(reinterpret_cast<const char*>(text.data()));
      std::string state_text(reinterpret_cast<const char*>(state));
      if (record == 1) {
        error.sql_state = state_text;
        error.native_code = native;
      }
      if (!error.text.empty()) error.text += '\n';
      error.text += message;
    }
  }
  if (error.text.empty()) error.text = fallback;
  return error;
}

}  // namespace korvale::odbc
