// The SQL texts an item's values become, per dialect: one table of literals
// for the custom fields and the dialect forms of the optional columns.
#include "agent/scan/item_values.h"

#include <gtest/gtest.h>

#include "platform/tz/test_times.h"
#include "platform/tz/tz.h"

namespace korvale {
namespace {

using namespace mapi;
using tz::fixtures::At;

constexpr ULONG kTag = 0x85000000;

AgentSettings Custom(std::vector<uint32_t> types) {
  AgentSettings settings;
  settings.custom_field_names.assign(types.size(), "Field");
  settings.custom_field_types = std::move(types);
  return settings;
}

FILETIME Ft(const SYSTEMTIME& t) { return tz::SystemTimeToFileTime(t).value(); }

// Present and missing values of every custom field type, in each dialect that differs.
TEST(CustomFieldLiteral, ByTypeAndDialect) {
  struct Case {
    ULONG type;
    std::optional<SPropValue> value;
    Dialect dialect;
    std::string expected;
  };
  const Case cases[] = {
      {PT_STRING8, SPropValue{CHANGE_PROP_TYPE(kTag, PT_STRING8), std::string("O'Neil")}, Dialect::kAccess,
       "'O''Neil'"},
      {PT_LONG, SPropValue{CHANGE_PROP_TYPE(kTag, PT_LONG), -7}, Dialect::kAccess, "-7"},
      {PT_I2, SPropValue{CHANGE_PROP_TYPE(kTag, PT_I2), int16_t{5}}, Dialect::kAccess, "5"},
      {PT_BOOLEAN, SPropValue{CHANGE_PROP_TYPE(kTag, PT_BOOLEAN), true}, Dialect::kAccess, "True"},
      {PT_BOOLEAN, SPropValue{CHANGE_PROP_TYPE(kTag, PT_BOOLEAN), true}, Dialect::kSqlServer, "1"},
      {PT_BOOLEAN, SPropValue{CHANGE_PROP_TYPE(kTag, PT_BOOLEAN), false}, Dialect::kSQLite, "0"},
      {PT_DOUBLE, SPropValue{CHANGE_PROP_TYPE(kTag, PT_DOUBLE), 1.5}, Dialect::kAccess, "1.500000"},
      {PT_CURRENCY, SPropValue{CHANGE_PROP_TYPE(kTag, PT_CURRENCY), CURRENCY{123456}}, Dialect::kAccess,
       "123456"},
      {PT_SYSTIME, SPropValue::Time(CHANGE_PROP_TYPE(kTag, PT_SYSTIME), Ft(At(2023, 5, 1, 8, 30))),
       Dialect::kAccess, "{ts '2023-05-01 08:30:00'}"},
      {PT_MV_STRING8, SPropValue{CHANGE_PROP_TYPE(kTag, PT_MV_STRING8), std::vector<std::string>{"a", "b"}},
       Dialect::kAccess, "'//a//b//'"},
      {PT_CLSID, SPropValue{CHANGE_PROP_TYPE(kTag, PT_CLSID), GUID{}}, Dialect::kAccess, "''"},
      // Missing values: the type's default.
      {PT_LONG, std::nullopt, Dialect::kAccess, "0"},
      {PT_I8, std::nullopt, Dialect::kAccess, "0"},
      {PT_CURRENCY, std::nullopt, Dialect::kAccess, "0.0"},
      {PT_BOOLEAN, std::nullopt, Dialect::kAccess, "False"},
      {PT_BOOLEAN, std::nullopt, Dialect::kSqlServer, "0"},
      {PT_SYSTIME, std::nullopt, Dialect::kAccess, "Now"},
      {PT_SYSTIME, std::nullopt, Dialect::kSqlServer, "GETDATE()"},
      {PT_SYSTIME, std::nullopt, Dialect::kMySql, "NOW()"},
      {PT_SYSTIME, std::nullopt, Dialect::kOracle, "SYSDATE"},
      {PT_STRING8, std::nullopt, Dialect::kAccess, "''"},
      // Another type than configured counts as missing.
      {PT_LONG, SPropValue{CHANGE_PROP_TYPE(kTag, PT_STRING8), std::string("9")}, Dialect::kAccess, "0"},
  };
  for (const Case& c : cases) {
    const AgentSettings settings = Custom({c.type});
    const std::string literal =
        CustomFieldLiteral(settings, 0, c.value ? &*c.value : nullptr, c.dialect, TIME_ZONE_INFORMATION{});
    EXPECT_EQ(literal, c.expected) << "type " << std::hex << c.type << " dialect "
                                   << static_cast<int>(c.dialect);
  }
  // A field beyond the configured types: text when present, "''" when missing.
  const AgentSettings untyped = Custom({});
  const SPropValue text{CHANGE_PROP_TYPE(kTag, PT_STRING8), std::string("x")};
  EXPECT_EQ(CustomFieldLiteral(untyped, 0, &text, Dialect::kAccess, {}), "'x'");
  EXPECT_EQ(CustomFieldLiteral(untyped, 0, nullptr, Dialect::kAccess, {}), "''");
}

// Store identifier and missing dates take each dialect's form; dates are local to the given zone.
TEST(ExtraValues, DialectForms) {
  AgentSettings settings;
  const OptionalColumns optional = SelectOptionalColumns("StoreID, Created, ReplyTime");
  MeetingColumns columns;
  columns.position[static_cast<size_t>(OptionalColumn::kStoreId)] = 0;
  columns.position[static_cast<size_t>(OptionalColumn::kCreated)] = 1;
  columns.position[static_cast<size_t>(OptionalColumn::kReplyTime)] = 2;
  SRow present{{SPropValue{PR_STORE_ENTRYID, SBinary{0xAB, 0x01}},
                SPropValue::Time(PR_CREATION_TIME, Ft(At(2023, 1, 10, 8))),
                SPropValue::Error(0x82200040, MAPI_E_NOT_FOUND)}};
  SRow missing{{SPropValue::Error(PR_STORE_ENTRYID, MAPI_E_NOT_FOUND)}};
  TIME_ZONE_INFORMATION berlin = tz::fixtures::Berlin();

  auto values = [&](Dialect dialect, const SRow& row) {
    const ExtraValueInput in{settings, optional, columns, dialect, berlin, "Ann", false, nullptr};
    return BuildExtraValues(in, ItemRow(row)).ForSingle(dialect);
  };
  // Table order: ReplyTime (missing here), Created, StoreID.
  EXPECT_EQ(values(Dialect::kSqlServer, present),
            ", '', {ts '2023-01-10 09:00:00'}, CONVERT(BINARY(160),'AB01')");
  EXPECT_EQ(values(Dialect::kMySql, present), ", 0, {ts '2023-01-10 09:00:00'}, CONVERT('AB01',BINARY(160))");
  EXPECT_EQ(values(Dialect::kAccess, present), ", 0, {ts '2023-01-10 09:00:00'}, 'AB01'");
  EXPECT_EQ(values(Dialect::kSQLite, present), ", '', {ts '2023-01-10 09:00:00'}, 'AB01'");
  EXPECT_EQ(values(Dialect::kSqlServer, missing), ", '', '', CONVERT(BINARY(160), '0x')");
  EXPECT_EQ(values(Dialect::kMySql, missing), ", 0, 0, CONVERT('0x',BINARY(160))");
  EXPECT_EQ(values(Dialect::kOracle, missing), ", '', '', ''");
}

// The body sits between the markers: escaped for a single item, raw for an occurrence.
TEST(ExtraValues, BodyBetweenMarkers) {
  AgentSettings settings;
  const OptionalColumns optional = SelectOptionalColumns("AllDayEvent, Text, TimeExpired");
  MeetingColumns columns;
  columns.position[static_cast<size_t>(OptionalColumn::kAllDayEvent)] = 0;
  columns.position[static_cast<size_t>(OptionalColumn::kApptText)] = 1;
  columns.position[static_cast<size_t>(OptionalColumn::kTimeExpired)] = 2;
  SRow row{{SPropValue{0x8215000B, true}, SPropValue{PR_BODY, std::string("it's")}}};
  const ExtraValueInput in{settings, optional, columns, Dialect::kAccess, {}, "Ann", false, nullptr};
  const ExtraValues extra = BuildExtraValues(in, ItemRow(row));
  EXPECT_EQ(extra.ForSingle(Dialect::kAccess), ", 1, '@ApptText@it''s@ApptText@', 0");
  EXPECT_EQ(extra.ForOccurrence("moved"), ", 1, '@ApptText@moved@ApptText@', 0");

  const ExtraValueInput hidden{settings, optional, columns, Dialect::kAccess, {}, "Ann", true, nullptr};
  EXPECT_EQ(BuildExtraValues(hidden, ItemRow(row)).ForSingle(Dialect::kAccess),
            ", 1, '@ApptText@@ApptText@', 0")
      << "a private item's body stays out";
}

TEST(ItemValues, PrivacyAndListForms) {
  AgentSettings settings;
  EXPECT_TRUE(IsPrivateItem(settings, true, std::nullopt));
  EXPECT_TRUE(IsPrivateItem(settings, std::nullopt, 1));
  EXPECT_FALSE(IsPrivateItem(settings, false, 0));
  settings.show_personal = 1;
  EXPECT_FALSE(IsPrivateItem(settings, std::nullopt, 1)) << "personal stays public";
  EXPECT_TRUE(IsPrivateItem(settings, std::nullopt, 2));
  EXPECT_EQ(SlashList({"Holiday", "Team"}), "//Holiday//Team//");
  EXPECT_EQ(SlashList({}), "");
  EXPECT_TRUE(SameName("Olivia Owner", "olivia OWNER"));
  EXPECT_FALSE(SameName("Olivia", "Olivia Owner"));
}

}  // namespace
}  // namespace korvale
