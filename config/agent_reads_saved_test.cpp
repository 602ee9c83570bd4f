// The agent and the configuration program are the two ends of Caldrun.ini:
// what a save writes, the agent's own reader must read as the same values.
// If either side changes a key, an encoding or the numbering, this fails.
#include <gtest/gtest.h>

#include "agent/core/read_settings.h"
#include "config/load_settings.h"
#include "config/save_settings.h"
#include "tests/fakes/recording_log.h"
#include "tests/fakes/scripted_config_ui.h"
#include "tests/support/temp_dir.h"

namespace korvale::config {
namespace {

class NoDefinitions : public DataSourceDefinitions {
 public:
  DataSourceValues Read(const std::string&) override { return {}; }
};

ConfigSettings Edited() {
  ConfigSettings s;
  s.cycle_time = 15;
  s.days_past = 7;
  s.days_ahead = 120;
  s.db = "korvale";
  s.database_type = DatabaseType::kMySql;
  s.new_db = true;
  s.db_user_name = "web";
  s.db_password = "p\xC3\xA4ss; \"word\"";
  s.home_server = "HQ1";
  s.msx2k = 3;
  s.security_level = kSecurityMinimal;
  s.mailbox_custom_attribute = 4;
  s.mb_cust_attr_book_meetings = 5;
  s.date_time_format = "%d.%m.%Y %H:%M";
  s.suppress_holidays = false;
  s.show_no_private = true;
  s.skip_cancelled_meetings = true;
  s.sql_log = true;
  s.time_log = true;
  s.backup_log = false;
  s.fields = "Duration; Sensitivity";
  s.custom_fields_selected = "Project; Cost";
  s.custom_fields_types_selected = "PT_STRING8; PT_LONG";
  s.groups = {{"Rooms", "Rooms;Emma", "/o=x/cn=rooms; /o=x/cn=emma", {{"Skip", "Felix"}}},
              {"Staff", "All Staff", "/o=x/cn=all", {{"Local", "0"}, {"SetTZ", "GMT Standard Time"}}}};
  ServerEntry hq;
  hq.name = "HQ1";
  hq.time_diff = -1.5;
  hq.data_source = "korvale";
  hq.pdc = "\\\\dc1";
  ServerEntry branch;
  branch.name = "BR";
  branch.time_diff = 2.0;
  branch.data_source = "branch";
  hq.local = true;
  s.servers = {hq, branch};
  return s;
}

TEST(AgentReadsSavedSettings, EveryValueTheAgentUsesArrivesUnchanged) {
  testing::TempDir dir;
  testing::WriteFileBytes(dir.File("Caldrun.ini"),
                          "[Config]\r\nGroup1=Old\r\nGroup2=Older\r\nGroup3=Oldest\r\nDL3=x\r\n");
  testing::ScriptedConfigUi ui;
  NoDefinitions definitions;
  PassThroughAdminUsers admins;
  SaveEnvironment env{dir.path().string(), ui, definitions, admins, {}};
  ConfigSettings s = Edited();
  ASSERT_EQ(SaveSettings(s, env), SaveOutcome::kSaved);

  AgentSettings a;
  testing::RecordingLog log;
  ReadSettings(dir.File("Caldrun.ini"), a, log);
  EXPECT_EQ(a.cycle_time, 15);
  EXPECT_EQ(a.days_past, 7);
  EXPECT_EQ(a.days_ahead, 120);
  EXPECT_EQ(a.db, "korvale");
  EXPECT_TRUE(a.mysql_flag);
  EXPECT_TRUE(a.sql_server_family_flag);
  EXPECT_FALSE(a.oracle_flag);
  EXPECT_EQ(a.new_db, 1) << "newDB and NewDB are one key";
  EXPECT_EQ(a.db_user_name, "web");
  EXPECT_EQ(a.database_password, "p\xC3\xA4ss; \"word\"") << "the shared scrambling";
  EXPECT_EQ(a.msx2k, 3);
  EXPECT_EQ(a.mailbox_custom_attribute, 4);
  EXPECT_EQ(a.mb_cust_attr_book_meetings, 5);
  EXPECT_EQ(a.date_literal_format, "'%d.%m.%Y %H:%M'");
  EXPECT_EQ(a.holidays, 1);
  EXPECT_EQ(a.show_no_private, 1);
  EXPECT_EQ(a.skip_cancelled_meetings, 1);
  EXPECT_EQ(a.sql_log, 1);
  EXPECT_EQ(a.time_log, 1);
  EXPECT_EQ(a.backup_log, 0);
  EXPECT_EQ(a.fields, "Duration; Sensitivity");
  EXPECT_EQ(a.custom_field_names, (std::vector<std::string>{"Project", "Cost"}));
  EXPECT_EQ(a.custom_field_types, (std::vector<uint32_t>{30, 3}));
  EXPECT_EQ(a.group_names, (std::vector<std::string>{"Rooms", "Staff"})) << "no old group left behind";
  EXPECT_EQ(a.member_name_lists, (std::vector<std::string>{"Rooms;Emma", "All Staff"}));
  EXPECT_EQ(a.member_address_lists, (std::vector<std::string>{"/o=x/cn=rooms; /o=x/cn=emma", "/o=x/cn=all"}));
  EXPECT_EQ(a.skip_lists, (std::vector<std::string>{"Felix", ""}));
  EXPECT_EQ(a.local_flags, (std::vector<uint8_t>{1, 0}));
  EXPECT_EQ(a.group_time_zones, (std::vector<std::string>{"", "GMT Standard Time"}));
  ASSERT_EQ(a.servers.size(), 2u);
  EXPECT_EQ(a.servers[0].name, "HQ1");
  EXPECT_EQ(a.servers[0].time_diff, -1) << "-1.5 truncated towards zero";
  EXPECT_EQ(a.servers[0].ds, "korvale");
  EXPECT_EQ(a.servers[0].pdc, "\\\\dc1");
  EXPECT_EQ(a.servers[1].time_diff, 2);
  EXPECT_TRUE(log.events().empty()) << "nothing for the agent to complain about";

  // And the program itself reads back what it wrote.
  ConfigSettings back = LoadSettings(dir.File("Caldrun.ini"));
  EXPECT_EQ(back.db_password, s.db_password);
  EXPECT_EQ(back.groups.size(), 2u);
  EXPECT_EQ(back.groups[1].agent_keys, s.groups[1].agent_keys);
  EXPECT_EQ(back.servers[1].name, "BR");
}

}  // namespace
}  // namespace korvale::config
