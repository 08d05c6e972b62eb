#include "player/shell/frame_loop.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace mavlet {
namespace {

// Records the calls as one letter each: R restart, F full screen, P flip, T tick, A audio, C compose.
class RecordingClient : public FrameClient {
 public:
  bool ready = true;
  bool active = true;
  bool can_draw = true;
  int terminate_after_ticks = -1;
  bool fail_full_screen = false;
  std::string calls;
  int ticks = 0;

  bool Ready() override { return ready; }
  void Restart() override { calls += 'R'; }
  void EnterFullScreen() override {
    calls += 'F';
    if (fail_full_screen) throw std::runtime_error("no full screen");
  }
  bool ApplicationActive() override { return active; }
  void FlipScreen() override { calls += 'P'; }
  void Tick() override {
    calls += 'T';
    ++ticks;
  }
  bool Terminating() override { return terminate_after_ticks >= 0 && ticks >= terminate_after_ticks; }
  void UpdateAudio() override { calls += 'A'; }
  bool CanDraw() override { return can_draw; }
  void Compose() override { calls += 'C'; }
};

TEST(FrameLoopTest, FirstEventRestartsWithoutLogicStep) {
  RecordingClient client;
  FrameLoop loop(client, /*full_screen_at_start=*/true);
  loop.OnTimer(3);
  EXPECT_EQ(client.calls, "RF");
  EXPECT_TRUE(loop.Started());
}

TEST(FrameLoopTest, NothingRunsUntilReady) {
  RecordingClient client;
  client.ready = false;
  FrameLoop loop(client, false);
  loop.OnTimer(1);
  EXPECT_EQ(client.calls, "");
  EXPECT_FALSE(loop.Started());
}

// Steps and draws per event for a given lag; the first later event also flips once.
TEST(FrameLoopTest, LogicStepsPerLag) {
  struct Case {
    std::uint32_t lag;
    const char* calls;
  };
  const Case cases[] = {
      {1, "PTATAC"},
      {2, "PTATATAC"},
      {10, "PTATATATATATATATATATATAC"},
      {25, "PTATATATATATATATATATATAC"},  // capped at 11 steps, still one draw
  };
  for (const Case& c : cases) {
    RecordingClient client;
    FrameLoop loop(client, false);
    loop.OnTimer(1);
    client.calls.clear();
    loop.OnTimer(c.lag);
    EXPECT_EQ(client.calls, c.calls) << "lag " << c.lag;
  }
}

TEST(FrameLoopTest, FlipOnlyWhenRequestedOrInactive) {
  RecordingClient client;
  FrameLoop loop(client, false);
  loop.OnTimer(1);
  loop.OnTimer(1);
  client.calls.clear();
  loop.OnTimer(1);
  EXPECT_EQ(client.calls, "TATAC");
  client.calls.clear();
  loop.RequestFlip();
  loop.OnTimer(1);
  EXPECT_EQ(client.calls, "PTATAC");
  client.calls.clear();
  client.active = false;
  loop.OnTimer(1);
  EXPECT_EQ(client.calls, "PTATAC");
}

TEST(FrameLoopTest, NoDrawWhenDisplayCannotDrawAndStopOnTerminate) {
  RecordingClient client;
  FrameLoop loop(client, false);
  loop.OnTimer(1);
  client.calls.clear();
  client.can_draw = false;
  loop.OnTimer(1);
  EXPECT_EQ(client.calls, "PTATA");
  client.calls.clear();
  client.can_draw = true;
  client.terminate_after_ticks = client.ticks + 2;
  loop.OnTimer(5);
  EXPECT_EQ(client.calls, "TAT") << "no audio or drawing after the step that asked to quit";
}

TEST(FrameLoopTest, FailedFullScreenSwitchLeavesTitleRunning) {
  RecordingClient client;
  client.fail_full_screen = true;
  FrameLoop loop(client, true);
  EXPECT_THROW(loop.OnTimer(1), std::runtime_error);
  client.calls.clear();
  loop.OnTimer(1);
  EXPECT_EQ(client.calls, "PTATAC") << "no second restart";
}

}  // namespace
}  // namespace mavlet
