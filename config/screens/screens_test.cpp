// The rules behind the configuration screens, without a display: what each
// screen offers, checks, asks and hands back. The windows only show these.
#include <gtest/gtest.h>

#include <algorithm>

#include "config/screens/date_time_codes.h"
#include "config/screens/fields_screen.h"
#include "config/screens/group_list.h"
#include "config/screens/option_screens.h"
#include "config/screens/server_screen.h"
#include "tests/fakes/map_data_source_definitions.h"
#include "tests/fakes/scripted_config_ui.h"

namespace korvale::config {
namespace {

using testing::ScriptedConfigUi;

ServerEntry ValidServer(const std::string& name) {
  ServerEntry e;
  e.name = name;
  e.data_source = "korvale";
  return e;
}

TEST(ServerScreen, TimeDifferencesRunUpThenDownWithoutMinusHalfAnHour) {
  std::vector<std::string> choices = TimeDiffChoices();
  ASSERT_EQ(choices.size(), 26u + 24u);
  EXPECT_EQ(choices.front(), "+0.0");
  EXPECT_EQ(choices[1], "+0.5");
  EXPECT_EQ(choices[25], "+12.5");
  EXPECT_EQ(choices[26], "-1.0") << "the negative choices start at one hour";
  EXPECT_EQ(choices.back(), "-12.5");
  EXPECT_EQ(std::count(choices.begin(), choices.end(), "-0.5"), 0);
  EXPECT_EQ(TimeDiffChoice(-3.5), "-3.5");
  EXPECT_EQ(TimeDiffChoice(0), "+0.0");
  EXPECT_EQ(TimeDiffChoice(-0.5), "") << "a stored -0.5 is not offered: the row must be given a time again";
  EXPECT_EQ(TimeDiffFromChoice("+2.5"), 2.5);
  EXPECT_FALSE(TimeDiffFromChoice("-0.5"));
}

TEST(ServerScreen, ListColumnsAndRows) {
  EXPECT_EQ(ServerListColumns().size(), 9u);
  ServerEntry e = ValidServer("HQ2");
  e.time_diff = -1;
  e.type = DatabaseType::kMySql;
  std::vector<std::string> row = ServerRowTexts(e);
  EXPECT_EQ(row[1], "-1.0");
  EXPECT_EQ(row[3], "mySQL");
  EXPECT_EQ(ServerDatabaseTypeChoices()[3], "Oracle®");
  // Each column: its caption plus an equal ninth of the rest.
  std::vector<int> widths = ServerColumnWidths({10, 10, 10, 10, 10, 10, 10, 10, 10}, 180);
  EXPECT_EQ(widths, std::vector<int>(9, 20));
  EXPECT_EQ(ServerColumnWidths({100, 100}, 50), (std::vector<int>{100, 100}))
      << "never narrower than the caption";
}

TEST(ServerScreen, ValidationReportsTheFirstFailureInOrderAndNamesItsField) {
  struct Case {
    const char* what;
    void (*damage)(ServerEntry&);
    bool time_chosen;
    ServerField field;
    const char* message;
  };
  const Case cases[] = {
      {"no name",
       [](ServerEntry& e) {
         e.name.clear();
         e.data_source.clear();
       },
       false, ServerField::kName, "Please specify an Exchange Server Name"},
      {"no time", [](ServerEntry& e) { e.data_source.clear(); }, false, ServerField::kTimeDiff,
       "Please specify the time difference to your local Korvale installation"},
      {"no datasource", [](ServerEntry& e) { e.data_source.clear(); }, true, ServerField::kDataSource,
       "Please specify the datasource that is used with this server"},
      {"bad pdc",
       [](ServerEntry& e) {
         e.pdc = "\\pdc";
         e.password = "x";
       },
       true, ServerField::kPdc,
       "Please specify the PDC/BDC in the form \\\\ServerName or leave this field empty"},
      {"password alone", [](ServerEntry& e) { e.password = "x"; }, true, ServerField::kUser,
       "Please specify a username or delete the password"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ServerEntry e = ValidServer("HQ1");
    c.damage(e);
    ScriptedConfigUi ui;
    EXPECT_EQ(ValidateServerEntry(e, c.time_chosen, ui), c.field);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, c.message);
    EXPECT_EQ(ui.messages[0].title, "Korvale Server Configuration");
  }
  ScriptedConfigUi ui;
  ServerEntry good = ValidServer("HQ1");
  good.pdc = "\\\\pdc";
  EXPECT_EQ(ValidateServerEntry(good, true, ui), ServerField::kNone);
  EXPECT_TRUE(ui.messages.empty());
}

TEST(ServerScreen, AddingAListedNameAsksToModifyAndModifyingAnUnlistedOneAsksToAdd) {
  std::vector<ServerEntry> servers{ValidServer("HQ1")};
  ScriptedConfigUi ui;
  ServerEntry changed = ValidServer("hq1");
  changed.site_name = "Main";
  ui.answers = {false, true};
  EXPECT_EQ(AddServer(servers, changed, ui), ServerEdit::kDeclined);
  EXPECT_EQ(servers[0].site_name, "") << "no: nothing changes";
  EXPECT_EQ(AddServer(servers, changed, ui), ServerEdit::kModified);
  ASSERT_EQ(servers.size(), 1u) << "server names are compared without case";
  EXPECT_EQ(servers[0].site_name, "Main");
  EXPECT_EQ(ui.questions.at(0).text, "This entry exists. Do you want to modify it?");

  ui.answers = {false, true};
  EXPECT_EQ(ModifyServer(servers, ValidServer("HQ2"), ui), ServerEdit::kDeclined);
  EXPECT_EQ(ModifyServer(servers, ValidServer("HQ2"), ui), ServerEdit::kAdded);
  EXPECT_EQ(ui.questions.at(2).text, "This entry does not exist. Do you want to add it?");
  ASSERT_EQ(servers.size(), 2u);
  EXPECT_EQ(AddServer(servers, ValidServer("HQ3"), ui), ServerEdit::kAdded);
  EXPECT_EQ(ui.questions.size(), 4u) << "a new name is added without a question";
  EXPECT_TRUE(DeleteServer(servers, "HQ2"));
  EXPECT_FALSE(DeleteServer(servers, "HQ2"));
  EXPECT_EQ(servers.size(), 2u);
}

TEST(ServerScreen, MsAccessOn64BitBecomesSqlServerWithItsMessage) {
  ScriptedConfigUi ui;
  DatabaseType type = DatabaseType::kAccess;
  EXPECT_FALSE(ReplaceAccessOn64Bit(type, false, ui));
  EXPECT_EQ(type, DatabaseType::kAccess);
  EXPECT_TRUE(ReplaceAccessOn64Bit(type, true, ui));
  EXPECT_EQ(type, DatabaseType::kSqlServer);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Datasource Error");
}

TEST(ServerScreen, OpeningOn64BitFillsRowsAndReportsEachDataSourceOnce) {
  testing::MapDataSourceDefinitions definitions;
  definitions.values["full"] = {"cal", "db1"};
  definitions.values["nameonly"] = {"cal", ""};
  std::vector<ServerEntry> servers(4);
  servers[0].data_source = "full";
  servers[0].type = DatabaseType::kSqlServer;
  servers[1].data_source = "nameonly";
  servers[1].type = DatabaseType::kSqlServer;
  servers[2].data_source = "nameonly";
  servers[2].type = DatabaseType::kSqlServer;
  servers[3].data_source = "absent";
  servers[3].type = DatabaseType::kOracle;
  ScriptedConfigUi ui;
  CheckServerDataSourcesOnOpen(servers, false, definitions, ui);
  EXPECT_TRUE(definitions.reads.empty()) << "32-bit: nothing is read";
  CheckServerDataSourcesOnOpen(servers, true, definitions, ui);
  EXPECT_EQ(servers[0].database_server, "db1");
  EXPECT_EQ(servers[1].database_name, "cal");
  ASSERT_EQ(ui.messages.size(), 2u) << "nameonly is reported once";
  EXPECT_EQ(ui.messages[0].text,
            "You must specify a database and database server in the datasource definition 'nameonly'");
  EXPECT_EQ(ui.messages[1].text, "You must specify a database in the datasource definition 'absent'");
}

TEST(DateTimeCodes, ListAndInsertion) {
  auto codes = DateTimeCodes();
  ASSERT_EQ(codes.size(), 21u);
  EXPECT_EQ(codes[4].code, "%c");
  EXPECT_EQ(codes[4].description, "Date and time representation appropriate for locale");
  EXPECT_EQ(codes.back().code, "<space>");
  EXPECT_TRUE(codes.back().description.empty());
  std::string format = "%d.%m";
  size_t at = InsertDateTimeCode(format, 5, "<space>");
  EXPECT_EQ(format, "%d.%m ") << "<space> inserts a blank";
  at = InsertDateTimeCode(format, at, "%Y");
  EXPECT_EQ(format, "%d.%m %Y");
  EXPECT_EQ(at, 8u);
  InsertDateTimeCode(format, 999, ":");
  EXPECT_EQ(format, "%d.%m %Y:") << "a position past the end appends";
}

TEST(GroupList, NamesMembersAndOrder) {
  ScriptedConfigUi ui;
  EXPECT_FALSE(CheckGroupName("", ui));
  EXPECT_EQ(ui.messages.at(0).text,
            "You must enter a group name.\nIf you don't want to create a group, click Cancel.");
  EXPECT_TRUE(CheckGroupName("Staff", ui));

  std::vector<GroupEntry> groups(3);
  groups[0].name = "A";
  groups[0].member_names = "Anna";
  groups[1].name = "B";
  groups[2].name = "C";
  groups[2].member_names = "Carl";
  EXPECT_TRUE(ApplyMembers(groups, 0, std::nullopt)) << "a cancel keeps a group that has members";
  EXPECT_EQ(groups[0].member_names, "Anna");
  EXPECT_FALSE(ApplyMembers(groups, 1, std::nullopt)) << "a cancel removes a group without members";
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_FALSE(ApplyMembers(groups, 1, MemberLists{"", ""})) << "an empty answer removes the group";
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_TRUE(ApplyMembers(groups, 0, MemberLists{"Anna; Ben", "/o=x/cn=anna; /o=x/cn=ben"}));
  EXPECT_EQ(groups[0].member_addresses, "/o=x/cn=anna; /o=x/cn=ben");
  EXPECT_FALSE(ApplyMembers(groups, 7, std::nullopt));

  groups.resize(3);
  groups[1].name = "B";
  groups[2].name = "C";
  EXPECT_EQ(MoveGroup(groups, 0, -1), 0u);
  EXPECT_EQ(MoveGroup(groups, 0, +1), 1u);
  EXPECT_EQ(groups[1].name, "A");
  EXPECT_EQ(MoveGroup(groups, 2, +1), 2u);
  EXPECT_EQ(MoveGroup(groups, 2, -1), 1u);
  EXPECT_EQ(groups[2].name, "A");
}

TEST(FieldsScreen, LoadsTheRecordAndOkWritesItBack) {
  ConfigSettings s;
  s.fields = "Duration; Nonsense; Text";
  s.custom_fields = "Project; Cost; Unused";
  s.custom_fields_types = "PT_STRING8; PT_LONG; PT_I2";
  s.custom_fields_selected = "Project; Cost";
  s.custom_fields_types_selected = "PT_STRING8; PT_LONG";
  FieldsScreen screen(s);
  ASSERT_EQ(screen.selected().size(), 4u) << "an unknown standard name is dropped";
  EXPECT_EQ(screen.selected()[0].description, "Custom Field, Type: PT_STRING8");
  EXPECT_EQ(screen.selected()[2].description,
            "The Duration property returns the duration of this appointment in minutes.");
  EXPECT_EQ(screen.available().size(), 53u - 2u + 1u) << "the unscanned custom field stays offered";
  EXPECT_TRUE(screen.FindAvailable("Unused"));

  screen.Select(*screen.FindAvailable("Importance"));
  screen.Deselect(*screen.FindSelected("Text"));
  EXPECT_FALSE(screen.AddCustomField("Project", "PT_LONG")) << "a listed name is not defined twice";
  EXPECT_FALSE(screen.AddCustomField("A; B", "PT_LONG")) << "the list separator cannot be part of a name";
  EXPECT_FALSE(screen.AddCustomField("Room", "PT_NOPE"));
  EXPECT_TRUE(screen.AddCustomField("Room", "PT_UNICODE"));
  EXPECT_TRUE(screen.AddFilter(*screen.FindSelected("Room")));
  EXPECT_FALSE(screen.AddFilter(*screen.FindSelected("Room"))) << "a field is not a filter twice";
  screen.ModifyFilter(0, "Rooms", "OR", "SELECT Name FROM Rooms");

  ScriptedConfigUi ui;
  screen.Apply(s, ui);
  EXPECT_EQ(s.fields, "Duration; Importance");
  EXPECT_EQ(s.custom_fields_selected, "Project; Cost; Room");
  EXPECT_EQ(s.custom_fields_types_selected, "PT_STRING8; PT_LONG; PT_UNICODE");
  EXPECT_EQ(s.custom_fields, "Project; Cost; Unused; Room");
  EXPECT_EQ(s.custom_fields_types, "PT_STRING8; PT_LONG; PT_I2; PT_UNICODE");
  ASSERT_EQ(s.custom_filters.size(), 1u);
  EXPECT_EQ(s.custom_filters[0].display, "Rooms");
  EXPECT_EQ(s.custom_filters[0].logic, "OR");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find("KorvaleTable1 and KorvaleTable2"), std::string::npos);
}

TEST(FieldsScreen, EveryStandardFieldHasADescriptionOfItsOwn) {
  FieldsScreen screen{ConfigSettings{}};
  std::vector<std::string> seen;
  for (const FieldItem& item : screen.available()) {
    EXPECT_NE(item.description.find(item.name), std::string::npos) << item.name;
    seen.push_back(item.description);
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end());
  EXPECT_EQ(CustomFieldTypes().size(), 11u);
  ScriptedConfigUi ui;
  ConfigSettings untouched;
  screen.Apply(untouched, ui);
  EXPECT_EQ(untouched.fields, "");
}

TEST(OptionScreens, ChoicesAndWarnings) {
  std::vector<std::string> attributes = AttributeChoices();
  ASSERT_EQ(attributes.size(), 11u);
  EXPECT_EQ(attributes[0], "none (do not use this feature)");
  EXPECT_EQ(attributes[10], "Mailbox Custom Attribute 10");
  EXPECT_EQ(ExchangeVersionChoices()[1], "MS Exchange 2000/2003 with Active Directory");
  EXPECT_EQ(ShownDatabaseType(DatabaseType::kAccess, true), DatabaseType::kSqlServer);
  EXPECT_EQ(ShownDatabaseType(DatabaseType::kAccess, false), DatabaseType::kAccess);
  EXPECT_EQ(ShownDatabaseType(DatabaseType::kOracle, true), DatabaseType::kOracle);
  ScriptedConfigUi ui;
  EXPECT_TRUE(CheckPasswordsMatch("a", "a", ui));
  EXPECT_FALSE(CheckPasswordsMatch("a", "b", ui));
  EXPECT_EQ(ui.messages.at(0).title, "Database User Configuration Error");
}

TEST(OptionScreens, DataSourceOkOn64BitNeedsADatabase) {
  testing::MapDataSourceDefinitions definitions;
  definitions.values["good"] = {"cal", "db1"};
  ScriptedConfigUi ui;
  std::string name = "old", server = "old";
  EXPECT_TRUE(AcceptDataSource("absent", false, definitions, ui, name, server));
  EXPECT_EQ(name, "old") << "32-bit: closes at once";
  EXPECT_FALSE(AcceptDataSource("absent", true, definitions, ui, name, server));
  EXPECT_EQ(ui.messages.at(0).text, "You must specify a database in the datasource definition");
  EXPECT_TRUE(AcceptDataSource("good", true, definitions, ui, name, server));
  EXPECT_EQ(name, "cal");
  EXPECT_EQ(server, "db1");
}

}  // namespace
}  // namespace korvale::config
