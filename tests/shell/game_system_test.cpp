// The game system's logical buttons, latches and repeat counters, and its save keys.
#include "player/shell/game_system.h"
#include "tests/shell/quiet_game_parts.h"

#include <gtest/gtest.h>

#include "player/backend/headless/headless_clock.h"
#include "player/backend/headless/headless_input.h"
#include "player/backend/headless/headless_sound.h"
#include "player/common/error.h"
#include "player/common/log.h"
#include "player/storage/game_status.h"

namespace mavlet {
namespace {

TEST(GameSystem, DecideReportsEachPressOnceToTheFirstQuery) {
  HeadlessInput in;
  QuietGameParts sys_parts;
  TGameSystem sys(in, sys_parts.glyphs, sys_parts.Sound());
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
    EXPECT_EQ(sys.Buttons().ClickHeld(), s.held);  // looking takes nothing
    EXPECT_EQ(sys.ClickPressed(), s.decide);
    // Later queries of the step wait for a new press.
    for (int q = 0; q < 2; ++q) {
      EXPECT_FALSE(sys.ClickPressed());
      EXPECT_EQ(sys.Buttons().ClickHeld(), s.held);
      EXPECT_FALSE(sys.CancelPressed());  // the cancel button has its own press
    }
  }
}

TEST(GameSystem, EachButtonIsTakenByItsOwnQuery) {
  HeadlessInput in;
  QuietGameParts sys_parts;
  TGameSystem sys(in, sys_parts.glyphs, sys_parts.Sound());
  in.Hold(MouseButton::kLeft);
  in.Hold(Key::kEscape);
  sys.BeginStep();
  // Asking for decide first does not lose a cancel pressed in the same step.
  EXPECT_TRUE(sys.ClickPressed());
  EXPECT_TRUE(sys.CancelPressed());
  EXPECT_FALSE(sys.ClickPressed());
  EXPECT_FALSE(sys.CancelPressed());
  in.ReleaseAll();
  sys.BeginStep();
  in.Hold(Key::kSpace);
  in.Hold(MouseButton::kRight);
  sys.BeginStep();
  sys.ConsumePresses();  // taken, reported to nobody
  EXPECT_FALSE(sys.ClickPressed());
  EXPECT_FALSE(sys.CancelPressed());
  EXPECT_TRUE(sys.Buttons().ClickHeld());
}

TEST(GameSystem, UnaskedInputIsKeptAsLongAsItsArrivalAllows) {
  struct Case {
    const char* what;
    bool inside;   // arrived while a run inside the step kept the window alive
    bool held;     // still down when asked
    int steps;     // steps begun after the arrival, before asking
    bool decide;
    int wheel;     // one notch arrived with the press
  };
  const Case cases[] = {
      {"tap at a step's start, asked in that step", false, false, 0, true, 1},
      {"tap at a step's start, asked in the next", false, false, 1, false, 0},
      {"tap inside a step, asked in that step", true, false, 0, true, 1},
      {"tap inside a step, asked in the next", true, false, 1, true, 1},
      {"tap inside a step, asked two steps later", true, false, 2, false, 0},
      {"press held, asked three steps later", false, true, 3, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HeadlessInput in;
    QuietGameParts sys_parts;
    TGameSystem sys(in, sys_parts.glyphs, sys_parts.Sound());
    sys.BeginStep();
    in.Hold(MouseButton::kLeft);
    in.Wheel(1);
    if (c.inside) {
      sys.KeepAlive();
      sys.KeepAlive();  // a second look inside the step does not lose it
    } else {
      sys.BeginStep();
    }
    if (!c.held) {
      in.Release(MouseButton::kLeft);
      sys.KeepAlive();
    }
    for (int k = 0; k < c.steps; ++k) sys.BeginStep();
    EXPECT_EQ(sys.ClickPressed(), c.decide);
    EXPECT_FALSE(sys.ClickPressed());
    EXPECT_EQ(sys.Buttons().WheelSteps(), c.wheel);
    EXPECT_EQ(sys.Buttons().WheelSteps(), 0);
  }
}

TEST(GameSystem, ListKeysAndWheelAreTakenByTheirQueries) {
  HeadlessInput in;
  QuietGameParts sys_parts;
  TGameSystem sys(in, sys_parts.glyphs, sys_parts.Sound());
  in.Hold(Key::kPageDown);
  in.Wheel(2);
  in.Wheel(-3);
  sys.BeginStep();
  EXPECT_TRUE(sys.Buttons().NavigationPressed(NavigationKey::kPageDown));
  EXPECT_FALSE(sys.Buttons().NavigationPressed(NavigationKey::kPageDown)) << "reported already";
  EXPECT_FALSE(sys.Buttons().NavigationPressed(NavigationKey::kHome));
  EXPECT_EQ(sys.Buttons().WheelSteps(), -1);
  EXPECT_EQ(sys.Buttons().WheelSteps(), 0) << "the notches went to the first query";
  sys.BeginStep();
  EXPECT_FALSE(sys.Buttons().NavigationPressed(NavigationKey::kPageDown)) << "held is not pressed again";
  EXPECT_EQ(sys.Buttons().WheelSteps(), 0);
  in.ReleaseAll();
  in.Hold(Key::kEnd);
  in.Hold(MouseButton::kLeft);
  sys.BeginStep();
  in.SetActive(false);
  in.Wheel(4);
  sys.BeginStep();
  EXPECT_FALSE(sys.Buttons().NavigationPressed(NavigationKey::kEnd)) << "inactive";
  EXPECT_EQ(sys.Buttons().WheelSteps(), 0);
  in.Release(MouseButton::kLeft);
  in.SetActive(true);
  EXPECT_FALSE(sys.ClickPressed()) << "nothing waits through an inactive spell";
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
    QuietGameParts sys_parts;
    TGameSystem sys(in, sys_parts.glyphs, sys_parts.Sound());
    c.press(in);
    sys.BeginStep();
    EXPECT_EQ(sys.ClickPressed(), c.decide) << c.what;
    EXPECT_EQ(sys.CancelPressed(), c.cancel) << c.what;
  }
}

TEST(GameSystem, PressDraggedOutsideStaysDown) {
  HeadlessInput in;
  QuietGameParts sys_parts;
  TGameSystem sys(in, sys_parts.glyphs, sys_parts.Sound());
  in.Hold(MouseButton::kLeft);
  sys.BeginStep();
  EXPECT_TRUE(sys.Buttons().ClickHeld());
  in.SetMouse({-1, -1});
  sys.BeginStep();
  EXPECT_TRUE(sys.Buttons().ClickHeld());
  EXPECT_EQ(sys.Buttons().MousePos(), (Point{-1, -1}));
}

TEST(GameSystem, DirectionRepeatsAfter20ThenEvery5Queries) {
  HeadlessInput in;
  QuietGameParts sys_parts;
  TGameSystem sys(in, sys_parts.glyphs, sys_parts.Sound());
  in.Hold(Key::kDown);
  std::vector<int> reports;
  for (int q = 1; q <= 36; ++q)
    if (sys.Buttons().DirectionPressed(1)) reports.push_back(q);
  EXPECT_EQ(reports, (std::vector<int>{1, 21, 26, 31, 36}));
  EXPECT_FALSE(sys.Buttons().DirectionPressed(0));  // up has its own counter
  in.ReleaseAll();
  EXPECT_FALSE(sys.Buttons().DirectionPressed(1));
  in.Hold(Key::kDown);
  EXPECT_TRUE(sys.Buttons().DirectionPressed(1));  // a new press reports at once
  EXPECT_FALSE(sys.Buttons().DirectionPressed(7));
}

TEST(GameSystem, SaveWritesSoundAndCursorButLoadKeepsTheSoundSwitch) {
  HeadlessInput in;
  HeadlessClock clock;
  HeadlessSoundDevice device(clock);
  MemoryLog log;
  QuietGameParts parts;
  TGameSystem sys(in, parts.glyphs, SoundServices{&device, &clock, &log});
  sys.Sound().SetSoundOn(true);
  sys.Screen().SetCursor("hand.cur");
  TGameStatus status({}, 0);
  sys.SaveToStatus(status);
  ASSERT_GE(status.Lines().size(), 2u);  // layers, channels and effects follow
  EXPECT_EQ(status.Lines()[0], "@SoundOn=1");
  EXPECT_EQ(status.Lines()[1], "@Cursor=hand.cur");
  QuietGameParts other_parts;
  TGameSystem other(in, other_parts.glyphs, other_parts.Sound());
  other.LoadFromStatus(status);
  EXPECT_EQ(other.Screen().Cursor(), "hand.cur");
  EXPECT_FALSE(other.Sound().IsSoundOn());

  GameSystemOptions no_sound;
  no_sound.has_sound = false;
  TGameSystem quiet(in, parts.glyphs, SoundServices{&device, &clock, &log}, no_sound);
  quiet.Sound().SetSoundOn(true);
  EXPECT_FALSE(quiet.Sound().IsSoundOn());
  // Without a sound device sound cannot be switched on either.
  QuietGameParts deaf_parts;
  TGameSystem deaf(in, deaf_parts.glyphs, deaf_parts.Sound());
  deaf.Sound().SetSoundOn(true);
  EXPECT_FALSE(deaf.Sound().IsSoundOn());
  EXPECT_TRUE(deaf.Values().ChannelOutput(0));
  EXPECT_EQ(deaf.Values().ChannelVolume(3), 100);
}

// Sound output comes whole from the composition root: a part left out is refused at once
// instead of being read through a null pointer when sound is first used.
TEST(GameSystem, MissingSoundOutputIsRefused) {
  HeadlessInput in;
  QuietGameParts parts;
  const struct {
    const char* what;
    SoundServices sound;
  } cases[] = {
      {"no device", {nullptr, &parts.clock, &parts.log}},
      {"no clock", {&parts.silent, nullptr, &parts.log}},
      {"no log", {&parts.silent, &parts.clock, nullptr}},
  };
  for (const auto& c : cases) {
    EXPECT_THROW(TGameSystem(in, parts.glyphs, c.sound), MavError) << c.what;
  }
  EXPECT_NO_THROW(TGameSystem(in, parts.glyphs, parts.Sound()));
}

}  // namespace
}  // namespace mavlet
