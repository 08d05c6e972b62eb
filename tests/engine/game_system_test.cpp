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

TEST(GameSystem, DecideReportsEachPressOnce) {
  HeadlessInput in;
  TGameSystem sys(in);
  in.Hold(MouseButton::kLeft);
  EXPECT_TRUE(sys.ClickPressed());
  EXPECT_FALSE(sys.ClickPressed());
  EXPECT_FALSE(sys.ClickPressed());
  EXPECT_TRUE(sys.ClickHeld());
  in.Release(MouseButton::kLeft);
  EXPECT_FALSE(sys.ClickPressed());  // seen released: latch cleared
  in.Hold(Key::kSpace);
  EXPECT_TRUE(sys.ClickPressed());
  in.ReleaseAll();
  EXPECT_FALSE(sys.ClickPressed());
  in.Hold(Key::kEnter);
  EXPECT_TRUE(sys.ClickPressed());
  EXPECT_FALSE(sys.CancelPressed());  // the cancel button has its own latch
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
    EXPECT_EQ(sys.ClickPressed(), c.decide) << c.what;
    EXPECT_EQ(sys.CancelPressed(), c.cancel) << c.what;
  }
}

TEST(GameSystem, PressDraggedOutsideStaysDown) {
  HeadlessInput in;
  TGameSystem sys(in);
  in.Hold(MouseButton::kLeft);
  EXPECT_TRUE(sys.ClickHeld());
  in.SetMouse({-1, -1});
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
