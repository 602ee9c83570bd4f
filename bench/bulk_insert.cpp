// Prepared INSERT with every value bound as text (NULLs as NULL indicators).
#include "bench/bulk_insert.h"

#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <memory>
#include <variant>

namespace korvale::bench {
namespace {

struct Handle {
  SQLSMALLINT type;
  SQLHANDLE h = SQL_NULL_HANDLE;
  explicit Handle(SQLSMALLINT t) : type(t) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (h != SQL_NULL_HANDLE) SQLFreeHandle(type, h);
  }
};

std::string Diag(SQLSMALLINT type, SQLHANDLE h) {
  SQLCHAR state[6], text[1024];
  SQLINTEGER native = 0;
  SQLSMALLINT len = 0;
  if (SQLGetDiagRec(type, h, 1, state, &native, text, sizeof text, &len) != SQL_SUCCESS)
    return "unknown error";
  return std::string(reinterpret_cast<char*>(state)) + ": " + reinterpret_cast<char*>(text);
}

bool Ok(SQLRETURN r) { return r == SQL_SUCCESS || r == SQL_SUCCESS_WITH_INFO; }

// Text of a value as the driver would accept it for any column type.
bool AsText(const SqlValue& v, std::string* out) {
  if (std::holds_alternative<std::monostate>(v)) return false;
  if (auto* i = std::get_if<int64_t>(&v))
    *out = std::to_string(*i);
  else if (auto* d = std::get_if<double>(&v)) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", *d);
    *out = buf;
  } else if (auto* s = std::get_if<std::string>(&v))
    *out = *s;
  else if (auto* t = std::get_if<SqlTimestamp>(&v)) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t->year, t->month, t->day, t->hour,
                  t->minute, t->second);
    *out = buf;
  } else if (auto* b = std::get_if<std::vector<uint8_t>>(&v))
    out->assign(b->begin(), b->end());
  return true;
}

}  // namespace

std::string BulkInsert(const std::string& connect_string, const std::string& table,
                       const std::vector<SqlRow>& rows) {
  if (rows.empty()) return "";
  Handle env(SQL_HANDLE_ENV), dbc(SQL_HANDLE_DBC), stmt(SQL_HANDLE_STMT);
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env.h);
  SQLSetEnvAttr(env.h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env.h, &dbc.h);
  SQLCHAR out[1024];
  SQLSMALLINT out_len = 0;
  std::string cs = connect_string;
  if (!Ok(SQLDriverConnect(dbc.h, nullptr, reinterpret_cast<SQLCHAR*>(cs.data()), SQL_NTS, out, sizeof out,
                           &out_len, SQL_DRIVER_NOPROMPT)))
    return "connect: " + Diag(SQL_HANDLE_DBC, dbc.h);
  SQLSetConnectAttr(dbc.h, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
  SQLAllocHandle(SQL_HANDLE_STMT, dbc.h, &stmt.h);
  size_t columns = rows[0].Values().size();
  std::string sql = "INSERT INTO " + table + " VALUES (";
  for (size_t c = 0; c < columns; ++c) sql += c ? ",?" : "?";
  sql += ")";
  if (!Ok(SQLPrepare(stmt.h, reinterpret_cast<SQLCHAR*>(sql.data()), SQL_NTS)))
    return "prepare: " + Diag(SQL_HANDLE_STMT, stmt.h);
  std::vector<std::string> text(columns);
  std::vector<SQLLEN> ind(columns);
  for (const auto& row : rows) {
    for (size_t c = 0; c < columns; ++c) {
      bool has = AsText(row.Values()[c], &text[c]);
      ind[c] = has ? static_cast<SQLLEN>(text[c].size()) : SQL_NULL_DATA;
      SQLBindParameter(stmt.h, static_cast<SQLUSMALLINT>(c + 1), SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                       text[c].size() + 1, 0, text[c].data(), static_cast<SQLLEN>(text[c].size()), &ind[c]);
    }
    if (!Ok(SQLExecute(stmt.h))) return "insert: " + Diag(SQL_HANDLE_STMT, stmt.h);
  }
  if (!Ok(SQLEndTran(SQL_HANDLE_DBC, dbc.h, SQL_COMMIT))) return "commit: " + Diag(SQL_HANDLE_DBC, dbc.h);
  SQLDisconnect(dbc.h);
  return "";
}

}  // namespace korvale::bench
