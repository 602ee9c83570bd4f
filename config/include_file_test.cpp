// Korvale.inc is read by web pages we do not ship, so its text is a contract:
// each case is compared byte for byte with an expected file (CR LF line ends,
// "%>" last). "@SCRAMBLED_PW@" in an expected file stands for the scrambled "pw".
#include "config/include_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "common/password_scramble.h"
#include "config/standard_fields.h"
#include "tests/support/temp_dir.h"

namespace korvale::config {
namespace {

std::string Expected(const std::string& name) {
  const char* source = std::getenv("KORVALE_SOURCE_DIR");
  std::string text = testing::ReadFileBytes(std::string(source ? source : ".") + "/config/testdata/" + name);
  const std::string placeholder = "@SCRAMBLED_PW@";
  for (size_t at; (at = text.find(placeholder)) != std::string::npos;) {
    text.replace(at, placeholder.size(), ScramblePassword("pw"));
  }
  return text;
}

ServerEntry Server(const std::string& name, double hours, DatabaseType type) {
  ServerEntry e;
  e.name = name;
  e.time_diff = hours;
  e.type = type;
  return e;
}

ConfigSettings MySqlInstallation() {
  ConfigSettings s;
  s.db = "korvale";
  s.database_type = DatabaseType::kMySql;
  s.security_level = kSecurityFull;
  s.mb_cust_attr_book_meetings = 2;
  s.db_user_name = "web";
  s.db_password = "pw";
  s.wow64 = true;
  s.database_name = "calendars";
  s.database_server = "db1";
  s.new_db = true;
  s.groups = {{"Staff", "", "", {}}, {"Rooms \"A\"", "", "", {}}};
  ServerEntry hq = Server("HQ1", -3.5, DatabaseType::kMySql);
  hq.data_source = "hq";
  hq.date_time_format = "%d.%m.%Y";
  hq.user = "sa";
  hq.local = true;
  hq.site_name = "Head office";
  hq.database_name = "calendars";
  hq.database_server = "db1";
  ServerEntry branch = Server("HQ2", 0.0, DatabaseType::kOracle);
  branch.data_source = "branch";
  branch.password = "pw";
  branch.site_name = "Branch";
  branch.database_name = "CAL";
  branch.database_server = "ora1";
  s.servers = {hq, branch};
  s.custom_fields_selected = "Project; Cost";
  s.custom_fields_types_selected = "PT_STRING8; PT_LONG";
  s.fields = "Duration";
  s.custom_filters = {{"Dept", "Say \"hi\"", "OR", "SELECT * FROM Groups WHERE Name = \"x\""},
                      {"Floor", "Floor", "AND", "SELECT * FROM Groups"}};
  return s;
}

TEST(IncludeFile, EmptyConfigurationDeclaresEveryArray) {
  EXPECT_EQ(IncludeFileText(ConfigSettings{}, ""), Expected("empty.inc"));
}

// mySQL counts as the SQL Server family; a value with quotation marks is
// written unchanged; custom fields come before standard ones.
TEST(IncludeFile, MySqlInstallationWithServersFieldsAndFilters) {
  EXPECT_EQ(IncludeFileText(MySqlInstallation(), "DOM\\ann; DOM\\bob"), Expected("mysql.inc"));
}

// A negative zero is still "+0.0"; a custom field without a listed type is text.
TEST(IncludeFile, AccessInstallationAndFieldTypeFallback) {
  ConfigSettings s;
  s.db = "local";
  s.security_level = kSecurityMinimal;
  ServerEntry hq = Server("HQ1", -0.0, DatabaseType::kAccess);
  hq.data_source = "local";
  hq.local = true;
  s.servers = {hq};
  s.custom_fields_selected = "Project;Cost";
  s.custom_fields_types_selected = "PT_LONG";
  s.fields = "AllDayEvent";
  EXPECT_EQ(IncludeFileText(s, ""), Expected("access.inc"));
}

TEST(IncludeFile, EveryLineEndsWithCrLfAndTheFileWithTheClosingTag) {
  std::string text = IncludeFileText(MySqlInstallation(), "x");
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "%>");
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "bare line feed at " << i;
    }
    if (text[i] == '\r') {
      EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at " << i;
    }
  }
}

TEST(IncludeFile, WrittenIntoTheProgramFolderOrReported) {
  testing::TempDir dir;
  testing::WriteFileBytes(dir.File("Korvale.inc"), std::string(5000, 'x'));
  ASSERT_TRUE(WriteIncludeFile(ConfigSettings{}, "", dir.path().string()).ok());
  EXPECT_EQ(testing::ReadFileBytes(dir.File("Korvale.inc")), Expected("empty.inc"))
      << "truncated, not merged";

  Status failed = WriteIncludeFile(ConfigSettings{}, "", dir.File("missing-folder"));
  EXPECT_FALSE(failed.ok());
  EXPECT_EQ(failed.message(), "Could not write to " + dir.File("missing-folder") + "/Korvale.inc.");
}

TEST(StandardFields, FiftyThreeNamesWithTheirTypes) {
  std::map<std::string, int> per_type;
  for (const auto& field : StandardFields()) ++per_type[std::string(field.type)];
  EXPECT_EQ(StandardFields().size(), 53u);
  EXPECT_EQ(per_type["PT_BOOLEAN"], 16);
  EXPECT_EQ(per_type["PT_LONG"], 11);
  EXPECT_EQ(per_type["PT_STRING8"], 14);
  EXPECT_EQ(per_type["PT_MV_STRING8"], 1);
  EXPECT_EQ(per_type["PT_BINARY"], 1);
  EXPECT_EQ(per_type["PT_SYSTIME"], 10);
  EXPECT_EQ(StandardFields().front().name, "AllDayEvent");
  EXPECT_EQ(StandardFields().back().name, "TimeSent");
  EXPECT_EQ(StandardFieldType("Contacts"), "PT_MV_STRING8");
  EXPECT_EQ(StandardFieldType("Nope"), "");
}

}  // namespace
}  // namespace korvale::config
