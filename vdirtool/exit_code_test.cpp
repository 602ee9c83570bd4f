// The setup tells the administrator what went wrong from nothing but the
// tool's exit code, so each code must read as the right message.
#include "vdirtool/exit_code.h"

#include <gtest/gtest.h>

#include "vdirtool/vdir_values.h"

namespace korvale::vdirtool {
namespace {

constexpr char kHeader[] = "The following errors occured while creating the Virtual directory:\n\n";

TEST(VirtualDirectoryResultMessage, SuccessAndStoppingCodes) {
  VdirResultMessage ok = VirtualDirectoryResultMessage(0, "Korvale");
  EXPECT_EQ(ok.text, "The virtual directory Korvale was successfully created.");
  EXPECT_FALSE(ok.error);
  VdirResultMessage exists = VirtualDirectoryResultMessage(kExitCreateKey, "Korvale");
  EXPECT_EQ(exists.text,
            "Error creating key for virtual root.\nMost probably this virtual directory exists already.");
  EXPECT_TRUE(exists.error);
  EXPECT_EQ(VirtualDirectoryResultMessage(1047, "K").text, "The COM- libraries could not be initialized.");
  EXPECT_EQ(VirtualDirectoryResultMessage(1050, "K").text, "Error setting key type for virtual root.");
  EXPECT_EQ(VirtualDirectoryResultMessage(1051, "K").text,
            "Error setting virtual root path for virtual root.");
  EXPECT_EQ(VirtualDirectoryResultMessage(1048, "K").text.rfind("The IIS Admin Base Interface required", 0),
            0u);
}

TEST(VirtualDirectoryResultMessage, EachFailedLaterStepIsNamedByItsBit) {
  const std::pair<LaterStep, const char*> cases[] = {
      {LaterStep::kAccessPerm, "Error setting permissions for the virtual root.\n"},
      {LaterStep::kParentPaths, "Error enabling parent paths for the virtual root.\n"},
      {LaterStep::kScriptErrors,
       "Error enabling sending script errors to the browser for the virtual root.\n"},
      {LaterStep::kScriptLanguage, "Error setting default Script language for the virtual root.\n"},
      {LaterStep::kAuthorization, "Error setting directory permissions for the virtual root.\n"},
      {LaterStep::kDirectoryBrowsing, "Error enabling default document for the virtual root.\n"},
      {LaterStep::kDefaultLoadFile, "Error setting default document for the virtual root.\n"},
      {LaterStep::kAppCreate, "Error creating application for the virtual root.\n"},
      {LaterStep::kBufferingOff, "Error turning off buffering for the virtual root.\n"},
  };
  for (const auto& [step, line] : cases) {
    SCOPED_TRACE(line);
    VdirResultMessage m = VirtualDirectoryResultMessage(Bit(step), "Korvale");
    EXPECT_EQ(m.text, std::string(kHeader) + line);
    EXPECT_TRUE(m.error);
  }
  EXPECT_EQ(VirtualDirectoryResultMessage(6, "Korvale").text,
            std::string(kHeader) + "Error enabling parent paths for the virtual root.\n" +
                "Error enabling sending script errors to the browser for the virtual root.\n")
      << "bits 1 and 2, in bit order";
}

TEST(VirtualDirectoryResultMessage, ACodeTheToolNeverGivesDoesNotReadAsSuccess) {
  EXPECT_EQ(VirtualDirectoryResultMessage(-1, "K").text, std::string(kHeader) + "Unexpected exit code -1.\n");
  EXPECT_EQ(
      VirtualDirectoryResultMessage(512 | 1, "K").text,
      std::string(kHeader) + "Error setting permissions for the virtual root.\nUnexpected exit code 513.\n");
}

TEST(ExitStatus, EveryCodeSurvivesTheEightBitsOfAProcessStatusOrReadsAsAllStepsFailed) {
  for (int code = 0; code < 512; ++code) {
    int status = ExitStatusFromCode(code);
    ASSERT_GE(status, 0);
    ASSERT_LE(status, 255);
    int back = CodeFromExitStatus(status);
    if (code < 247) {
      EXPECT_EQ(back, code);
    } else {
      EXPECT_EQ(back, 511) << code << ": over-reported rather than lost";
    }
  }
  for (int code = kExitComInit; code <= kExitPath; ++code) {
    EXPECT_EQ(CodeFromExitStatus(ExitStatusFromCode(code)), code);
  }
}

}  // namespace
}  // namespace korvale::vdirtool
