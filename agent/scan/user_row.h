// The owner's user row (Status 9) of a mailbox: written before the calendar
// is read (first form) and again with the write permissions once they are
// known (second form), as an INSERT when the fill table has no row for the
// mailbox yet, an UPDATE otherwise.
#pragma once

#include <string>

#include "agent/database/database.h"

namespace korvale {

struct UserRowValues {
  std::string name, title, dl, phone, office, initials, acl, aclw, datasource;
  double time_difference = 0;
  std::string alias, department, reserved3, prof_title, off_fax, home_phone, mobile_phone, adr_comment,
      assoc_nt_acc;
};

enum class UserRowForm { kFirst, kSecond };  // the second carries ACLw

std::string UserRowSelect(const AgentSettings& settings, const std::string& table, const std::string& name,
                          const std::string& instance);
std::string UserRowInsert(const AgentSettings& settings, UserRowForm form, const std::string& table,
                          const UserRowValues& v, const std::string& instance);
std::string UserRowUpdate(const AgentSettings& settings, UserRowForm form, const std::string& table,
                          const UserRowValues& v, const std::string& instance);

// Selects, then inserts or updates. A failed SELECT is error 121 "Error reading
// record in database.\r\nSQL- statement:\r\n<statement>"; a failed write is error
// 120 with the database text, "\r\nSQL- statement:\r\n" and the statement.
// Neither stops the scan.
void WriteUserRow(Database& db, UserRowForm form, const std::string& table, const UserRowValues& v,
                  const std::string& instance);

}  // namespace korvale
