// The command-line front answers choosers and text questions from the texts
// it was given, so options can drive the lookups; without one it cancels.
#include "config/console_ui.h"

#include <gtest/gtest.h>

#include <sstream>

namespace korvale::config {
namespace {

TEST(ConsoleUi, ChoosersTakeTheirAnswersInOrderAndCancelWithoutOne) {
  std::ostringstream err;
  ConsoleUi ui(err, false);
  ui.SetAnswers({"ms exchange 2007", "SRV9", "nothing like it"});
  const std::vector<std::string> versions{"MS Exchange V5.x", "MS Exchange 2007"};
  EXPECT_EQ(ui.ChooseFromList("Microsoft Exchange Version", "Please select:", versions, 0), 1u)
      << "ignoring case";
  EXPECT_EQ(ui.AskText("Exchange Server", "Please enter the name of your Exchange Server:", "HOST"), "SRV9");
  EXPECT_EQ(ui.ChooseFromList("Exchange Server", "Please select your Exchange Server:", {"S1"}, 0),
            std::nullopt)
      << "an answer that is not offered cancels";
  EXPECT_EQ(ui.AskText("Exchange Server", "Again:", "HOST"), std::nullopt) << "no answer left cancels";
  EXPECT_NE(
      err.str().find("Microsoft Exchange Version: Please select:\n  MS Exchange V5.x\n  MS Exchange 2007\n"
                     "chosen: MS Exchange 2007\n"),
      std::string::npos)
      << err.str();
}

}  // namespace
}  // namespace korvale::config
