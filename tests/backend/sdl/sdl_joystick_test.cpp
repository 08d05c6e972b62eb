// The SDL joystick port on SDL's virtual joysticks, read through the game input: pads of any
// shape report their buttons, the direction pad steers (as a hat, or as buttons 12 to 15 on the
// browser's standard gamepad), pads plugged in later are found, and each joystick keeps its pad.
#include "player/backend/sdl/sdl_joystick.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <functional>
#include <string>

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

// Game buttons 0-5 (left, up, right, down, decide, cancel) as a string of 0s and 1s.
std::string Buttons(TGameInput& input) {
  std::string out;
  for (int b = 0; b < 6; ++b) out += input.Button(b) ? '1' : '0';
  return out;
}

SDL_Joystick* Stick(int device) { return SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device)); }

class SdlJoystickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = std::make_unique<SdlJoystickPort>();
    if (SDL_NumJoysticks() != 0) GTEST_SKIP() << "a real joystick is plugged in";
  }
  void TearDown() override {
    while (SDL_NumJoysticks() > 0) SDL_JoystickDetachVirtual(0);
    port_.reset();
  }
  // A virtual pad at the next place; false (with the test skipped) when SDL has none.
  bool Attach(int axes, int buttons, int hats) {
    if (SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, axes, buttons, hats) < 0) {
      ADD_FAILURE() << "no virtual joystick: " << SDL_GetError();
      return false;
    }
    return true;
  }
  std::unique_ptr<SdlJoystickPort> port_;
  FakeKeys keys_;
};

TEST_F(SdlJoystickTest, EveryPadShapeSteersAndDecides) {
  struct Case {
    const char* name;
    int axes, buttons, hats;
    std::function<void(SDL_Joystick*)> press;
    const char* expected;  // left, up, right, down, decide, cancel
  };
  auto button = [](int b) { return [b](SDL_Joystick* s) { SDL_JoystickSetVirtualButton(s, b, SDL_PRESSED); }; };
  auto hat = [](Uint8 h) { return [h](SDL_Joystick* s) { SDL_JoystickSetVirtualHat(s, 0, h); }; };
  const Case cases[] = {
      {"no axes", 0, 2, 0, button(0), "000010"},
      {"one axis", 1, 2, 0, button(0), "000010"},
      {"two axes, cancel", 2, 2, 0, button(1), "000001"},
      {"stick left", 2, 2, 0, [](SDL_Joystick* s) { SDL_JoystickSetVirtualAxis(s, 0, SDL_JOYSTICK_AXIS_MIN); },
       "100000"},
      {"hat up", 2, 11, 1, hat(SDL_HAT_UP), "010000"},
      {"hat down and right", 6, 11, 1, hat(SDL_HAT_RIGHTDOWN), "001100"},
      {"standard gamepad, pad up", 4, 17, 0, button(12), "010000"},
      {"standard gamepad, pad right", 4, 17, 0, button(15), "001000"},
      {"standard gamepad, A", 4, 17, 0, button(0), "000010"},
      {"fewer buttons, no hat: button 12 is a button", 2, 13, 0, button(12), "000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Attach(c.axes, c.buttons, c.hats));
    TGameInput input(*port_, keys_);
    input.SetAutoUpdate(false);
    input.SetMode(TInputMode::imJoyStick1);
    ASSERT_TRUE(input.Update());
    EXPECT_EQ(Buttons(input), "000000") << "centred, nothing held";
    c.press(Stick(0));
    ASSERT_TRUE(input.Update());
    EXPECT_EQ(Buttons(input), c.expected);
    SDL_JoystickDetachVirtual(0);
  }
}

TEST_F(SdlJoystickTest, PadsPluggedInLaterAndUnpluggedKeepTheirJoystick) {
  EXPECT_FALSE(port_->Read(0)) << "nothing plugged in";
  ASSERT_TRUE(Attach(2, 2, 0));
  ASSERT_TRUE(Attach(2, 2, 0));
  const SDL_JoystickID first = SDL_JoystickGetDeviceInstanceID(0), second = SDL_JoystickGetDeviceInstanceID(1);
  // (A virtual pad takes presses once it is open.)
  ASSERT_TRUE(port_->Read(0)) << "plugged in after the start";
  ASSERT_TRUE(port_->Read(1));
  SDL_JoystickSetVirtualButton(SDL_JoystickFromInstanceID(second), 1, SDL_PRESSED);
  EXPECT_EQ(port_->Read(1)->buttons, 2u) << "the second pad";
  // The first pad goes: the second one moves to place 0 but stays the second joystick.
  SDL_JoystickDetachVirtual(0);
  ASSERT_EQ(SDL_JoystickGetDeviceInstanceID(0), second);
  EXPECT_FALSE(port_->Read(0)) << "the first joystick has no pad now";
  ASSERT_TRUE(port_->Read(1));
  EXPECT_EQ(port_->Read(1)->buttons, 2u);
  // A pad plugged in again is the first joystick's.
  ASSERT_TRUE(Attach(2, 2, 0));
  const SDL_JoystickID third = SDL_JoystickGetDeviceInstanceID(1);
  ASSERT_NE(third, first);
  ASSERT_TRUE(port_->Read(0));
  SDL_JoystickSetVirtualButton(SDL_JoystickFromInstanceID(third), 0, SDL_PRESSED);
  EXPECT_EQ(port_->Read(0)->buttons, 1u);
  EXPECT_EQ(port_->Read(1)->buttons, 2u);
}

}  // namespace
}  // namespace mavlet
