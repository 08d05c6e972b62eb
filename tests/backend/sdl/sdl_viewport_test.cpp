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

TEST(ViewportTest, AutomaticWindowSizeCountsOutputPixels) {
  struct Case {
    int usable_w, usable_h, density, game_w, game_h;
    WindowSize expected;
  };
  const Case cases[] = {
      {1904, 1016, 100, 640, 480, {1280, 960}},  // 1080p desktop: 2x
      {3824, 2096, 100, 640, 480, {2560, 1920}},  // 4K at density 100: 4x
      {1904, 1016, 200, 640, 480, {1280, 960}},   // 4K at 200%: 4 output pixels, 2 points
      {1264, 656, 150, 640, 480, {854, 640}},     // 150%: 2 output pixels (1280x960), in points rounded up
      {2544, 1376, 150, 640, 480, {1707, 1280}},  // 150% on 4K: 4 output pixels per game pixel
      {800, 600, 100, 1024, 768, {1024, 768}},    // too large: never below one pixel each
      {1904, 1016, 50, 640, 480, {1280, 960}},    // density below 100 counts as 100
      {1904, 1016, 100, 0, 480, {0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AutomaticWindowSize(c.usable_w, c.usable_h, c.density, c.game_w, c.game_h), c.expected)
        << c.usable_w << "x" << c.usable_h << " at " << c.density << "%";
  }
}

TEST(ViewportTest, WindowReachableNeedsItsTopEdgeOnADisplay) {
  const std::vector<DesktopRect> two{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
  struct Case {
    DesktopRect window;
    bool reachable;
  };
  const Case cases[] = {
      {{100, 100, 640, 480}, true},
      {{2000, 500, 640, 480}, true},        // on the second display
      {{1900, 10, 640, 480}, true},         // across both
      {{-600, 100, 640, 480}, false},       // 40 points left on the desktop: too little to grab
      {{-576, 100, 640, 480}, true},        // 64 points
      {{100, -20, 640, 480}, false},        // title bar above the desktop
      {{100, 1060, 640, 480}, false},       // only 20 points of the top edge
      {{100, 1048, 640, 480}, true},
      {{3300, 100, 640, 480}, false},       // a display that is gone
      {{1900, 1030, 640, 480}, false},      // the gap below the smaller display
      {{10, 10, 40, 20}, true},             // a window smaller than the grab strip
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WindowReachable(c.window, two), c.reachable) << c.window.x << "," << c.window.y;
  }
  EXPECT_FALSE(WindowReachable({0, 0, 640, 480}, {})) << "no display";
}

}  // namespace
}  // namespace mavlet
