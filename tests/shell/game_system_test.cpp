// The game system's logical buttons, latches and repeat counters, and its save keys.
#include "player/shell/game_system.h"

#include <gtest/gtest.h>

#include "player/backend/headless/headless_clock.h"
#include "player/backend/headless/headless_input.h"
#include "player/backend/headless/headless_sound.h"
#include "player/common/log.h"
#include "player/storage/game_status.h"

namespace mavlet {
namespace {

TEST(GameSystem, DecideReportsEachPressInOneStepToEveryQuery) {
  HeadlessInput in;
  TGameSystem sys(in);
  struct Step {
    const char* what;
    void (*input)(HeadlessInput&);
    bool decide;
    bool held;
  };
  const Step steps[] = {
      {"press", [](HeadlessInput& i) { i.Hold(MouseButton::kLeft); }, true, true},
      {"still held", [](HeadlessInput&) {}, false, true},
      {"released", [](HeadlessInput& i) { i.Release(MouseButton::kLeft); }, false, false},
      {"space", [](HeadlessInput& i) { i.Hold(Key::kSpace); }, true, true},
      {"let go", [](HeadlessInput& i) { i.ReleaseAll(); }, false, false},
      {"enter", [](HeadlessInput& i) { i.Hold(Key::kEnter); }, true, true},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    s.input(in);
    sys.BeginStep();
    // Every query of the step gets the same answer.
    for (int q = 0; q < 3; ++q) {
      EXPECT_EQ(sys.ClickPressed(), s.decide);
      EXPECT_EQ(sys.ClickHeld(), s.held);
      EXPECT_FALSE(sys.CancelPressed());  // the cancel button has its own latch
    }
  }
}

TEST(GameSystem, BothButtonsAreSampledTogetherAndConsumedTogether) {
  HeadlessInput in;
  TGameSystem sys(in);
  in.Hold(MouseButton::kLeft);
  in.Hold(Key::kEscape);
  sys.BeginStep();
  // Asking for decide first no longer loses a cancel pressed in the same step.
  EXPECT_TRUE(sys.ClickPressed());
  EXPECT_TRUE(sys.CancelPressed());
  sys.ConsumePresses();
  EXPECT_FALSE(sys.ClickPressed());
  EXPECT_FALSE(sys.CancelPressed());
  EXPECT_TRUE(sys.ClickHeld());
  sys.BeginStep();
  EXPECT_FALSE(sys.ClickPressed()) << "a press is reported in one step only";
}

TEST(GameSystem, ListKeysAndWheelPerStep) {
  HeadlessInput in;
  TGameSystem sys(in);
  in.Hold(Key::kPageDown);
  in.Wheel(2);
  in.Wheel(-3);
  sys.BeginStep();
  EXPECT_TRUE(sys.NavigationPressed(NavigationKey::kPageDown));
  EXPECT_FALSE(sys.NavigationPressed(NavigationKey::kHome));
  EXPECT_EQ(sys.WheelSteps(), -1);
  EXPECT_EQ(sys.WheelSteps(), -1) << "the step's notches stay for every query";
  sys.BeginStep();
  EXPECT_FALSE(sys.NavigationPressed(NavigationKey::kPageDown)) << "held is not pressed again";
  EXPECT_EQ(sys.WheelSteps(), 0);
  in.ReleaseAll();
  in.Hold(Key::kEnd);
  in.SetActive(false);
  in.Wheel(4);
  sys.BeginStep();
  EXPECT_FALSE(sys.NavigationPressed(NavigationKey::kEnd)) << "inactive";
  EXPECT_EQ(sys.WheelSteps(), 0);
}

TEST(GameSystem, ButtonSources) {
  struct Case {
    const char* what;
    void (*press)(HeadlessInput&);
    bool decide;
    bool cancel;
  };
  const Case cases[] = {
      {"left button", [](HeadlessInput& i) { i.Hold(MouseButton::kLeft); }, true, false},
      {"right button", [](HeadlessInput& i) { i.Hold(MouseButton::kRight); }, false, true},
      {"escape", [](HeadlessInput& i) { i.Hold(Key::kEscape); }, false, true},
      {"backspace", [](HeadlessInput& i) { i.Hold(Key::kBackspace); }, false, true},
      {"left button outside", [](HeadlessInput& i) {
         i.SetMouse({-1, -1});
         i.Hold(MouseButton::kLeft);
       }, false, false},
      {"enter while inactive", [](HeadlessInput& i) {
         i.SetActive(false);
         i.Hold(Key::kEnter);
       }, false, false},
  };
  for (const Case& c : cases) {
    HeadlessInput in;
    TGameSystem sys(in);
    c.press(in);
    sys.BeginStep();
    EXPECT_EQ(sys.ClickPressed(), c.decide) << c.what;
    EXPECT_EQ(sys.CancelPressed(), c.cancel) << c.what;
  }
}

TEST(GameSystem, PressDraggedOutsideStaysDown) {
  HeadlessInput in;
  TGameSystem sys(in);
  in.Hold(MouseButton::kLeft);
  sys.BeginStep();
  EXPECT_TRUE(sys.ClickHeld());
  in.SetMouse({-1, -1});
  sys.BeginStep();
  EXPECT_TRUE(sys.ClickHeld());
  EXPECT_EQ(sys.MousePos(), (Point{-1, -1}));
}

TEST(GameSystem, DirectionRepeatsAfter20ThenEvery5Queries) {
  HeadlessInput in;
  TGameSystem sys(in);
  in.Hold(Key::kDown);
  std::vector<int> reports;
  for (int q = 1; q <= 36; ++q)
    if (sys.DirectionPressed(1)) reports.push_back(q);
  EXPECT_EQ(reports, (std::vector<int>{1, 21, 26, 31, 36}));
  EXPECT_FALSE(sys.DirectionPressed(0));  // up has its own counter
  in.ReleaseAll();
  EXPECT_FALSE(sys.DirectionPressed(1));
  in.Hold(Key::kDown);
  EXPECT_TRUE(sys.DirectionPressed(1));  // a new press reports at once
  EXPECT_FALSE(sys.DirectionPressed(7));
}

TEST(GameSystem, SaveWritesSoundAndCursorButLoadKeepsTheSoundSwitch) {
  HeadlessInput in;
  HeadlessClock clock;
  HeadlessSoundDevice device(clock);
  MemoryLog log;
  TGameSystem sys(in, {}, nullptr, SoundServices{&device, &clock, &log});
  sys.SetSoundOn(true);
  sys.SetCursor("hand.cur");
  TGameStatus status({}, 0);
  sys.SaveToStatus(status);
  ASSERT_GE(status.Lines().size(), 2u);  // layers, channels and effects follow
  EXPECT_EQ(status.Lines()[0], "@SoundOn=1");
  EXPECT_EQ(status.Lines()[1], "@Cursor=hand.cur");
  TGameSystem other(in);
  other.LoadFromStatus(status);
  EXPECT_EQ(other.Cursor(), "hand.cur");
  EXPECT_FALSE(other.IsSoundOn());

  GameSystemOptions no_sound;
  no_sound.has_sound = false;
  TGameSystem quiet(in, no_sound, nullptr, SoundServices{&device, &clock, &log});
  quiet.SetSoundOn(true);
  EXPECT_FALSE(quiet.IsSoundOn());
  // Without a sound device sound cannot be switched on either.
  TGameSystem deaf(in);
  deaf.SetSoundOn(true);
  EXPECT_FALSE(deaf.IsSoundOn());
  EXPECT_TRUE(deaf.ChannelOutput(0));
  EXPECT_EQ(deaf.ChannelVolume(3), 100);
}

}  // namespace
}  // namespace mavlet
