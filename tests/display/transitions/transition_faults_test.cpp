// The faults the transitions guard against: stale mosaic strips, locks that keep failing.
#include <gtest/gtest.h>

#include "tests/display/transitions/transition_fixture.h"

namespace mavlet {
namespace {

using testing::Scene;

// Every mosaic frame paints the whole screen, whatever the block size leaves over at the right
// and bottom edges (640 x 480 has 21 block sizes that would leave a strip).
TEST(TransitionFaults, MosaicPaintsTheWholeScreenEveryStep) {
  for (const Rect size : {Rect{0, 0, 640, 480}, Rect{0, 0, 203, 97}}) {
    Scene s(32, size.right, size.bottom);
    auto t = s.Make(30);
    const std::uint32_t sentinel = 0x00ABCDEF;
    int steps = 0;
    bool more = true;
    while (more && steps < 200) {
      s.screen.Fill(sentinel);
      more = t->Step();
      ++steps;
      std::int64_t stale = 0;
      for (std::int32_t y = 0; y < size.bottom; ++y) {
        for (std::int32_t x = 0; x < size.right; ++x) stale += s.screen.RawPixel(x, y) == sentinel;
      }
      ASSERT_EQ(stale, 0) << "step " << steps << " of " << size.right << "x" << size.bottom;
    }
    EXPECT_FALSE(more);
  }
}

// A surface that cannot be locked ends the pixel kinds instead of looping the driver forever.
TEST(TransitionFaults, FailingLocksEndThePixelKinds) {
  struct Case {
    int kind;
    bool lose_front;  // else the back picture
    int max_steps;
  } cases[] = {{18, false, 1}, {21, false, 1}, {22, false, 1}, {26, true, 2}, {30, true, 1},
               {30, false, 60}, {26, false, 2}};
  for (const Case& c : cases) {
    Scene s(32, 64, 48);
    auto t = s.Make(c.kind);
    (c.lose_front ? s.front : s.back).SetLost(true);
    const int steps = Scene::RunToEnd(*t, 1000);
    EXPECT_GT(steps, 0) << c.kind;
    EXPECT_LE(steps, c.max_steps) << c.kind;
    EXPECT_FALSE(s.front.locked() || s.back.locked() || s.screen.locked()) << "every lock released";
  }
}

// The circle draws nothing while a lock fails but its ring still spreads, so it ends.
TEST(TransitionFaults, CircleWithoutLocksStillEnds) {
  Scene s(32, 64, 48);
  const Surface old_screen = s.screen;
  auto t = s.Make(34);
  s.back.SetLost(true);
  EXPECT_EQ(Scene::RunToEnd(*t), 7);
  EXPECT_EQ(Scene::Differences(s.screen, old_screen), 0);
}

// A screen with no pixels (a window not set up yet) gives every kind nothing to draw: each still
// ends (the blur once restarted itself on every step there and never ended).
TEST(TransitionFaults, EveryKindEndsOnAnEmptyScreen) {
  for (int kind = 2; kind <= 36; ++kind) {
    for (const Rect size : {Rect{0, 0, 0, 0}, Rect{0, 0, 1, 1}}) {
      Scene s(32, size.right, size.bottom);
      auto t = s.Make(kind);
      ASSERT_NE(t, nullptr) << kind;
      EXPECT_GT(Scene::RunToEnd(*t), 0) << "kind " << kind << " on " << size.right << "x" << size.bottom;
    }
  }
}

}  // namespace
}  // namespace mavlet
