// The SDL joystick port on SDL's virtual joysticks: pads of any axis count report their buttons.
#include "player/backend/sdl/sdl_joystick.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include "player/shell/game_input.h"

namespace mavlet {
namespace {

class FakeKeys : public InputState {
 public:
  bool KeyDown(Key) override { return false; }
  bool MouseButtonDown(MouseButton) override { return false; }
  Point MousePosition() override { return {-1, -1}; }
  bool ApplicationActive() override { return true; }
};

TEST(SdlJoystickTest, PadsWithFewAxesStillReportTheirButtons) {
  for (const int axes : {0, 1, 2}) {
    SCOPED_TRACE(std::to_string(axes) + " axes");
    SdlJoystickPort port;
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, axes, 2, 0);
    if (index < 0 || SDL_NumJoysticks() != 1) {
      if (index >= 0) SDL_JoystickDetachVirtual(index);
      GTEST_SKIP() << "no virtual joystick alone: " << SDL_GetError();
    }
    FakeKeys keys;
    TGameInput input(port, keys);
    input.SetAutoUpdate(false);
    input.SetMode(TInputMode::imJoyStick1);
    ASSERT_TRUE(input.Update());
    EXPECT_FALSE(input.Button(4));
    SDL_Joystick* stick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
    ASSERT_NE(stick, nullptr);
    ASSERT_EQ(SDL_JoystickSetVirtualButton(stick, 0, SDL_PRESSED), 0) << SDL_GetError();
    ASSERT_TRUE(input.Update());
    EXPECT_TRUE(input.Button(4));
    EXPECT_FALSE(input.Button(5));
    for (int b = 0; b < 4; ++b) EXPECT_FALSE(input.Button(b)) << "centred: no direction " << b;
    SDL_JoystickDetachVirtual(index);
  }
}

}  // namespace
}  // namespace mavlet
