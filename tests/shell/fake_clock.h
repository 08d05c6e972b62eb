#pragma once
// A clock the test moves by hand.
#include <cstdint>

#include "player/backend/clock.h"

namespace mavlet::testing {

class ManualClock : public Clock {
 public:
  explicit ManualClock(std::uint32_t start = 0) : now_(start) {}
  std::uint32_t NowMs() override { return now_; }
  void SleepMs(std::uint32_t ms) override { now_ += ms; }
  void Advance(std::uint32_t ms) { now_ += ms; }

 private:
  std::uint32_t now_;
};

}  // namespace mavlet::testing
