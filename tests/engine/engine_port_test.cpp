// The engine on a small fake of its port (GameServices), without a game system: what the engine
// asks of the game system, and when.
#include <gtest/gtest.h>

#include "tests/support/engine_run.h"

namespace mavlet::testing {
namespace {

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

}  // namespace
}  // namespace mavlet::testing
