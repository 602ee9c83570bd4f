// Choosing the fill table from KorvaleConfig.
#include "agent/database/table_rotation.h"

#include <cctype>

#include "agent/database/db_report.h"
#include "agent/database/schema.h"
#include "agent/database/utf8_text.h"

namespace korvale {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string FillTableFor(std::string_view active_table) {
  return EqualsIgnoringCase(Utf8Prefix(active_table, 13), kKorvaleTable1) ? kKorvaleTable2
                                                                           : kKorvaleTable1;
}

Expected<std::string> ChooseFillTable(Database& db) {
  const char* column = db.dialect() == Dialect::kOracle ? "ACTIVETABLE" : "ActiveTable";
  auto row = db.QueryFirst("SELECT * FROM KorvaleConfig");
  if (row.ok() && row->has_value() && (*row)->Has(column)) {
    // A NULL value reads as empty, which names no table.
    return FillTableFor((*row)->Text(column).value_or(""));
  }
  if (db.Execute(CreateKorvaleConfigTable(db.settings())).ok()) return std::string(kKorvaleTable1);
  auto inserted = db.Execute("insert into KorvaleConfig (ActiveTable) values('KorvaleTable1')");
  if (inserted.ok()) return std::string(kKorvaleTable1);
  LogTableEvent(db, event_id::kDbGeneral, kKorvaleConfig, ErrorText(inserted.error()));
  return ToStatus(inserted.error());
}

}  // namespace korvale
