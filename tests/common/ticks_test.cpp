#include "player/common/ticks.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace mavlet {
namespace {

// Pairs on both sides of the 32-bit wrap and the half-range boundary where "before" and
// "after" trade places.
TEST(TicksTest, DifferencesAcrossTheWrap) {
  constexpr std::uint32_t kMax = 0xFFFFFFFFu;
  struct Case {
    std::uint32_t now, then;
    std::uint32_t since;
    std::int32_t delta;
    bool reached;
  };
  const Case cases[] = {
      {100, 100, 0, 0, true},
      {150, 100, 50, 50, true},
      {100, 150, kMax - 49, -50, false},
      {5, kMax - 4, 10, 10, true},          // now has wrapped past zero
      {kMax - 4, 5, kMax - 9, -10, false},  // due lies after the wrap
      {0, kMax, 1, 1, true},
      {0x7FFFFFFFu, 0, 0x7FFFFFFFu, 0x7FFFFFFF, true},
      {0x80000000u, 0, 0x80000000u, INT32_MIN, false},  // half the range away reads as before
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TicksSince(c.now, c.then), c.since) << c.now << " " << c.then;
    EXPECT_EQ(TickDelta(c.now, c.then), c.delta) << c.now << " " << c.then;
    EXPECT_EQ(TickReached(c.now, c.then), c.reached) << c.now << " " << c.then;
    const std::int64_t distance = c.delta < 0 ? -static_cast<std::int64_t>(c.delta) : c.delta;
    EXPECT_EQ(TickDistance(c.now, c.then), distance) << c.now << " " << c.then;
  }
  EXPECT_EQ(TickDistance(0x80000000u, 0), std::int64_t{0x80000000});
}

}  // namespace
}  // namespace mavlet
