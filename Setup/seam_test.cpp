// The seam the wizard builds on: the quiet user interface lets every question
// go on and says what it answered; server names are cut as the pages need them.
#include <sstream>

#include <gtest/gtest.h>

#include "Setup/install_answers.h"
#include "Setup/quiet_ui.h"

namespace korvale::setup {
namespace {

TEST(QuietUiTest, MessagesGoToStandardErrorWithTheirTitlesAndQuestionsGoOn) {
  std::ostringstream err;
  QuietUi ui(err);
  ui.ShowMessage("Line one\r\nline two", kSetupErrorTitle, MessageIcon::kError);
  EXPECT_TRUE(ui.AskYesNo("Create it?", kSetupTitle, MessageIcon::kQuestion)) << "a quiet run must go on";
  FileReplaceQuestion question;
  question.heading = "The folder '/opt/k' already contains a file named 'Caldrun'";
  EXPECT_EQ(ui.ConfirmFileReplace(question), ReplaceAnswer::kYesToAll);
  EXPECT_EQ(ui.messages_shown(), 3);
  const std::string text = err.str();
  EXPECT_NE(text.find("Korvale Server Setup Error: Line one\nline two\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Korvale Server Setup: Create it? yes\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Confirm File Replace: The folder '/opt/k'"), std::string::npos) << text;
}

TEST(InstallAnswersTest, PlainServerNameIsThePartAfterTheServersContainer) {
  EXPECT_EQ(PlainServerName("/o=Org/ou=Site/cn=Configuration/cn=Servers/cn=HQ1"), "HQ1");
  EXPECT_EQ(PlainServerName("HQ1"), "HQ1");
  EXPECT_EQ(PlainServerName(""), "");
}

}  // namespace
}  // namespace korvale::setup
