#include "vdirtool/exit_code.h"

#include <array>
#include <cstdio>

#include "vdirtool/vdir_values.h"

namespace korvale::vdirtool {
namespace {

struct NumberedMessage {
  int number;
  const char* text;
};

constexpr std::array<NumberedMessage, 5> kStopMessages{{
    {1047, "The COM- libraries could not be initialized."},
    {1048,
     "The IIS Admin Base Interface required to configure\nVirtual Directories cannot be found on this "
     "machine.\nPlease note that automatic creation of a virtual directory\nworks only on machines running "
     "Windows 2000 or 2003."},
    {1049, "Error creating key for virtual root.\nMost probably this virtual directory exists already."},
    {1050, "Error setting key type for virtual root."},
    {1051, "Error setting virtual root path for virtual root."},
}};

// Indexed by the bit of the later step (LaterStep).
constexpr std::array<NumberedMessage, 9> kLaterStepMessages{{
    {1052, "Error setting permissions for the virtual root."},
    {1053, "Error enabling parent paths for the virtual root."},
    {1054, "Error enabling sending script errors to the browser for the virtual root."},
    {1055, "Error setting default Script language for the virtual root."},
    {1056, "Error setting directory permissions for the virtual root."},
    {1057, "Error enabling default document for the virtual root."},
    {1058, "Error setting default document for the virtual root."},
    {1063, "Error creating application for the virtual root."},
    {1065, "Error turning off buffering for the virtual root."},
}};

constexpr int kAllLaterSteps = (1 << kLaterStepMessages.size()) - 1;
constexpr int kFirstStopStatus = 247;
constexpr int kLaterStepsOverflow = 255;

}  // namespace

VdirResultMessage VirtualDirectoryResultMessage(int exit_code, std::string_view name) {
  for (const NumberedMessage& m : kStopMessages) {
    if (m.number == exit_code) return {m.text, true};
  }
  if (exit_code == kExitSuccess) {
    return {"The virtual directory " + std::string(name) + " was successfully created.", false};
  }
  std::string text = "The following errors occured while creating the Virtual directory:\n\n";
  for (size_t bit = 0; bit < kLaterStepMessages.size() && exit_code > 0; ++bit) {
    if (exit_code & (1 << bit)) text += std::string(kLaterStepMessages[bit].text) + "\n";
  }
  // A code the tool never gives (a crash, another program) must not read as success.
  if (exit_code < 0 || (exit_code & ~kAllLaterSteps) != 0) {
    char line[64];
    std::snprintf(line, sizeof line, "Unexpected exit code %d.\n", exit_code);
    text += line;
  }
  return {text, true};
}

int ExitStatusFromCode(int exit_code) {
  if (exit_code >= kExitComInit && exit_code <= kExitPath)
    return kFirstStopStatus + (exit_code - kExitComInit);
  if (exit_code >= 0 && exit_code < kFirstStopStatus) return exit_code;
  return kLaterStepsOverflow;
}

int CodeFromExitStatus(int exit_status) {
  if (exit_status >= kFirstStopStatus && exit_status <= kFirstStopStatus + (kExitPath - kExitComInit)) {
    return kExitComInit + (exit_status - kFirstStopStatus);
  }
  if (exit_status == kLaterStepsOverflow) return kAllLaterSteps;
  return exit_status;
}

}  // namespace korvale::vdirtool
