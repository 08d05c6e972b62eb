// Scenario-level tests of the streams: logic steps, conditions, page cache, always stream.
#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "player/engine/book_manager.h"
#include "player/vars/param_manager.h"
#include "tests/support/test_title.h"
#include "tests/support/trace.h"

namespace mavlet::testing {
namespace {

using V = std::vector<std::string>;

TEST(Interpreter, CommentsCostOneLogicStepEachUnlessNonStop) {
  struct Case {
    const char* text;
    V event2;
  };
  const Case cases[] = {
      {"Comment\nComment\nComment\n", {"1:0:TComComment", "1:1:TComComment"}},
      {"NonStop=1\nComment\nComment\nComment\n", {"1:0:TComComment", "1:1:TComComment", "1:2:TComComment"}},
      // Flags 2 on the first two; the third ends the step.
      {"Calc 2\nCalc 2\nCalc\nCalc\n", {"1:0:TComCalc", "1:1:TComCalc", "1:2:TComCalc", "1:3:TComCalc"}},
  };
  for (const Case& c : cases) {
    TestTitle t;
    t.Scenario(1, c.text);
    auto r = RunTitle(t, 2, Traced());
    EXPECT_EQ(Steps(r->TakeTrace(), 2), c.event2) << c.text;
  }
}

TEST(Interpreter, FalseConditionIsSkippedWithinTheSameStep) {
  TestTitle t;
  t.Nums({"A"});
  t.Scenario(1, "Calc ,A = 1,A = 5 + 0\nCalc ,,A = A + 1\nComment\n");
  auto r = RunTitle(t, 2, Traced());
  // Step 1: index 0 skipped, index 1 runs; step 2: the comment.
  EXPECT_EQ(Steps(r->TakeTrace()), (V{"1:1:TComCalc", "1:2:TComComment"}));
  EXPECT_EQ(r->Num("A"), 1);
}

TEST(Interpreter, AnyModeAndAllModeConditions) {
  TestTitle t;
  t.Nums({"A", "B", "R1", "R2", "R3", "R4"});
  t.Scenario(1,
             "NonStop=1\n"
             "Calc ,,A = 1\n"
             "Calc ,,B = 2\n"
             "Calc ,|A = 9;B = 2,R1 = 1\n"     // any: second clause holds
             "Calc ,A = 1;B = 3,R2 = 1\n"      // all: second fails
             "Calc ,|Missing = 1;A = 1,R3 = 1\n"  // a missing variable fails the whole condition
             "Calc ,|,R4 = 1\n");              // only "|": false
  auto r = RunTitle(t, 2);
  const std::pair<const char*, int> results[] = {{"R1", 1}, {"R2", 0}, {"R3", 0}, {"R4", 0}};
  for (const auto& [name, want] : results) EXPECT_EQ(r->Num(name), want) << name;
}

TEST(Interpreter, JumpToItselfRunsOncePerStepWithoutRetestingItsCondition) {
  TestTitle t;
  t.Nums({"A"});
  t.Scenario(1, "Jump ,A = 0,1,,0\n");
  auto r = RunTitle(t, 3, Traced());
  EXPECT_EQ(Steps(r->TakeTrace()), (V(4, "1:0:TComJump")));
  r->R().Book().Params().Find("A")->SetNum(1);  // the condition is not tested again
  r->Events(1);
  EXPECT_EQ(Steps(r->TakeTrace()).size(), 2u);
}

TEST(Interpreter, ReturnOnEmptyStackEndsTheStream) {
  TestTitle t;
  t.Nums({"A"});
  t.Scenario(1, "NonStop=1\nReturn\nCalc ,,A = 1\n");
  RunOptions o;
  o.until_end = true;
  TitleRun r(t, o);
  r.Load();
  r.R().Run();
  EXPECT_TRUE(r.R().MainEnded());
  EXPECT_EQ(r.R().EventsRun(), 2);
  EXPECT_EQ(r.Num("A"), 0);
}

TEST(Interpreter, JumpAcrossPagesAndNegativeIndex) {
  TestTitle t;
  t.Nums({"A"});
  t.Scenario(1, "NonStop=1\nJump ,,2,,-5\n");
  t.Scenario(2, "NonStop=1\nCalc ,,A = A + 1\nCalc ,,A = A + 10\n");
  auto r = RunTitle(t, 2, Traced());
  EXPECT_EQ(r->Num("A"), 11);
  EXPECT_EQ(Steps(r->TakeTrace()), (V{"1:0:TComJump", "2:0:TComCalc", "2:1:TComCalc"}));
}

TEST(Interpreter, PageCacheKeepsThreePages) {
  TestTitle t;
  t.Nums({"A"});
  // Page 1 loops through pages 2, 3 and 4, one page per logic step.
  t.Scenario(1, "Calc ,,A = A + 1\nJump ,,2\n");
  t.Scenario(2, "Jump ,,3\n");
  t.Scenario(3, "Jump ,,1\n");
  auto r = RunTitle(t, 3);  // 1, 2, 3 loaded; back on page 1
  const int a = r->Num("A");
  // Deleted files keep running from the cache.
  t.RemoveScenario(2);
  r->Events(4);
  EXPECT_GT(r->Num("A"), a);
  EXPECT_TRUE(r->R().Messages().Messages().empty());

  // A fourth page pushes the oldest out: page 1 must then be read again, and is gone.
  TestTitle t2;
  t2.Scenario(1, "NonStop=1\nJump ,,2\n");
  t2.Scenario(2, "Jump ,,3\n");
  t2.Scenario(3, "Jump ,,4\n");
  t2.Scenario(4, "Jump ,,1\n");
  auto r2 = RunTitle(t2, 2);  // pages 4, 3 and 2 cached, standing on page 4
  t2.RemoveScenario(1);
  t2.RemoveScenario(2);
  r2->Events(1);
  ASSERT_EQ(r2->R().Messages().Messages().size(), 1u);
  EXPECT_EQ(r2->R().Messages().Messages()[0].text, "シナリオ1がありません");
  EXPECT_TRUE(r2->R().MainEnded());
  r2->Events(3);  // the empty page stays cached: no second message
  EXPECT_EQ(r2->R().Messages().Messages().size(), 1u);
}

TEST(Interpreter, LooseFileBeatsArchiveAndArchivesAreSearched) {
  TestTitle t;
  t.Nums({"A"});
  t.Archive(2, {{1, "NonStop=1\nCalc ,,A = 1\nJump ,,5\n"}, {5, "Calc ,,A = A + 100\n"}});
  t.Scenario(1, "NonStop=1\nCalc ,,A = 2\nJump ,,5\n");
  auto r = RunTitle(t, 2);
  EXPECT_EQ(r->Num("A"), 102);
}

TEST(Interpreter, NowPageRequestsAPageAndClearsTheStack) {
  TestTitle t;
  t.Nums({"A", "D"});
  t.Scenario(1, "NonStop=1\nCall ,,2\n");
  t.Scenario(2, "NonStop=1\nCalc ,,@NowPage = 3\nCalc ,,A = 1\n");
  t.Scenario(3, "NonStop=1\nGetStack D,0\nCalc ,,A = A + 10\nReturn\n");
  auto r = RunTitle(t, 2);  // the request ends the step; the next starts page 3
  EXPECT_EQ(r->Num("A"), 10);
  EXPECT_EQ(r->Num("D"), 0);  // stack was cleared
  EXPECT_TRUE(r->R().MainEnded());
}

TEST(Interpreter, AlwaysStreamRunsAtMostEvery30ms) {
  TestTitle t;
  t.Nums({"N"});
  t.Scenario(1, "IntCall ,,1,9\nWait ,,100000\n");
  t.Scenario(9, "Calc ,,N = N + 1\nComment\n");  // runs to its end each time
  // The first Wait step runs it at once; then once per 30 ms of virtual time. At 60 ms per
  // event the countdown lands on 0 and the second step of each event runs it again: two runs
  // per event catch up with the time. At 10 ms the first run leaves 10 ms of countdown (20 ms
  // had passed), then one run per 30 ms: events 2, 3, 6, ..., 30.
  struct Case {
    std::uint32_t interval;
    int runs;
  };
  for (const Case& c : {Case{30, 30}, Case{10, 11}, Case{60, 59}}) {
    RunOptions o;
    o.config.interval = static_cast<std::int32_t>(c.interval);
    auto r = RunTitle(t, 31, o);  // 30 events after the restart, 60 logic steps
    EXPECT_EQ(r->Num("N"), c.runs) << c.interval;
  }
}

TEST(Interpreter, AlwaysStreamNeverRunsWithoutIntCall) {
  TestTitle t;
  t.Nums({"N"});
  t.Scenario(1, "Wait ,,100000\n");
  t.Scenario(9, "Calc ,,N = N + 1\n");
  auto r = RunTitle(t, 10);
  EXPECT_EQ(r->Num("N"), 0);
}

TEST(Interpreter, EndlessRunsAreCutWithAWarning) {
  TestTitle t;
  t.Nums({"A"});
  // A non-stop loop in the main stream, and an always stream that never ends.
  t.Scenario(1, "NonStop=1\nLabel ,,top\nCalc ,,A = A + 1\nJump ,,1,,0\n");
  auto r = RunTitle(t, 2);  // two steps, each cut at the bound
  EXPECT_EQ(r->Num("A"), static_cast<int>(2 * TBookManager::kMaxRunCommands / 3) + 1);
  EXPECT_NE(r->Errors().find("in one logic step"), std::string::npos) << r->Errors();

  TestTitle t2;
  t2.Scenario(1, "IntCall ,,1,9\nWaitClick\n");
  t2.Scenario(9, "NonStop=1\nWaitClick\n");  // waits inside the always stream forever
  auto r2 = RunTitle(t2, 2);
  EXPECT_NE(r2->Errors().find("did not end"), std::string::npos) << r2->Errors();
}

TEST(Interpreter, NestedRunsShareOneBudgetPerStep) {
  // Each after-load page loops, loading again with itself as the after-load page: with a bound
  // per run, nesting would multiply the bounds (exponential in the depth) and freeze the player.
  TestTitle t;
  t.Nums({"A"});
  t.Scenario(1, "NonStop=1\nLabel ,,top\nLoadGame ,,0,1\nJump ,,1,,0\n");
  RunOptions options;
  options.max_run_commands = 2000;
  auto r = RunTitle(t, 3, options);
  EXPECT_NE(r->Errors().find("in one logic step"), std::string::npos) << r->Errors();
}

TEST(Interpreter, RepeatedErrorIsShownOnce) {
  TestTitle t;
  t.Nums({"A"});
  // Assigning @TickCount raises on every step from the same command.
  t.Scenario(1, "Calc ,,@TickCount = 5\n");
  auto r = RunTitle(t, 5);
  EXPECT_EQ(r->R().Messages().Messages().size(), 1u);
}

TEST(Interpreter, WaitingCommandOnANonStopPageWaitsForTheNextStep) {
  TestTitle t;
  t.Nums({"A"});
  t.Scenario(1, "NonStop=1\nComment\nWaitClick\nCalc ,,A = 1\n");
  auto r = RunTitle(t, 3, Traced());
  // One execution per logic step, no spinning inside a step.
  EXPECT_EQ(Steps(r->TakeTrace()),
            (V{"1:0:TComComment", "1:1:TComWaitClick", "1:1:TComWaitClick", "1:1:TComWaitClick",
               "1:1:TComWaitClick"}));
  EXPECT_EQ(r->Errors(), "");
}

TEST(Interpreter, DecideOrCancelEndsSkipModeOnlyWhileTextIsShown) {
  struct Case {
    InputAction::Kind key;
    bool text_shown;
    bool still_skipping;
  };
  const Case cases[] = {
      {InputAction::Kind::kClick, true, false},
      {InputAction::Kind::kCancel, true, false},
      {InputAction::Kind::kClick, false, true},
      {InputAction::Kind::kUp, true, true},
  };
  for (const Case& c : cases) {
    TestTitle t;
    t.Nums({"W"});
    t.Scenario(1, "Calc ,,@NoTextWait = ON\nCalc ,,W = @NoTextWait\nWait ,,99999\n");
    RunOptions o;
    o.input = {{4, c.key}};
    auto r = RunTitle(t, 2, o);
    EXPECT_EQ(r->Num("W"), 1);
    r->Book().SetTextShown(c.text_shown);
    r->Events(3);
    EXPECT_EQ(r->Book().NoTextWait(), c.still_skipping) << static_cast<int>(c.key) << c.text_shown;
  }
}

TEST(Interpreter, WaitsInsideRunsToTheEndSleepOnTheClock) {
  // A Wait in the always stream and in the page run after LoadGame waits for its time on the
  // (virtual) clock: the run ends, the main stream goes on, and nothing is cut off.
  TestTitle t;
  t.Registry("Software\\Mavlet\\Test");
  t.Nums({"N", "A", "L"});
  t.Scenario(1, "IntCall ,,1,9\nWait ,,200\nCalc ,,A = 1\nIntCall ,,1,-1\n"
                "SaveGame ,,0\nLoadGame ,L = 0,0,50\nWait ,,99999\n");
  t.Scenario(9, "NonStop=1\nWait ,,100\nCalc ,,N = N + 1\n");
  t.Scenario(50, "NonStop=1\nWait ,,70\nCalc ,,L = 1\n");
  RunOptions options;
  options.save_dir = t.Folder() / "saves";
  auto r = RunTitle(t, 2, options);
  EXPECT_GE(r->Num("N"), 1) << "the always stream's Wait ended inside its run";
  const std::uint32_t before = r->R().VirtualClock().NowMs();
  r->Events(8);
  EXPECT_EQ(r->Num("A"), 1) << "the main stream went on";
  EXPECT_EQ(r->Num("L"), 1) << "the after-load page's Wait ended";
  EXPECT_GE(r->R().VirtualClock().NowMs() - before, 70u);
  EXPECT_EQ(r->Errors().find("did not end"), std::string::npos) << r->Errors();
  EXPECT_EQ(r->Errors().find("in one logic step"), std::string::npos) << r->Errors();
}

}  // namespace
}  // namespace mavlet::testing
