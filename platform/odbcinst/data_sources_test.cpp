// The datasource screen lists what the driver manager will find and writes
// definitions an administrator would otherwise write into odbc.ini by hand;
// these tests point ODBCINI and ODBCSYSINI at temporary files. unixODBC keeps
// the system list's folder for the process: ctest runs each case in its own.
#include "platform/odbcinst/data_sources.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "platform/odbcinst/dsn_values.h"
#include "tests/support/temp_dir.h"

namespace korvale::odbcinst {
namespace {

class DataSourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(dir_.File("user.ini")) << "[calendars]\nDriver=SQLite3\nDatabase=/srv/cal.db\n";
    std::ofstream(dir_.File("odbc.ini"))
        << "[shared]\nDriver=MariaDB\nServer=db1\n[calendars]\nDriver=Other\n";
    std::ofstream(dir_.File("odbcinst.ini"))
        << "[SQLite3]\nDriver=libsqlite3odbc.so\n[MariaDB]\nDriver=x.so\n";
    setenv("ODBCINI", dir_.File("user.ini").c_str(), 1);
    setenv("ODBCSYSINI", dir_.path().c_str(), 1);
  }
  testing::TempDir dir_;
};

TEST_F(DataSourcesTest, UserAndSystemDefinitionsAreListedOnceWithTheirDrivers) {
  std::vector<DataSource> sources = ListDataSources();
  ASSERT_EQ(sources.size(), 2u);
  EXPECT_EQ(sources[0].name, "calendars");
  EXPECT_EQ(sources[0].driver, "SQLite3") << "the user's definition wins, as the driver manager's does";
  EXPECT_EQ(sources[1].name, "shared");
  EXPECT_EQ(sources[1].driver, "MariaDB");
  EXPECT_EQ(ListDrivers(), (std::vector<std::string>{"SQLite3", "MariaDB"}));
}

TEST_F(DataSourcesTest, AWrittenDefinitionIsFoundAndKeepsKeysTheFormDoesNotShow) {
  std::string error;
  ASSERT_TRUE(WriteDataSource("fresh", "SQLite3", {{"Database", "/tmp/fresh.db"}, {"Server", "x"}}, error))
      << error;
  std::ofstream(dir_.File("user.ini"), std::ios::app) << "Timeout=30000\n";
  EXPECT_EQ(ReadDsnValue("fresh", "Database"), "/tmp/fresh.db");
  ASSERT_TRUE(WriteDataSource("fresh", "SQLite3", {{"Database", "/tmp/other.db"}, {"Server", ""}}, error))
      << error;
  EXPECT_EQ(ReadDsnValue("fresh", "Server"), "") << "an empty value leaves the key out";
  EXPECT_EQ(ReadDsnValue("fresh", "Database"), "/tmp/other.db");
  EXPECT_EQ(ReadDsnValue("fresh", "Timeout"), "30000") << "a key the form does not show stays";
  EXPECT_EQ(ReadDsnValue("calendars", "Database"), "/srv/cal.db") << "other definitions stay";
}

}  // namespace
}  // namespace korvale::odbcinst
