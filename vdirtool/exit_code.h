// KvCrVDir's exit code as the setup reads it: its message, and how the code
// travels through a process exit status.
#pragma once

#include <string>
#include <string_view>

namespace korvale::vdirtool {

struct VdirResultMessage {
  std::string text;
  bool error = false;  // shown as an error; otherwise as information
};

// The setup's message for `exit_code` of KvCrVDir run for the directory `name`:
// 1047-1051 their own message, other non-zero codes one line per failed later
// step, zero the success message.
VdirResultMessage VirtualDirectoryResultMessage(int exit_code, std::string_view name);

// A process exit status holds 8 bits, the tool's codes need 11. The status is
// the code itself for 0 and for later-step failures of bits 0 to 7 below 247;
// 1047-1051 become 247-251; any other combination (bit 8, or nearly every step
// failed) becomes 255, read back as all nine later steps failed.
int ExitStatusFromCode(int exit_code);
int CodeFromExitStatus(int exit_status);

}  // namespace korvale::vdirtool
