// Choosing the fill table from KorvaleConfig.
#include "agent/database/table_rotation.h"

#include "agent/database/db_report.h"
#include "agent/database/schema.h"
#include "common/text.h"
#include "common/utf8.h"

namespace korvale {

std::string FillTableFor(std::string_view active_table) {
  return EqualsNoCase(Utf8Prefix(active_table, 13), kKorvaleTable1) ? kKorvaleTable2 : kKorvaleTable1;
}

Expected<std::string> ChooseFillTable(Database& db) {
  const char* column = db.dialect() == Dialect::kOracle ? "ACTIVETABLE" : "ActiveTable";
  auto row = db.QueryFirst("SELECT * FROM KorvaleConfig");
  if (row.ok() && row->has_value() && (*row)->Has(column)) {
    // A NULL value reads as empty, which names no table.
    return FillTableFor((*row)->Text(column).value_or(""));
  }
  // Without a row the web pages read no table, and KorvaleTable1 is filled;
  // only the publication names it, once it is complete.
  if (row.ok()) return std::string(kKorvaleTable1);
  auto created = db.Execute(CreateKorvaleConfigTable(db.settings()));
  if (created.ok()) return std::string(kKorvaleTable1);
  // KorvaleConfig is there but cannot be read: which table the web pages read
  // is unknown, so neither may be filled.
  LogTableEvent(db, event_id::kDbGeneral, kKorvaleConfig,
                WithStatement(ErrorText(row.error()), "SELECT * FROM KorvaleConfig"));
  return ToStatus(row.error());
}

}  // namespace korvale
