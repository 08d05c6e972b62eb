#pragma once
// The millisecond clock every part of the player reads; tests step a virtual one.
#include <cstdint>

namespace mavlet {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; wraps like a 32-bit tick count.
  virtual std::uint32_t NowMs() = 0;
  // Waits (or, for a virtual clock, advances) at least ms milliseconds.
  virtual void SleepMs(std::uint32_t ms) = 0;
  // True for a clock whose time moves only when told to (headless runs, tests): it cannot
  // measure how long work takes, so nothing bounds work by its time.
  virtual bool Virtual() const { return false; }
};

}  // namespace mavlet
