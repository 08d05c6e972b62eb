#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "player/display/transitions/show_back.h"
#include "tests/display/transitions/transition_fixture.h"

namespace mavlet {
namespace {

using testing::Scene;

struct KindCase {
  int kind;
  bool reverse;
  int bits;
};

std::string Name(const ::testing::TestParamInfo<KindCase>& info) {
  return "kind" + std::to_string(info.param.kind) + (info.param.reverse ? "_reverse_" : "_") +
         std::to_string(info.param.bits);
}

std::vector<KindCase> AllKinds() {
  std::vector<KindCase> cases;
  for (int kind = 2; kind <= 36; ++kind) {
    for (bool reverse : {false, true}) {
      for (int bits : {16, 24, 32}) cases.push_back({kind, reverse, bits});
    }
  }
  return cases;
}

// Kinds whose own last step already shows every pixel of the new picture on a screen whose
// sides are multiples of 16; the others (fades end at alpha 240, the rotation and scrolls stop
// a step short, the mosaic at its smallest blocks, ripple corners the wave never reached, the
// add and subtract fades at grey 3, a small circle) rely on the driver's final presentation.
bool ExactAtItsEnd(int kind) {
  switch (kind) {
    case 4: case 5: case 6: case 7: case 8: case 9: case 10: case 11: case 18: case 19: case 20:
    case 21: case 22: case 23: case 24: case 29: case 32: case 33: case 35: case 36:
      return true;
    default:
      return false;
  }
}

class EveryKind : public ::testing::TestWithParam<KindCase> {};

// Every kind, both directions, every depth: it ends, never touches the back picture, keeps the
// old picture in the front copy, and after the driver's final presentation (back picture onto
// the screen) the screen is exactly the new scene. Run under the sanitizers this also checks
// that no kind reads or writes outside its surfaces.
TEST_P(EveryKind, EndsAndLeavesExactlyTheNewScene) {
  const KindCase c = GetParam();
  Scene s(c.bits, 64, 48);
  Surface old_screen = s.screen;
  const Surface new_scene = s.back;
  auto t = s.Make(c.kind, c.reverse);
  ASSERT_NE(t, nullptr);
  const int steps = Scene::RunToEnd(*t);
  ASSERT_GT(steps, 0) << "never finished";
  EXPECT_EQ(Scene::Differences(s.back, new_scene), 0) << "the back picture is read only";
  if (Scene::Differences(s.front, old_screen) != 0) {
    // Kinds that never draw the old picture leave the front copy alone.
    EXPECT_EQ(s.front.RawPixel(3, 3), s.front.DeviceColour(0x123456));
  }
  if (ExactAtItsEnd(c.kind)) {
    EXPECT_EQ(Scene::Differences(s.screen, new_scene), 0) << "steps " << steps;
  }
  const Rect u = t->UpdateRect();
  EXPECT_TRUE(u.IsEmpty() || (u.left >= 0 && u.top >= 0 && u.right <= 64 && u.bottom <= 48));
  s.screen.Copy(0, 0, s.back, s.back.bounds(), false);
  EXPECT_EQ(Scene::Differences(s.screen, new_scene), 0);
}

INSTANTIATE_TEST_SUITE_P(Transitions, EveryKind, ::testing::ValuesIn(AllKinds()), Name);

TEST(TransitionKinds, OnlyKindsTwoToThirtySixExist) {
  Scene s(32, 16, 16);
  for (int kind : {-1, 0, 1, 37, 255}) EXPECT_EQ(s.Make(kind), nullptr) << kind;
  Surface other(PixelFormat::Rgb565(), 16, 16);
  EXPECT_EQ(MakeScreenTransition(2, s.screen, other, s.back, s.random), nullptr) << "mixed formats";
}

// Step calls up to the finishing one, worked out from each kind's rules; 640 x 480 unless given.
TEST(TransitionKinds, StepCounts) {
  struct Case {
    int kind;
    bool reverse;
    int steps;
    std::int32_t w = 640, h = 480;
  } cases[] = {
      {2, false, 17},  {3, false, 7},   {4, false, 46},  {5, false, 56},  {6, false, 121}, {7, true, 161},
      {8, false, 62},  {9, false, 72},  {10, false, 34}, {11, true, 34},  {12, false, 61}, {13, true, 81},
      {14, false, 14}, {15, false, 13}, {16, false, 14}, {17, false, 13}, {18, false, 46}, {19, false, 56},
      {20, false, 56}, {21, false, 65}, {22, false, 67}, {25, false, 68}, {25, true, 69}, {26, false, 143},
      {27, false, 129}, {28, true, 129}, {30, false, 91}, {31, false, 33}, {34, false, 58}, {35, false, 101},
      {36, false, 41},
      // Ripple: the first step only starts the wave; the water then settles after 119 steps.
      {26, false, 1 + 119, 160, 120},
      // Pot: the last group of rows starts at step 60, a row needs 77.
      {29, false, 137},
      // Pera: a 128-pixel tile folds shut and open in 29 calls; tiles start every 4th step.
      {32, false, 29, 128, 128},
  };
  for (const Case& c : cases) {
    Scene s(32, c.w, c.h);
    auto t = s.Make(c.kind, c.reverse);
    EXPECT_EQ(Scene::RunToEnd(*t), c.steps)
        << "kind " << c.kind << (c.reverse ? " reverse " : " ") << c.w << "x" << c.h;
  }
}

TEST(TransitionKinds, FadeDrawsSixteenAlphasThenStops) {
  Scene s(32, 8, 8);
  auto t = s.Make(2);
  std::vector<std::uint32_t> seen;
  while (t->Step()) seen.push_back(s.screen.RawPixel(0, 0));
  ASSERT_EQ(seen.size(), 16u);
  EXPECT_EQ(seen.front(), s.front.RawPixel(0, 0)) << "alpha 0 shows the old picture";
  EXPECT_NE(seen.back(), s.back.RawPixel(0, 0)) << "alpha 240 is not yet the new one";
  EXPECT_EQ(t->UpdateRect(), (Rect{0, 0, 8, 8}));
}

TEST(TransitionKinds, SkipDrawLeavesTheScreenAlone) {
  for (int kind : {2, 3, 25, 27, 28}) {
    Scene s(32, 32, 32);
    auto t = s.Make(kind);
    const Surface before = s.screen;
    t->SetSkipDraw(true);
    t->Step();
    EXPECT_EQ(Scene::Differences(s.screen, before), 0) << kind;
  }
}

TEST(TransitionKinds, BandedKindsPresentTheLiveBandsAndRunBackwardsWhenReversed) {
  Scene s(32, 64, 64);
  auto down = s.Make(4, false, Rect{0, 0, 64, 64});
  down->Step();
  EXPECT_EQ(down->UpdateRect(), (Rect{0, 0, 64, 16}));
  down->Step();
  EXPECT_EQ(down->UpdateRect(), (Rect{0, 0, 64, 32}));
  Scene r(32, 64, 64);
  auto up = r.Make(8, true, Rect{0, 0, 64, 64});
  up->Step();
  EXPECT_EQ(up->UpdateRect(), (Rect{0, 48, 64, 64}));
  // The curtain's first line is the band's last one.
  EXPECT_EQ(r.screen.RawPixel(5, 63), r.back.RawPixel(5, 63));
  EXPECT_NE(r.screen.RawPixel(5, 62), r.back.RawPixel(5, 62));
  // A wipe presents just its band.
  Scene w(32, 64, 64);
  auto wipe = w.Make(7, false, Rect{8, 8, 40, 40});
  wipe->Step();
  EXPECT_EQ(wipe->UpdateRect(), (Rect{8, 0, 12, 64}));
}

TEST(TransitionKinds, SineTableIsExact) {
  const auto& t = SineTable();
  const std::pair<std::size_t, std::int32_t> points[] = {{0, 0},   {64, 65536}, {128, 0},
                                                         {192, -65536}, {32, 46341}, {1, 1608}};
  for (const auto& [i, want] : points) EXPECT_EQ(t[i], want) << i;
  EXPECT_EQ(Cosine(0), 65536);
  EXPECT_EQ(Cosine(64), 0);
}

// One rounding rule for the whole display: halves go to the even neighbour.
TEST(TransitionKinds, RoundingTiesGoToEven) {
  struct Case {
    double v;
    std::int32_t want;
  } cases[] = {{0.5, 0},   {1.5, 2},    {2.5, 2},          {3.5, 4},          {-0.5, 0},
               {-1.5, -2}, {-2.5, -2},  {2.5001, 3},       {-1.2, -1},        {1e20, INT32_MAX},
               {-1e20, INT32_MIN}, {std::nan(""), 0}};
  for (const Case& c : cases) EXPECT_EQ(RoundNearest(c.v), c.want) << c.v;
}

TEST(TransitionKinds, RandomDissolveVisitsEveryPixelOfACellOnce) {
  std::vector<int> order;
  for (int i = 0, k = 0; k < 64; ++k, i = (5 * i + 1) % 64) order.push_back(i);
  EXPECT_EQ((std::vector<int>(order.begin(), order.begin() + 6)), (std::vector<int>{0, 1, 6, 31, 28, 13}));
  std::sort(order.begin(), order.end());
  for (int i = 0; i < 64; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
  // The transition draws one pixel per cell per step.
  Scene s(32, 16, 8);
  const Surface old_screen = s.screen;
  auto t = s.Make(21);
  t->Step();
  EXPECT_EQ(Scene::Differences(s.screen, old_screen), 2);
}

TEST(TransitionKinds, BallDrawsFromTheSharedGeneratorTileByTile) {
  TRandom r;
  EXPECT_EQ(r.Next(50) + 100, 100u);
  EXPECT_EQ(static_cast<int>(r.Next(1000)) - 500, -469);
  EXPECT_EQ(r.Next(50), 43u);
  Scene s(32, 64, 32);
  auto t = s.Make(33);
  t->Step();
  TRandom expect;
  for (int i = 0; i < 3 * 2; ++i) expect.Next(50);
  EXPECT_EQ(s.random.Seed(), expect.Seed()) << "two tiles, three draws each";
}

// A grid kind opens 16-pixel cells ring by ring from a 2 x 2 centre.
TEST(TransitionKinds, GridCellOpensFromItsCentre) {
  Scene s(32, 16, 16);
  const Surface old_screen = s.screen;
  auto t = s.Make(18);
  t->Step();
  EXPECT_EQ(Scene::Differences(s.screen, old_screen), 0) << "the first call only flips the toggle";
  t->Step();
  EXPECT_EQ(Scene::Differences(s.screen, old_screen), 4);
  EXPECT_EQ(s.screen.RawPixel(7, 7), s.back.RawPixel(7, 7));
  EXPECT_EQ(s.screen.RawPixel(8, 8), s.back.RawPixel(8, 8));
  t->Step();
  t->Step();
  EXPECT_EQ(Scene::Differences(s.screen, old_screen), 16);
}

}  // namespace
}  // namespace mavlet
