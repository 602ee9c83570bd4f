// The stop request as the scan sees it: asks whether the service host wants
// the cycle to end (checking, and consuming, the stop atom) and remembers it.
#pragma once

namespace korvale {

class StopCheck {
 public:
  virtual ~StopCheck() = default;
  // Checks the stop atom (deleting it when found) and sets the stop flag.
  // True when the flag is set, now or earlier.
  virtual bool CheckStopRequest() = 0;
  // The stop flag without a new check.
  virtual bool StopFlag() const = 0;
  virtual void SetStopFlag() = 0;
};

}  // namespace korvale
