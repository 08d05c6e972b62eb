#include "player/backend/sdl/viewport.h"

#include <gtest/gtest.h>

namespace mavlet {
namespace {

TEST(ViewportTest, FitKeepsAspectAndCentres) {
  struct Case {
    int ww, wh, gw, gh;
    Viewport expected;
  };
  const Case cases[] = {
      {640, 480, 640, 480, {0, 0, 640, 480}},
      {1280, 960, 640, 480, {0, 0, 1280, 960}},
      {1920, 1080, 640, 480, {240, 0, 1440, 1080}},  // pillar box
      {800, 800, 640, 480, {0, 100, 800, 600}},      // letter box
      {801, 600, 800, 600, {0, 0, 800, 600}},        // odd pixel goes to the right
      {1366, 768, 320, 200, {69, 0, 1228, 768}},
      {0, 480, 640, 480, {0, 0, 0, 0}},              // minimised
  };
  for (const Case& c : cases) {
    Viewport v = FitViewport(c.ww, c.wh, c.gw, c.gh);
    EXPECT_EQ(v.x, c.expected.x) << c.ww << "x" << c.wh;
    EXPECT_EQ(v.y, c.expected.y) << c.ww << "x" << c.wh;
    EXPECT_EQ(v.width, c.expected.width) << c.ww << "x" << c.wh;
    EXPECT_EQ(v.height, c.expected.height) << c.ww << "x" << c.wh;
  }
}

TEST(ViewportTest, MouseMapsBackToGamePixels) {
  // 640x480 game in a 1920x1080 window: picture at x 240..1679, 2.25 window pixels per game pixel.
  const Viewport v = FitViewport(1920, 1080, 640, 480);
  struct Case {
    int wx, wy;
    Point game;
  };
  const Case cases[] = {
      {240, 0, {0, 0}},
      {1679, 1079, {639, 479}},
      {960, 540, {320, 240}},
      {242, 2, {0, 0}},
      {243, 3, {1, 1}},
      {239, 500, {-1, -1}},   // left bar
      {1680, 500, {-1, -1}},  // right bar
      {1000, 1080, {-1, -1}},
      {-5, -5, {-1, -1}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WindowToGame(v, 640, 480, c.wx, c.wy), c.game) << c.wx << "," << c.wy;
  }
  EXPECT_EQ(WindowToGame(Viewport{}, 640, 480, 0, 0), (Point{-1, -1})) << "no picture";
}

TEST(ViewportTest, LargestIntegerScale) {
  EXPECT_EQ(LargestIntegerScale(1024 - 16, 768 - 64, 320, 240), 2);
  EXPECT_EQ(LargestIntegerScale(1920, 1080, 320, 240), 4);
  EXPECT_EQ(LargestIntegerScale(1920, 1080, 640, 480), 2);
  EXPECT_EQ(LargestIntegerScale(800, 600, 1024, 768), 1) << "never below 1";
  EXPECT_EQ(LargestIntegerScale(800, 600, 0, 0), 1);
}

}  // namespace
}  // namespace mavlet
