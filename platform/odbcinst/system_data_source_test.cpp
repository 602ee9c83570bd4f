// Creating a system data source: the SQLite driver has no setup routine, so
// its definition is written by the installer's functions; a driver that is
// not installed fails and writes nothing.
#include "platform/odbcinst/system_data_source.h"

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace korvale::odbcinst {
namespace {

class SystemDataSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* sys = std::getenv("ODBCSYSINI");
    old_sys_ = sys != nullptr ? sys : "";
    std::filesystem::copy_file(std::filesystem::path(sys != nullptr ? sys : "/etc") / "odbcinst.ini",
                               dir_.path() / "odbcinst.ini");
    testing::WriteFileBytes(dir_.path() / "odbc.ini", "");
    setenv("ODBCSYSINI", dir_.path().c_str(), 1);
  }
  void TearDown() override {
    if (old_sys_.empty())
      unsetenv("ODBCSYSINI");
    else
      setenv("ODBCSYSINI", old_sys_.c_str(), 1);
  }
  testing::TempDir dir_;
  std::string old_sys_;
};

TEST_F(SystemDataSourceTest, TheSqliteDriversDefinitionIsWrittenIntoTheSystemList) {
  ASSERT_TRUE(AddSystemDataSource("SQLite3", {"DSN=korvale-made", "Database=/var/lib/k.db", "Server="}).ok());
  const std::string ini = testing::ReadFileBytes(dir_.path() / "odbc.ini");
  EXPECT_NE(ini.find("[korvale-made]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Driver=SQLite3"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Database=/var/lib/k.db"), std::string::npos) << ini;
  EXPECT_EQ(ini.find("Server"), std::string::npos) << "empty values are left out: " << ini;
}

TEST_F(SystemDataSourceTest, ADriverThatIsNotInstalledFailsAndWritesNothing) {
  Status made = AddSystemDataSource("SQL Server", {"DSN=korvale-none", "Database=x", "Server=y"});
  EXPECT_FALSE(made.ok());
  EXPECT_NE(made.message().find("SQL Server"), std::string::npos) << made.message();
  EXPECT_EQ(testing::ReadFileBytes(dir_.path() / "odbc.ini").find("korvale-none"), std::string::npos);
}

}  // namespace
}  // namespace korvale::odbcinst
