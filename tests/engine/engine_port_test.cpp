// The engine on a small fake of its port (GameServices), without a game system: what the engine
// asks of the game system, and when.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/engine_run.h"

namespace mavlet::testing {
namespace {

// A machine so slow that every reading of the clock finds `per_read` more milliseconds gone.
class SlowMachineClock : public Clock {
 public:
  SlowMachineClock(std::uint32_t per_read, bool is_virtual) : per_read_(per_read), virtual_(is_virtual) {}
  std::uint32_t NowMs() override { return now_ += per_read_; }
  void SleepMs(std::uint32_t ms) override { now_ += ms; }
  bool Virtual() const override { return virtual_; }

 private:
  std::uint32_t now_ = 0;
  std::uint32_t per_read_;
  bool virtual_;
};

TEST(EnginePort, WaitClickWaitsForTheDecideButtonOfTheStep) {
  EngineRun run({{1, "WaitClick\nCalc ,,A = 1\n"}});
  run.Steps(3);
  EXPECT_EQ(run.Num("A"), 0);
  run.game.click = true;
  run.Steps(2);
  EXPECT_EQ(run.Num("A"), 1);
}

TEST(EnginePort, ResetAsksTheGameSystemToResetAndRedraw) {
  EngineRun run({{1, "NonStop=1\nCalc ,,A = 7\nReset ,,2\n"}, {2, "NonStop=1\nCalc ,,B = A + 1\n"}});
  run.Steps(3);
  EXPECT_EQ(run.game.resets, 1);
  EXPECT_GE(run.game.redraws, 1);
  EXPECT_EQ(run.Num("B"), 1) << "variables start afresh on the new page";
}

TEST(EnginePort, TextSkippingEndsOnADecideOrCancelPress) {
  struct Case {
    bool shown, click, cancel, still_skipping;
  };
  for (const Case c : {Case{true, false, false, true}, Case{true, true, false, false},
                       Case{true, false, true, false}, Case{false, true, false, true}}) {
    EngineRun run({{1, "Wait ,,99999\n"}});
    run.book->SetNoTextWait(true);
    run.book->SetTextShown(c.shown);
    run.game.click = c.click;
    run.game.cancel = c.cancel;
    run.Steps(1);
    EXPECT_EQ(run.book->NoTextWait(), c.still_skipping) << c.shown << c.click << c.cancel;
    if (!c.still_skipping) {
      EXPECT_FALSE(run.game.click_now || run.game.cancel_now) << "the press is used up";
    }
  }
}

TEST(EnginePort, StepThatRunsTooLongOnARealClockEndsAndSaysSoOnce) {
  std::string page = "NonStop=1\n";
  for (int i = 0; i < 200; ++i) page += "Calc ,,A = A + 1\n";
  page += "Wait ,,99999\n";
  struct Case {
    bool is_virtual;
    std::int32_t after_one_step;  // the Calcs run in the first step
  };
  // 100 ms per reading: the step passes 1 s after ten or so commands on a real clock. A virtual
  // clock's time is not the work's, so there the whole page runs in its first step.
  for (const Case c : {Case{false, 10}, Case{true, 200}}) {
    SlowMachineClock clock(100, c.is_virtual);
    EngineRun run({{1, page}}, {}, &clock);
    run.Steps(1);
    EXPECT_GE(run.Num("A"), c.after_one_step - 2) << c.is_virtual;
    EXPECT_LE(run.Num("A"), c.after_one_step) << c.is_virtual;
    run.Steps(30);
    EXPECT_EQ(run.Num("A"), 200) << "the rest ran in the following steps";
    EXPECT_EQ(run.Warnings("without waiting"), c.is_virtual ? 0 : 1) << c.is_virtual;
  }
}

}  // namespace
}  // namespace mavlet::testing
