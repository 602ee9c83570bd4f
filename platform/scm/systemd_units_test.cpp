// Services written as systemd units: the service name must come back from the
// unit name exactly (the configuration program looks for "Korvale" in it,
// case-sensitive), and the unit file must run the program with exactly the
// arguments it was given, whatever characters they hold.
#include "platform/scm/systemd_units.h"

#include <gtest/gtest.h>

namespace korvale::scm {
namespace {

TEST(SystemdUnits, ServiceNamesComeBackFromUnitNames) {
  EXPECT_EQ(UnitNameOf("Korvale Update Service"), "Korvale\\x20Update\\x20Service.service");
  EXPECT_EQ(UnitNameOf("ssh"), "ssh.service") << "plain unit names stay as systemd shows them";
  EXPECT_EQ(ServiceNameOf("systemd-journald.service"), "systemd-journald");
  for (const std::string name : {"Korvale Update Service", "Korvale-2", ".hidden", "back\\slash",
                                 "literal \\x20 escape", "quote\"d", "Kalender Müller", "a/b", "100%"}) {
    SCOPED_TRACE(name);
    std::optional<std::string> unit = UnitNameOf(name);
    ASSERT_TRUE(unit.has_value());
    EXPECT_EQ(ServiceNameOf(*unit), name);
    EXPECT_NE((*unit)[0], '.') << "a unit name never starts with a dot";
    EXPECT_EQ(unit->find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789:_.-\\"),
              std::string::npos)
        << "only characters systemd accepts in unit names: " << *unit;
  }
}

TEST(SystemdUnits, NamesThatCannotBeUnitsAreRefused) {
  EXPECT_FALSE(UnitNameOf(""));
  EXPECT_FALSE(UnitNameOf("two\nlines"));
  EXPECT_FALSE(UnitNameOf(std::string("nul\0byte", 8)));
  EXPECT_FALSE(UnitNameOf(std::string(100, ' '))) << "escaped, it exceeds the 255 characters of a unit name";
  EXPECT_TRUE(UnitNameOf(std::string(247, 'K'))) << "247 characters and \".service\" fit exactly";
  EXPECT_FALSE(UnitNameOf(std::string(248, 'K')));
}

TEST(SystemdUnits, UnitFileOfTheUpdateService) {
  EXPECT_EQ(UnitFileText({"Korvale Update Service", "/opt/korvale/KorvaleSrv", {"Korvale Update Service"}}),
            "[Unit]\n"
            "Description=Korvale Update Service\n"
            "After=network-online.target\n\n"
            "[Service]\n"
            "Type=exec\n"
            "ExecStart=\"/opt/korvale/KorvaleSrv\" \"Korvale Update Service\"\n"
            "KillMode=mixed\n"
            "TimeoutStopSec=infinity\n\n"
            "[Install]\n"
            "WantedBy=multi-user.target\n");
}

TEST(SystemdUnits, AServiceAccountRunsTheServiceAsThatUser) {
  const std::string text =
      UnitFileText({"Korvale Update Service", "/opt/korvale/KorvaleSrv", {}, "DOM\\root"});
  EXPECT_NE(text.find("ExecStart=\"/opt/korvale/KorvaleSrv\"\nUser=root\nKillMode=mixed\n"),
            std::string::npos)
      << text;
}

// systemd undoes C escapes inside quotes, expands "%" everywhere and "$" in
// arguments: each is written so that the program receives the text unchanged.
TEST(SystemdUnits, HostileWordsReachTheProgramUnchanged) {
  std::string text = UnitFileText(
      {"50% \"Korvale\"\\", "/opt/a \"b\"/$x/100%/KorvaleSrv", {"say \"hi\"", "c:\\dir", "$HOME", "a\nb"}});
  EXPECT_NE(text.find("\nDescription=50%% \"Korvale\"\n"), std::string::npos)
      << "a trailing backslash would join the next line: " << text;
  EXPECT_NE(text.find("\nExecStart=\"/opt/a \\\"b\\\"/$x/100%%/KorvaleSrv\" \"say \\\"hi\\\"\" "
                      "\"c:\\\\dir\" \"$$HOME\" \"a\\x0ab\"\n"),
            std::string::npos)
      << text;
}

}  // namespace
}  // namespace korvale::scm
