// SaveGame, LoadGame, Wait and WaitClick, run as small titles.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "player/engine/book_manager.h"
#include "player/storage/game_status.h"
#include "player/vars/param_manager.h"
#include "tests/support/scenario_text.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

bool HasLine(const TGameStatus& s, const std::string& line) {
  return std::find(s.Lines().begin(), s.Lines().end(), line) != s.Lines().end();
}

TEST(StateCommands, SaveGameWritesTheNextIndexMovedByTheOffset) {
  TestTitle t;
  t.Registry("Software\\Mavlet\\Test");
  t.Nums({"A", "Off"});
  t.Scenario(1, "NonStop=1\nCalc ,,Off = 3\nCall ,,2\n");
  t.Scenario(2, "NonStop=1\n" + Comments(10) + "SaveGame ,,0\nSaveGame ,,1,Off\nCalc ,,A = 1\nWait ,,99999\n");
  TitleRun r(t, WithSaves(t));
  r.Load();
  r.Book().WriteKey(0, "Header", "caption");
  r.Events(2);
  EXPECT_EQ(r.Num("A"), 1);  // the stream itself went on at index 12
  const auto dir = t.Folder() / "saves";
  TGameStatus s0(dir, 0);
  ASSERT_FALSE(s0.Lines().empty());
  EXPECT_EQ(s0.Lines()[0], "Header=caption");
  EXPECT_EQ(s0.Lines()[1], "@FontName=" + std::string(TBookManager::kDefaultFontName));
  for (const char* line : {"@TextSpd=3", "Int0=1", "Int1=-1", "Int7=-1", "Int0Sp0=1", "Int0Sc0=2", "Int0Page=2",
                           "Int0Com=11", "Int0PageOld=2", "Int1Page=-1", "#A=0,0", "#Off=0,3", "@SoundOn=0"})
    EXPECT_TRUE(HasLine(s0, line)) << line;
  TGameStatus s1(dir, 1);
  EXPECT_TRUE(HasLine(s1, "Int0Com=15"));  // index 11 + 1 + offset 3
  EXPECT_FALSE(HasLine(s1, "Header=caption"));
}

TEST(StateCommands, SavingTwiceKeepsOneCopyOfEachKey) {
  TestTitle t;
  t.Registry("Software\\Mavlet\\Test");
  t.Nums({"A"});
  t.Scenario(1, "NonStop=1\nSaveGame ,,0\nCalc ,,A = 4\nSaveGame ,,0\n");
  auto r = RunTitle(t, 2, WithSaves(t));
  TGameStatus s(t.Folder() / "saves", 0);
  EXPECT_EQ(std::count(s.Lines().begin(), s.Lines().end(), "Int0Page=1"), 1);
  EXPECT_TRUE(HasLine(s, "#A=0,4"));
}

TEST(StateCommands, LoadGameRestoresThenRunsTheAfterLoadPage) {
  TestTitle t;
  t.Registry("Software\\Mavlet\\Test");
  t.Nums({"A", "B", "C", "L"});
  t.Scenario(1,
             "NonStop=1\n"
             "Calc ,,A = 5\n"
             "SaveGame ,,0\n"
             "Calc ,,A = A + 100\n"
             "Calc ,,B = B + 1\n"
             "LoadGame ,L = 0,0,50\n"
             "Wait ,,99999\n");
  t.Scenario(50, "Calc ,,C = A\nCalc ,,L = 1\n");  // waits between commands; still run to its end
  RunOptions o = Traced();
  o.save_dir = t.Folder() / "saves";
  auto run = RunTitle(t, 2, o);
  EXPECT_EQ(run->Num("C"), 5);    // the after-load page saw the loaded A
  EXPECT_EQ(run->Num("L"), 1);
  EXPECT_EQ(run->Num("A"), 105);  // resumed after SaveGame, once
  EXPECT_EQ(run->Num("B"), 1);
  // The load ends the logic step: the after-load page ran inside it, the resumed command in the next.
  auto trace = run->TakeTrace();
  auto at = std::find_if(trace.begin(), trace.end(), [](const std::string& l) { return l.find("TComLoadGame") != std::string::npos; });
  ASSERT_NE(at, trace.end());
  EXPECT_NE((at + 1)->find("\t50\t0\tTComCalc"), std::string::npos) << *(at + 1);
  EXPECT_NE((at + 2)->find("\t50\t1\tTComCalc"), std::string::npos) << *(at + 2);
  EXPECT_NE((at + 3)->find("\t1\t2\tTComCalc"), std::string::npos) << *(at + 3);
}

TEST(StateCommands, LoadingAnEmptySlotEndsTheStreamsAndResetsVariables) {
  TestTitle t;
  t.Registry("Software\\Mavlet\\Test");
  t.Nums({"A"});
  t.Scenario(1, "NonStop=1\nCalc ,,A = 5\nLoadGame ,,7\nCalc ,,A = 6\n");
  auto r = RunTitle(t, 2, WithSaves(t));
  EXPECT_EQ(r->Num("A"), 0);
  EXPECT_TRUE(r->R().MainEnded());
}

TEST(StateCommands, WaitCountsVirtualTime) {
  struct Case {
    const char* text;
    int events_before;  // A still 0 after this many events
    int events_done;    // A is 1 after this many events
  };
  const Case cases[] = {
      {"Wait ,,0\nCalc ,,A = 1\n", 1, 2},       // finishes in the step it is entered
      {"Wait 2,,100\nCalc ,,A = 1\n", 5, 6},    // entered at 60 ms; at 180 ms 120 >= 100
      {"Wait ,,Ms\nCalc ,,A = 1\n", 5, 6},      // the operand is a variable read on each step
  };
  for (const Case& c : cases) {
    TestTitle t;
    t.Nums({"A", "Ms"});
    t.Scenario(1, std::string("NonStop=1\nCalc 2,,Ms = 100\nLabel\n") + c.text);
    auto r = RunTitle(t, c.events_before);
    EXPECT_EQ(r->Num("A"), 0) << c.text;
    r->Events(c.events_done - c.events_before);
    EXPECT_EQ(r->Num("A"), 1) << c.text;
  }
}

TEST(StateCommands, WaitClickTakesOnlyAnUnreportedDecide) {
  struct Case {
    const char* before;  // commands in front of the WaitClick, in the same step
    std::vector<InputAction> input;
    int a;
  };
  using K = InputAction::Kind;
  const Case cases[] = {
      {"", {{3, K::kClick}}, 1},
      {"", {{3, K::kCancel}}, 0},                      // cancel does not end the wait
      {"", {{3, K::kMouse, -1, -1}, {3, K::kClick}}, 0},  // outside the game area
      // A poll loop that reports the press just before the WaitClick is entered: the press is
      // taken by that report, so the WaitClick in the same step waits for the next one.
      {"Calc 2,,X = @ClickL\nJump ,X = 0,1,,0\n", {{3, K::kClick}}, 0},
      {"", {{3, K::kClick}, {4, K::kClick}}, 1},
  };
  for (const Case& c : cases) {
    TestTitle t;
    t.Nums({"A", "X"});
    t.Scenario(1, std::string("Label\n") + c.before + "WaitClick\nCalc ,,A = 1\nWait ,,99999\n");
    RunOptions o;
    o.input = c.input;
    auto r = RunTitle(t, 6, o);
    EXPECT_EQ(r->Num("A"), c.a) << c.before << " inputs " << c.input.size();
  }
}

TEST(StateCommands, NestedAfterLoadPagesAreBounded) {
  TestTitle t;
  t.Registry("Software\\Mavlet\\Test");
  t.Nums({"N"});
  // The after-load page loads again with itself as after-load page: endless nesting.
  t.Scenario(1, "SaveGame ,,0\nLoadGame ,,0,50\nWait ,,99999\n");
  t.Scenario(50, "Calc ,,N = N + 1\nLoadGame ,,0,50\n");
  auto r = RunTitle(t, 3, WithSaves(t));
  // Each level loads once and moves on; the innermost level is refused with a warning.
  EXPECT_NE(r->Errors().find("nested"), std::string::npos) << r->Errors();
}

TEST(StateCommands, StreamNotYetEnteredIsEnteredAfreshAfterLoading) {
  TestTitle t;
  t.Registry("Software\\Mavlet\\Test");
  t.Nums({"A"});
  t.Scenario(1, "IntCall ,,2,9\nSaveGame ,,0\nLoadGame ,,0\nWait ,,99999\n");
  t.Scenario(9, "Calc ,,A = 1\n");
  auto r = RunTitle(t, 3, WithSaves(t));
  TGameStatus s(t.Folder() / "saves", 0);
  for (const char* line : {"Int2=9", "Int2Page=9", "Int2Com=0", "Int2PageOld=-1"})
    EXPECT_TRUE(HasLine(s, line)) << line;
  EXPECT_EQ(r->Book().Manager(2).Pos().Page, 9);
  EXPECT_EQ(r->Book().Manager(2).Entered().Page, -1);
}

TEST(StateCommands, MarksFromASlotNameTemporariesOnly) {
  // A marked temporary A beside a declared A: the slot keeps the mark by name, and after the
  // load DelMark must not take the declared variable for it.
  TestTitle t;
  t.Registry("Software\\Mavlet\\Test");
  t.Nums({"A", "L"});
  t.Scenario(1,
             "NonStop=1\n"
             "Calc ,,A = 3\n"
             "New ,,0,A,5,1\nNew ,,0,T,7,1\n"
             "SaveGame ,,0\n"
             "Comment\n"
             "LoadGame ,L = 0,0,50\n"
             "DelMark\n"
             "Wait ,,99999\n");
  t.Scenario(50, "Calc ,,L = 1\n");
  auto r = RunTitle(t, 4, WithSaves(t));
  EXPECT_EQ(r->Num("L"), 1);
  EXPECT_EQ(r->Num("A"), 3);
  EXPECT_FALSE(r->Has("T"));
}

}  // namespace
}  // namespace mavlet::testing
