// "hh:mm:ss" for a duration, as the cycle summary and the per-mailbox timing
// report show it; hours go past 24 rather than wrap.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace korvale {

inline std::string ElapsedText(std::chrono::steady_clock::duration d) {
  const long s = static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(d).count());
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
  return buffer;
}

}  // namespace korvale
