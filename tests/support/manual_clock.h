#pragma once
// A clock the test moves by hand; sleeping on it moves it at once, and each sleep is recorded
// so a test can check that waits are sliced.
#include <cstdint>
#include <vector>

#include "player/backend/clock.h"

namespace mavlet::testing {

class ManualClock : public Clock {
 public:
  explicit ManualClock(std::uint32_t start = 0) : now(start) {}
  std::uint32_t NowMs() override { return now; }
  void SleepMs(std::uint32_t ms) override {
    now += ms;
    sleeps.push_back(ms);
  }
  bool Virtual() const override { return true; }
  void Advance(std::uint32_t ms) { now += ms; }

  std::uint32_t now;
  std::vector<std::uint32_t> sleeps;
};

}  // namespace mavlet::testing
