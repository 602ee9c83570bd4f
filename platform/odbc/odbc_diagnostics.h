// Turns the diagnostic records of a failed ODBC call into an SqlError.
#pragma once

#include <string>

#include "platform/odbc/odbc.h"
#include "platform/odbc/odbc_handles.h"

namespace korvale::odbc {

// Collects every diagnostic record of `handle`: the texts joined by line feeds,
// the SQL state and native code of the first record, the return code `rc`.
// `fallback` is the text when the driver gave no record at all.
SqlError Diagnose(SQLSMALLINT handle_type, SQLHANDLE handle, SQLRETURN rc, const std::string& fallback);

}  // namespace korvale::odbc
