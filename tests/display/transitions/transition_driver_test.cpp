#include "player/display/transitions/transition_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/backend/clock.h"
#include "tests/support/manual_clock.h"

namespace mavlet {
namespace {

using testing::ManualClock;

class RecordingHost : public TransitionHost {
 public:
  Clock& TransitionClock() override { return clock; }
  std::uint32_t FrameIntervalMs() override { return 30; }
  void StopFrameTimer() override { log.push_back("stop"); }
  void RestartFrameTimer() override { log.push_back("restart"); }
  void PresentStep(const Rect& r, bool whole) override {
    log.push_back(whole ? "flip" : "rect " + std::to_string(r.left) + "," + std::to_string(r.top));
  }
  void BetweenSteps() override {
    ++between;
    if (close_after > 0 && between >= close_after) closing = true;
  }
  bool Closing() override { return closing; }
  void PresentFinal() override { log.push_back("final"); }

  ManualClock clock{1000};
  std::vector<std::string> log;
  int between = 0;
  int close_after = 0;
  bool closing = false;
};

// A transition of `steps` steps whose step k presents rects[k] and may take time.
class Scripted : public ScreenTransition {
 public:
  Scripted(ManualClock& clock, std::vector<Rect> rects, std::vector<std::uint32_t> costs = {})
      : clock_(clock), rects_(std::move(rects)), costs_(std::move(costs)) {}
  void SetReverse(bool) override {}
  void SetArea(const Rect&) override {}
  bool Step() override {
    skips.push_back(skip_);
    if (step_ < costs_.size()) clock_.now += costs_[step_];
    current_ = rects_[step_];
    return ++step_ < rects_.size();
  }
  Rect UpdateRect() const override { return current_; }
  void SetSkipDraw(bool skip) override { skip_ = skip; }
  std::vector<bool> skips;

 private:
  ManualClock& clock_;
  std::vector<Rect> rects_;
  std::vector<std::uint32_t> costs_;
  std::size_t step_ = 0;
  Rect current_;
  bool skip_ = false;
};

constexpr Rect kScreen{0, 0, 64, 48};

TEST(TransitionDriver, PresentsEachStepWaitsElevenMillisecondsAndEndsOnTheNewScene) {
  RecordingHost host;
  Scripted t(host.clock, {kScreen, Rect{4, 5, 10, 10}, Rect{}, kScreen});
  const TransitionRun run = TransitionDriver::Run(t, host, kScreen);
  EXPECT_EQ(run.steps, 4);
  EXPECT_FALSE(run.aborted);
  EXPECT_EQ(host.log, (std::vector<std::string>{"stop", "flip", "rect 4,5", "flip", "final", "restart"}))
      << "an empty rectangle presents nothing";
  EXPECT_EQ(host.clock.now, 1000u + 3 * TransitionDriver::kStepMs) << "no wait after the last step";
  for (std::uint32_t s : host.clock.sleeps) EXPECT_LE(s, TransitionDriver::kSleepSliceMs) << "sleeps in slices";
  EXPECT_GE(host.between, 3) << "events, sound and the always stream run while waiting";
}

TEST(TransitionDriver, LateStepLetsTheNextSkipItsDrawing) {
  RecordingHost host;
  // Step 2 takes 61 ms (over two frame intervals): step 3 skips; step 3 is quick again.
  Scripted t(host.clock, {kScreen, kScreen, kScreen, kScreen}, {0, 61, 0, 0});
  TransitionDriver::Run(t, host, kScreen);
  EXPECT_EQ(t.skips, (std::vector<bool>{false, false, true, false}));
}

TEST(TransitionDriver, CloseRequestAbortsWithoutTheFinalPicture) {
  RecordingHost host;
  host.close_after = 1;
  Scripted t(host.clock, {kScreen, kScreen, kScreen});
  const TransitionRun run = TransitionDriver::Run(t, host, kScreen);
  EXPECT_TRUE(run.aborted);
  EXPECT_EQ(run.steps, 1);
  EXPECT_EQ(host.log, (std::vector<std::string>{"stop", "flip"})) << "the timer stays off while closing";
}

}  // namespace
}  // namespace mavlet
