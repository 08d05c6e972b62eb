#include "player/backend/frame_timer.h"

#include <gtest/gtest.h>

#include "tests/support/manual_clock.h"

namespace mavlet {
namespace {

using testing::ManualClock;

TEST(FrameTimerTest, FiresOnlyWhenEnabledAndDue) {
  ManualClock clock(1000);
  FrameTimer timer(clock, 30);
  clock.Advance(100);
  EXPECT_EQ(timer.Poll(), 0u) << "disabled";
  EXPECT_EQ(timer.MsUntilDue(), FrameTimer::kNever);
  timer.SetEnabled(true);
  EXPECT_EQ(timer.MsUntilDue(), 30u);
  clock.Advance(29);
  EXPECT_EQ(timer.Poll(), 0u);
  EXPECT_EQ(timer.MsUntilDue(), 1u);
  clock.Advance(1);
  EXPECT_EQ(timer.Poll(), 1u);
  EXPECT_EQ(timer.Poll(), 0u) << "one event per period";
}

// Lag and where the next period starts, for events at various delays after the reference.
TEST(FrameTimerTest, LagAndOvershootCap) {
  struct Case {
    std::uint32_t elapsed;
    std::uint32_t lag;
    std::uint32_t next_due_in;  // from the firing moment
  };
  const Case cases[] = {
      {30, 1, 30},   // on time
      {45, 1, 15},   // 15 ms late: next period shortened by the overshoot
      {59, 1, 1},
      {60, 2, 0},    // overshoot capped at one interval: due again at once
      {750, 25, 0},  // far behind: one prompt event, no burst of 25
  };
  for (const Case& c : cases) {
    ManualClock clock(0xFFFFFFF0u);  // crosses the 32-bit wrap
    FrameTimer timer(clock, 30);
    timer.SetEnabled(true);
    clock.Advance(c.elapsed);
    EXPECT_EQ(timer.Poll(), c.lag) << "elapsed " << c.elapsed;
    EXPECT_EQ(timer.MsUntilDue(), c.next_due_in) << "elapsed " << c.elapsed;
    if (c.next_due_in == 0) {
      EXPECT_EQ(timer.Poll(), 1u) << "the catch-up event is on time, elapsed " << c.elapsed;
      EXPECT_EQ(timer.MsUntilDue(), 30u);
    }
  }
}

TEST(FrameTimerTest, ZeroIntervalBecomesOneAndReenableRestartsPeriod) {
  ManualClock clock;
  FrameTimer timer(clock, 0);
  EXPECT_EQ(timer.Interval(), 1u);
  timer.SetEnabled(true);
  clock.Advance(5);
  EXPECT_EQ(timer.Poll(), 5u);
  timer.SetInterval(30);
  timer.SetEnabled(false);
  clock.Advance(1000);
  timer.SetEnabled(true);
  EXPECT_EQ(timer.Poll(), 0u) << "time spent disabled does not count as lag";
}

}  // namespace
}  // namespace mavlet
