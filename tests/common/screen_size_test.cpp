#include "player/common/screen_size.h"

#include <gtest/gtest.h>

namespace mavlet {
namespace {

TEST(ScreenSizeTest, SizesByMode) {
  const int expected[][3] = {{0, 320, 200}, {1, 320, 240}, {2, 640, 400}, {3, 640, 480},
                             {4, 800, 600}, {5, 1024, 768}, {200, 1024, 768}, {-1, 320, 200}};
  for (const auto& e : expected) {
    ScreenSize s = ScreenSizeForMode(e[0]);
    EXPECT_EQ(s.width, e[1]) << e[0];
    EXPECT_EQ(s.height, e[2]) << e[0];
  }
}

}  // namespace
}  // namespace mavlet
