// The datasource checks of the configuration program read the "Database" and
// "Server" of a definition; these tests point ODBCINI and ODBCSYSINI at
// temporary files, as an administrator's user and system lists.
#include "platform/odbcinst/dsn_values.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "tests/support/temp_dir.h"

namespace korvale::odbcinst {
namespace {

class DsnValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(dir_.File("user.ini")) << "[calendars]\nDriver=SQLite3\nDatabase=/srv/cal.db\n";
    std::ofstream(dir_.File("odbc.ini")) << "[shared]\nDriver=MariaDB\nServer=db1\nDatabase=korvale\n"
                                         << "[calendars]\nDatabase=/system/ignored.db\nServer=sys\n";
    std::ofstream(dir_.File("odbcinst.ini")) << "";
    setenv("ODBCINI", dir_.File("user.ini").c_str(), 1);
    setenv("ODBCSYSINI", dir_.path().c_str(), 1);
  }
  testing::TempDir dir_;
};

TEST_F(DsnValuesTest, UserAndSystemDefinitionsAreBothFound) {
  EXPECT_EQ(ReadDsnValue("calendars", "Database"), "/srv/cal.db") << "the user definition comes first";
  EXPECT_EQ(ReadDsnValue("shared", "Server"), "db1") << "a system definition is found too";
  EXPECT_EQ(ReadDsnValue("shared", "Database"), "korvale");
}

TEST_F(DsnValuesTest, MissingDefinitionsAndKeysAreEmpty) {
  EXPECT_EQ(ReadDsnValue("absent", "Database"), "");
  EXPECT_EQ(ReadDsnValue("shared", "Port"), "");
  EXPECT_EQ(ReadDsnValue("", "Database"), "");
}

}  // namespace
}  // namespace korvale::odbcinst
