#pragma once
// A virtual millisecond clock for headless runs and tests: time moves only when told to.
#include <cstdint>

#include "player/backend/clock.h"

namespace mavlet {

class HeadlessClock : public Clock {
 public:
  explicit HeadlessClock(std::uint32_t start_ms = 0) : now_(start_ms) {}
  std::uint32_t NowMs() override { return now_; }
  // Sleeping only moves the virtual time on.
  void SleepMs(std::uint32_t ms) override { Advance(ms); }
  bool Virtual() const override { return true; }
  void Advance(std::uint32_t ms) { now_ += ms; }  // wraps like a 32-bit tick count
  void Set(std::uint32_t ms) { now_ = ms; }

 private:
  std::uint32_t now_;
};

}  // namespace mavlet
