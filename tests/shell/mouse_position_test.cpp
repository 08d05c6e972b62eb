// "@MouseX"/"@MouseY" keep the last position inside the game area; only the click-validity
// query answers (-1, -1) outside it.
#include <gtest/gtest.h>

#include "player/backend/headless/headless_input.h"
#include "player/shell/game_system.h"
#include "tests/shell/quiet_game_parts.h"

namespace mavlet {
namespace {

TEST(GameSystemMouse, ValuesKeepTheLastPositionInside) {
  HeadlessInput in;
  QuietGameParts sys_parts;
  TGameSystem sys(in, sys_parts.glyphs, sys_parts.Sound());
  in.SetMouse({40, 30});
  EXPECT_EQ(sys.Values().MouseX(), 40);
  EXPECT_EQ(sys.Values().MouseY(), 30);
  in.SetMouse({-1, -1});
  EXPECT_EQ(sys.Values().MouseX(), 40);
  EXPECT_EQ(sys.Values().MouseY(), 30);
  EXPECT_EQ(sys.Buttons().MousePos(), (Point{-1, -1}));
  in.Hold(MouseButton::kLeft);
  EXPECT_FALSE(sys.ClickPressed()) << "a press outside is no click";
  // Writing the values moves the stored position even while the mouse is outside.
  sys.Values().MoveMouse(5, 6);
  EXPECT_EQ(sys.Values().MouseX(), 5);
  EXPECT_EQ(sys.Values().MouseY(), 6);
  in.SetActive(false);
  in.SetMouse({7, 8});
  EXPECT_EQ(sys.Buttons().MousePos(), (Point{-1, -1}));
  EXPECT_EQ(sys.Values().MouseX(), 7) << "the position is stored while inactive too";
}

}  // namespace
}  // namespace mavlet
