// Flow-control and variable commands, run as small titles.
#include <gtest/gtest.h>

#include "player/backend/headless/headless_input.h"
#include "player/common/error.h"
#include "player/engine/book_manager.h"
#include "player/engine/flow_commands.h"
#include "player/shell/game_system.h"
#include "player/storage/game_status.h"
#include "player/vars/param_manager.h"
#include "tests/shell/quiet_game_parts.h"
#include "tests/support/square_glyphs.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

std::string Comments(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "Comment\n";
  return s;
}

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
    TestTitle t;
    t.Nums({"A", "D"});
    t.Scenario(1, "NonStop=1\nJump ,,3\n");
    t.Scenario(3, "NonStop=1\n" + Comments(7) + "Call ,,4\nCalc ,,A = 1\nWait ,,99999\n");
    t.Scenario(4, c.callee);
    TitleRun r(t);
    r.Load();
    r.Events(2);
    EXPECT_EQ(r.Num("D"), c.d) << c.callee;
    EXPECT_EQ(r.Num("A"), c.a) << c.callee;
    EXPECT_EQ(r.R().MainEnded(), c.ended) << c.callee;
  }
}

TEST(FlowCommands, GetStackInAHandlerSeesTheMainPosition) {
  TestTitle t;
  t.Nums({"D", "X", "Y"});
  t.Scenario(1, "IntCall ,,1,9\nWait ,,99999\n");
  // The handler also restarts itself on page 8: its own increment then skips index 0 there.
  t.Scenario(9, "NonStop=1\nGetStack D,0\nIntCall ,,1,8\nCalc ,,X = 5\n");
  t.Scenario(8, "NonStop=1\nCalc ,,X = 1\nCalc ,,Y = 1\n");
  TitleRun r(t);
  r.Load();
  r.Events(2);
  EXPECT_EQ(r.Num("D"), 65536 + 1);  // main stands on page 1, index 1
  EXPECT_EQ(r.Num("X"), 0);
  EXPECT_EQ(r.Num("Y"), 1);
  EXPECT_EQ(r.Book().IntPage(1), 8);
}

TEST(FlowCommands, ResetStartsAgainAndEndsTheStep) {
  TestTitle t;
  t.Nums({"A", "B"});
  t.Scenario(1, "NonStop=1\nNew ,,0,T,5\nCalc ,,A = 7\nIntCall ,,1,9\nReset ,,2\nCalc ,,A = 99\n");
  t.Scenario(2, "Calc ,,B = A + 1\n");
  TitleRun r(t);
  r.Load();
  r.Events(2);
  EXPECT_EQ(r.Num("A"), 0);
  EXPECT_EQ(r.Num("B"), 1);
  EXPECT_FALSE(r.Has("T"));
  EXPECT_EQ(r.Book().IntPage(1), -1);
  EXPECT_EQ(r.Book().IntPage(0), 2);
}

TEST(FlowCommands, ExitFromMainOrHandlerEndsTheRun) {
  for (const char* page1 : {"Exit\n", "IntCall ,,1,9\nWait ,,99999\n"}) {
    TestTitle t;
    t.Scenario(1, page1);
    t.Scenario(9, "Exit\n");
    TitleRun r(t);
    r.Load();
    r.R().Run();
    EXPECT_TRUE(r.Book().Terminating()) << page1;
    EXPECT_LT(r.R().EventsRun(), 5) << page1;
  }
}

TEST(FlowCommands, NewDelAndMarks) {
  TestTitle t;
  t.Nums({"A"});
  t.Scenario(1,
             "NonStop=1\n"
             "New ,,0,T1,5,1\nNew ,,1,T2,abc,1\nNew ,,2,T3,ON,1\nNew ,,0,T4,1\n"
             "Del ,,T2\n"       // a marked variable deleted first is skipped by DelMark
             "New ,,0,T4,2\n"    // replaces the temporary T4
             "New ,,0,A,5\n"     // a second A; the declared one is still found
             "DelMark\n"
             "Wait ,,99999\n");
  TitleRun r(t);
  r.Load();
  r.Events(2);
  EXPECT_FALSE(r.Has("T1"));
  EXPECT_FALSE(r.Has("T2"));
  EXPECT_FALSE(r.Has("T3"));
  EXPECT_EQ(r.Num("T4"), 2);
  EXPECT_EQ(CountNamed(r.Book(), "T4"), 1);
  EXPECT_EQ(CountNamed(r.Book(), "A"), 2);
  EXPECT_EQ(r.Num("A"), 0);
}

TEST(FlowCommands, SaveAndLoadKeepValuesInSlot99) {
  TestTitle t;
  t.Registry("Software\\Mavlet\\Test");
  t.Nums({"Idx", "Flag", "N"});
  t.Strs({"S", "S2"});
  t.Scenario(1,
             "NonStop=1\n"
             "Calc ,,Idx = 2\nCalc ,,Flag = 77\nCalc ,,N = 41\n"
             "Save ,,Flag+Idx,N\n"     // key Flag2: the first piece is never evaluated
             "Load ,,Flag+Idx,S\n"
             "Load ,,Absent,S2,dflt\n"
             "Save ,,,N\n"             // empty key: nothing
             "Save ,,K,Missing\n");    // missing variable: nothing
  const auto save_dir = t.Folder() / "saves";
  RunOptions o;
  o.save_dir = save_dir;
  TitleRun r(t, o);
  r.Load();
  r.Events(2);
  EXPECT_EQ(r.Str("S"), "41");
  EXPECT_EQ(r.Str("S2"), "dflt");
  TGameStatus store(save_dir, 99);
  EXPECT_EQ(store.Lines(), (std::vector<std::string>{"Flag2=41"}));
  EXPECT_EQ(r.R().Messages().FolderPrompts(), 1);
}

TEST(FlowCommands, WithoutSaveFolderSaveKeepsNothing) {
  TestTitle t;  // no registry
  t.Nums({"N"});
  t.Strs({"S"});
  t.Scenario(1, "NonStop=1\nCalc ,,N = 3\nSave ,,K,N\nLoad ,,K,S,none\n");
  TitleRun r(t);
  r.Load();
  r.Events(2);
  EXPECT_EQ(r.Str("S"), "none");
  EXPECT_EQ(r.Book().GetSavePath(), std::filesystem::path());
}

TEST(FlowCommands, ClrRegForgetsTheSaveFolder) {
  TestTitle t;
  t.Registry("Software\\Mavlet\\Test");
  t.Scenario(1, "ClrReg\n");
  RunOptions o;
  o.save_dir = t.Folder() / "saves";
  TitleRun r(t, o);
  r.Load();
  EXPECT_EQ(r.Book().GetSavePath(), t.Folder() / "saves");
  r.Events(2);
  EXPECT_EQ(r.Book().GetSavePath(), std::filesystem::path());
}

TEST(FlowCommands, BadRegistryKeyAndCancelledFolderPrompt) {
  TestTitle t;
  t.Registry("Hardware\\X");
  TitleRun r(t);
  EXPECT_THROW(r.R().Load(t.Folder()), MavError);

  TestTitle t2;
  t2.Registry("Software\\X");
  TitleRun r2(t2);  // no folder answer: the prompt is cancelled
  EXPECT_FALSE(r2.R().Load(t2.Folder()));
  EXPECT_TRUE(r2.Book().Terminating());
}

}  // namespace
}  // namespace mavlet::testing

namespace mavlet::testing {
namespace {

TEST(FlowCommands, EndlessCallRecursionStopsWithOneError) {
  TestTitle t;
  // Calling its own page from the top spins inside a step (a call to its own index would wait).
  t.Scenario(1, "NonStop=1\nLabel\nCall ,,1,,0\n");
  TitleRun r(t);
  r.Load();
  r.Events(4);
  EXPECT_EQ(r.Book().Manager(0).Stack().size(), TComCall::kMaxStackDepth);
  ASSERT_EQ(r.R().Messages().Messages().size(), 1u);
  EXPECT_NE(r.R().Messages().Messages()[0].text.find("nested"), std::string::npos);
}

}  // namespace
}  // namespace mavlet::testing

namespace mavlet::testing {
namespace {

// The screen's fonts come from its glyph source.
class ThreeFaces : public SquareGlyphs {
 public:
  std::vector<std::string> FaceNames() override { return {Sjis("ＭＳ 明朝"), "Arial", Sjis("@ＭＳ 明朝")}; }
};

TEST(BookManager, SetFontNameTakesOnlyUsableScreenFonts) {
  TestTitle t;
  TitleRun r(t);
  r.Load();
  HeadlessInput in;
  ThreeFaces faces;
  QuietGameParts parts;
  TGameSystem sys(in, faces, parts.Sound());
  TBookManager& book = r.Book();
  EXPECT_EQ(book.font_name, TBookManager::kDefaultFontName);
  EXPECT_FALSE(book.SetFontName("Arial", sys));              // no double-byte character
  EXPECT_FALSE(book.SetFontName(Sjis("@ＭＳ 明朝"), sys));   // vertical font
  EXPECT_FALSE(book.SetFontName(Sjis("ＭＳ ゴシック"), sys));  // not on this screen
  EXPECT_EQ(book.font_name, TBookManager::kDefaultFontName);
  EXPECT_TRUE(book.SetFontName(Sjis("ＭＳ 明朝"), sys));
  EXPECT_EQ(book.font_name, Sjis("ＭＳ 明朝"));
}

TEST(FlowCommands, DelMarkSparesVariablesThatReplacedMarkedOnes) {
  // The replacing New frees the marked T just before it creates the new one, which then often
  // lies at the same address; T2 is a second removal path (Del, then a New of the same kind).
  TestTitle t;
  t.Scenario(1,
             "NonStop=1\n"
             "New ,,0,T,5,1\nNew ,,0,T,6\n"
             "New ,,1,T2,a,1\nDel ,,T2\nNew ,,1,T2,b\n"
             "New ,,0,M,1,1\n"
             "DelMark\n"
             "Wait ,,99999\n");
  TitleRun r(t);
  r.Load();
  r.Events(2);
  EXPECT_EQ(r.Num("T"), 6);
  EXPECT_EQ(r.Str("T2"), "b");
  EXPECT_FALSE(r.Has("M"));
}

}  // namespace
}  // namespace mavlet::testing
