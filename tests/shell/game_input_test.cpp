#include "player/shell/game_input.h"

#include <gtest/gtest.h>

#include <set>

namespace mavlet {
namespace {

class FakeJoysticks : public JoystickPort {
 public:
  bool present = true;
  JoystickRange range{0, 65535, 0, 65535};
  JoystickReading reading{32767, 32767, 0};
  int reads = 0;
  std::optional<JoystickRange> Capabilities(int id) override {
    if (!present || id != 0) return std::nullopt;
    return range;
  }
  std::optional<JoystickReading> Read(int id) override {
    ++reads;
    if (!present || id != 0) return std::nullopt;
    return reading;
  }
};

class FakeKeys : public InputState {
 public:
  std::set<Key> down;
  bool KeyDown(Key k) override { return down.count(k) > 0; }
  bool MouseButtonDown(MouseButton) override { return false; }
  Point MousePosition() override { return {-1, -1}; }
  bool ApplicationActive() override { return true; }
};

TEST(GameInputTest, JoystickDeadZoneIsOneThirdOfRange) {
  // Range 0..65535: left edge 21845, right edge 43690.
  struct Case {
    std::int32_t x, y;
    std::uint32_t buttons;
    bool left, up, right, down, a, b;
  };
  const Case cases[] = {
      {32767, 32767, 0, false, false, false, false, false, false},  // centred
      {21845, 43690, 0, false, false, false, false, false, false},  // on the edges: not past them
      {21844, 43691, 0, true, false, false, true, false, false},
      {43691, 21844, 0, false, true, true, false, false, false},
      {32767, 32767, 1, false, false, false, false, true, false},
      {32767, 32767, 2, false, false, false, false, false, true},
      {32767, 32767, 4, false, false, false, false, false, false},  // button 3 is no logical button
  };
  for (const Case& c : cases) {
    FakeJoysticks port;
    FakeKeys keys;
    TGameInput input(port, keys);
    input.SetAutoUpdate(false);
    input.SetMode(TInputMode::imJoyStick1);
    port.reading = {c.x, c.y, c.buttons};
    ASSERT_TRUE(input.Update());
    const bool expected[6] = {c.left, c.up, c.right, c.down, c.a, c.b};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(input.Button(i), expected[i]) << c.x << "," << c.y << " button " << i;
    EXPECT_FALSE(input.Button(6));
  }
}

TEST(GameInputTest, MissingJoystickFailsPollAndReadsReleased) {
  FakeJoysticks port;
  port.present = false;
  FakeKeys keys;
  TGameInput input(port, keys);
  input.SetAutoUpdate(false);
  input.SetMode(TInputMode::imJoyStick2);
  EXPECT_FALSE(input.Update());
  for (int i = 0; i < 6; ++i) EXPECT_FALSE(input.Button(i));
  // Unplugged after a good read: released, not stuck on the last reading.
  FakeJoysticks port2;
  TGameInput input2(port2, keys);
  input2.SetAutoUpdate(false);
  input2.SetMode(TInputMode::imJoyStick1);
  port2.reading = {0, 0, 3};
  ASSERT_TRUE(input2.Update());
  EXPECT_TRUE(input2.Button(4));
  port2.present = false;
  EXPECT_FALSE(input2.Update());
  for (int i = 0; i < 6; ++i) EXPECT_FALSE(input2.Button(i)) << i;
}

TEST(GameInputTest, AutoUpdatePollsOnEveryQueryAndSurvivesModeChange) {
  FakeJoysticks port;
  FakeKeys keys;
  TGameInput input(port, keys);
  EXPECT_EQ(input.Mode(), TInputMode::imKeyBoard);
  EXPECT_TRUE(input.AutoUpdate());
  input.SetMode(TInputMode::imJoyStick1);
  EXPECT_TRUE(input.AutoUpdate()) << "kept across the change";
  port.reading = {0, 32767, 0};
  EXPECT_TRUE(input.Button(0));
  EXPECT_EQ(port.reads, 1);
  input.SetAutoUpdate(false);
  input.SetMode(TInputMode::imKeyLeft);
  EXPECT_FALSE(input.AutoUpdate());
}

TEST(GameInputTest, KeySetsPerMode) {
  struct Case {
    TInputMode mode;
    Key key;
    int button;
  };
  const Case cases[] = {
      {TInputMode::imKeyBoard, Key::kLeft, 0},     {TInputMode::imKeyBoard, Key::kNumpad8, 1},
      {TInputMode::imKeyBoard, Key::kZ, 4},        {TInputMode::imKeyBoard, Key::kSpace, 4},
      {TInputMode::imKeyBoard, Key::kEnter, 5},    {TInputMode::imKeyLeft, Key::kS, 0},
      {TInputMode::imKeyLeft, Key::kE, 1},         {TInputMode::imKeyLeft, Key::kF, 2},
      {TInputMode::imKeyLeft, Key::kC, 3},         {TInputMode::imKeyLeft, Key::kX, 5},
      {TInputMode::imKeyRight, Key::kNumpad0, 4},  {TInputMode::imKeyRight, Key::kNumpad1, 5},
      {TInputMode::imKeyRight, Key::kNumpad2, 3},  {TInputMode::imKeyRight, Key::kRight, 2},
  };
  for (const Case& c : cases) {
    FakeJoysticks port;
    FakeKeys keys;
    TGameInput input(port, keys);
    input.SetMode(c.mode);
    keys.down = {c.key};
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(input.Button(i), i == c.button) << static_cast<int>(c.mode) << " key " << static_cast<int>(c.key)
                                                << " button " << i;
    }
  }
  // Without auto-update the state is what the last poll saw.
  FakeJoysticks port;
  FakeKeys keys;
  TGameInput input(port, keys);
  input.SetAutoUpdate(false);
  keys.down = {Key::kLeft};
  EXPECT_FALSE(input.Button(0));
  EXPECT_TRUE(input.Update());
  EXPECT_TRUE(input.Button(0));
  keys.down.clear();
  EXPECT_TRUE(input.Button(0));
}

}  // namespace
}  // namespace mavlet
