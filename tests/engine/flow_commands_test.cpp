// Flow-control and variable commands, run by the engine alone on scenarios in memory.
#include <gtest/gtest.h>

#include "player/engine/book_manager.h"
#include "player/engine/flow_commands.h"
#include "player/vars/param_manager.h"
#include "tests/support/engine_run.h"
#include "tests/support/scenario_text.h"

namespace mavlet::testing {
namespace {

int CountNamed(TBookManager& book, std::string_view name) {
  int n = 0;
  for (std::size_t i = 0; i < book.Params().Count(); ++i) n += book.Params().At(i).Name() == name;
  return n;
}

TEST(FlowCommands, CallPushesNextIndexAndGetStackReadsIt) {
  struct Case {
    const char* callee;
    int d;
    int a;
    bool ended;
  };
  const Case cases[] = {
      {"NonStop=1\nGetStack D,0\nReturn\n", 196616, 1, false},     // 3 * 65536 + 8
      {"NonStop=1\nGetStack D,0,1\nReturn\n", 196616, 0, true},    // removed: Return ends
      {"NonStop=1\nGetStack D,5\nReturn\n", 0, 1, false},          // too deep in the main stream: 0
      {"NonStop=1\nGetStack Missing,0\nReturn\n", 0, 1, false},    // no variable: moves on
  };
  for (const Case& c : cases) {
    EngineRun r({{1, "NonStop=1\nJump ,,3\n"},
                 {3, "NonStop=1\n" + Comments(7) + "Call ,,4\nCalc ,,A = 1\nWait ,,99999\n"},
                 {4, c.callee}},
                {.nums = {"A", "D"}});
    r.Steps(2);
    EXPECT_EQ(r.Num("D"), c.d) << c.callee;
    EXPECT_EQ(r.Num("A"), c.a) << c.callee;
    EXPECT_EQ(r.MainEnded(), c.ended) << c.callee;
  }
}

TEST(FlowCommands, GetStackInAHandlerSeesTheMainPosition) {
  EngineRun r({{1, "IntCall ,,1,9\nWait ,,99999\n"},
               // The handler also restarts itself on page 8: its own increment then skips index 0 there.
               {9, "NonStop=1\nGetStack D,0\nIntCall ,,1,8\nCalc ,,X = 5\n"},
               {8, "NonStop=1\nCalc ,,X = 1\nCalc ,,Y = 1\n"}},
              {.nums = {"D", "X", "Y"}});
  r.Steps(2);
  EXPECT_EQ(r.Num("D"), 65536 + 1);  // main stands on page 1, index 1
  EXPECT_EQ(r.Num("X"), 0);
  EXPECT_EQ(r.Num("Y"), 1);
  EXPECT_EQ(r.Book().IntPage(1), 8);
}

TEST(FlowCommands, ResetStartsAgainAndEndsTheStep) {
  EngineRun r({{1, "NonStop=1\nNew ,,0,T,5\nCalc ,,A = 7\nIntCall ,,1,9\nReset ,,2\nCalc ,,A = 99\n"},
               {2, "Calc ,,B = A + 1\n"}});
  r.Steps(2);
  EXPECT_EQ(r.Num("A"), 0);
  EXPECT_EQ(r.Num("B"), 1);
  EXPECT_FALSE(r.Has("T"));
  EXPECT_EQ(r.Book().IntPage(1), -1);
  EXPECT_EQ(r.Book().IntPage(0), 2);
}

TEST(FlowCommands, ExitFromMainOrHandlerEndsTheRun) {
  for (const char* page1 : {"Exit\n", "IntCall ,,1,9\nWait ,,99999\n"}) {
    EngineRun r({{1, page1}, {9, "Exit\n"}});
    r.Steps(3);
    EXPECT_TRUE(r.Book().Terminating()) << page1;
    EXPECT_TRUE(r.MainEnded()) << page1;
  }
}

TEST(FlowCommands, NewDelAndMarks) {
  EngineRun r({{1,
                "NonStop=1\n"
                "New ,,0,T1,5,1\nNew ,,1,T2,abc,1\nNew ,,2,T3,ON,1\nNew ,,0,T4,1\n"
                "Del ,,T2\n"      // a marked variable deleted first is skipped by DelMark
                "New ,,0,T4,2\n"  // replaces the temporary T4
                "New ,,0,A,5\n"   // a second A; the declared one is still found
                "DelMark\n"
                "Wait ,,99999\n"}},
              {.nums = {"A"}});
  r.Steps(2);
  EXPECT_FALSE(r.Has("T1"));
  EXPECT_FALSE(r.Has("T2"));
  EXPECT_FALSE(r.Has("T3"));
  EXPECT_EQ(r.Num("T4"), 2);
  EXPECT_EQ(CountNamed(r.Book(), "T4"), 1);
  EXPECT_EQ(CountNamed(r.Book(), "A"), 2);
  EXPECT_EQ(r.Num("A"), 0);
}

TEST(FlowCommands, WithoutSaveFolderSaveKeepsNothing) {
  // No settings key: the title keeps nothing between games.
  EngineRun r({{1, "NonStop=1\nCalc ,,N = 3\nSave ,,K,N\nLoad ,,K,S,none\n"}}, {.nums = {"N"}, .strs = {"S"}});
  r.Steps(2);
  EXPECT_EQ(r.Str("S"), "none");
  EXPECT_EQ(r.Book().GetSavePath(), std::filesystem::path());
}

TEST(FlowCommands, EndlessCallRecursionStopsAtTheDepthBoundWithOneError) {
  // Calling its own page from the top spins inside a step (a call to its own index would wait).
  // Each step stops at the bound with the same error, which the player shows once.
  EngineRun r({{1, "NonStop=1\nLabel\nCall ,,1,,0\n"}});
  r.Steps(4);
  EXPECT_EQ(r.Book().Manager(0).Stack().size(), TComCall::kMaxStackDepth);
  ASSERT_FALSE(r.errors().empty());
  EXPECT_NE(r.errors()[0].find("nested"), std::string::npos);
  for (const std::string& e : r.errors()) EXPECT_EQ(e, r.errors()[0]);
}

TEST(FlowCommands, DelMarkSparesVariablesThatReplacedMarkedOnes) {
  // The replacing New frees the marked T just before it creates the new one, which then often
  // lies at the same address; T2 is a second removal path (Del, then a New of the same kind).
  EngineRun r({{1,
                "NonStop=1\n"
                "New ,,0,T,5,1\nNew ,,0,T,6\n"
                "New ,,1,T2,a,1\nDel ,,T2\nNew ,,1,T2,b\n"
                "New ,,0,M,1,1\n"
                "DelMark\n"
                "Wait ,,99999\n"}});
  r.Steps(2);
  EXPECT_EQ(r.Num("T"), 6);
  EXPECT_EQ(r.Str("T2"), "b");
  EXPECT_FALSE(r.Has("M"));
}

}  // namespace
}  // namespace mavlet::testing
