// The Input command in running titles on the virtual clock: what Return and Escape leave in the
// variable, text typed before the line opens, the entered name in later text, the line on the
// screen with the input method's composition, and the caret box given to the platform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/backend/graphics/surface.h"
#include "player/common/encoding.h"
#include "player/display/text_surface.h"
#include "player/shell/game_system.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

using K = InputAction::Kind;

InputAction Act(int event, K kind, std::string text = {}) {
  InputAction a{event, kind};
  a.text = std::move(text);
  return a;
}

class InputScenarioTest : public ::testing::Test {
 protected:
  static std::unique_ptr<TitleRun> Start(TestTitle& title, const std::string& scenario,
                                         std::vector<InputAction> input) {
    title.Nums({"N"});
    title.Strs({"S"});
    title.Scenario(1, scenario);
    title.Write();
    RunOptions o;
    o.input = std::move(input);
    auto run = std::make_unique<TitleRun>(title, o);
    run->Load();
    return run;
  }
  static std::string Shown(TitleRun& r) {
    std::string out;
    for (const auto& line : r.R().Sys().Screen().TextWindow().Lines())
      for (const auto& t : line.Tokens)
        if (t.Code) out += TokenText(t.Code);
    return SjisToUtf8(out);
  }

  TestTitle title_;
};

TEST_F(InputScenarioTest, ReturnStoresTheLineAndEscapeKeepsTheVariable) {
  struct Case {
    const char* name;
    const char* input;  // the Input line
    std::vector<InputAction> actions;
    const char* s;  // S afterwards, UTF-8
  };
  // The first event starts the title and the line opens within the next two; the title counts
  // N up once it has gone on.
  const Case cases[] = {
      {"four of six letters, full width",
       "Calc 2,,S = \"\"\nInput ,,S,16,100,4",
       {Act(5, K::kText, "abcdef"), Act(6, K::kReturn)},
       "ａｂｃｄ"},
      {"the variable's text to start with",
       "Input ,,S",
       {Act(5, K::kBackspace), Act(5, K::kText, "x"), Act(6, K::kReturn)},
       "ｏｌｘ"},
      {"escape keeps the variable", "Input ,,S", {Act(5, K::kText, "new"), Act(6, K::kEscape)}, "old"},
      {"a variable that does not exist", "Input ,,Nobody", {Act(5, K::kText, "abc"), Act(6, K::kReturn)}, "old"},
      {"typing before the line opens is lost",
       "Input ,,S",
       {Act(1, K::kText, "lost"), Act(5, K::kText, "kept"), Act(6, K::kReturn)},
       "ｏｌｄｋｅｐｔ"},
      {"expressions for the position", "Input ,,S,16,100,0,N+1,N", {Act(6, K::kReturn)}, "ｏｌｄ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestTitle title;
    auto r =
        Start(title, std::string("Calc 2,,S = \"old\"\n") + c.input + "\nCalc ,,N = N + 1\nWait ,,99999\n", c.actions);
    r->Events(5);
    EXPECT_EQ(r->Num("N"), 0);  // still waiting
    EXPECT_NE(r->R().Sys().Screen().TextWindow().Entry(), nullptr);
    r->Events(3);
    EXPECT_EQ(r->Num("N"), 1);
    EXPECT_EQ(r->Str("S"), c.s);
    EXPECT_FALSE(r->R().Input().TextInputOn());
    EXPECT_EQ(r->R().Sys().Screen().TextWindow().Entry(), nullptr);
    EXPECT_EQ(r->Errors(), "");
  }
}

TEST_F(InputScenarioTest, TheNameAppearsInLaterTextTypedAtItsPace) {
  // Non-stop commands: the text starts in the step that Return ends the line in.
  auto r = Start(title_, "Input 2,,S\nTextSpd 2,,3\nPutText ,,\\p(S)さん\nWait ,,99999\n",
                 {Act(5, K::kText, "Ab"), Act(6, K::kReturn)});
  r->Events(6);
  // Return is also the decide key: it must not complete that text at once.
  EXPECT_EQ(Shown(*r), "Ａ");
  r->Events(10);
  EXPECT_EQ(Shown(*r), "Ａｂさん");
  EXPECT_EQ(r->Errors(), "");
}

TEST_F(InputScenarioTest, TheLineShowsOnTheScreenWithTheComposition) {
  auto r = Start(title_, "Input ,,S,20,120,0,40,30,255,65280\nCalc ,,N = 1\nWait ,,99999\n",
                 {Act(5, K::kText, "ab"), Act(7, K::kReturn)});
  Surface& screen = *r->R().Sys().Screen().ScreenSurface();
  auto at = [&](int x, int y) { return screen.format().ToRgb(screen.RawPixel(x, y)); };
  r->Events(4);
  EXPECT_TRUE(r->R().Input().TextInputOn());
  EXPECT_EQ(at(41, 31), 0x00FF00);   // background colour inside the box
  EXPECT_EQ(at(159, 49), 0x00FF00);  // its last pixel
  EXPECT_NE(at(160, 49), 0x00FF00);
  EXPECT_EQ(r->R().Input().CaretBox().left, 40);
  r->R().Input().SetComposition("かな");
  r->Events(1);
  TextEntry* entry = r->R().Sys().Screen().TextWindow().Entry();
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(SjisToUtf8(entry->Text()), "ａｂ");
  EXPECT_EQ(entry->Composition(), "かな");
  // The input method's candidates go to the caret, after two full-width letters.
  EXPECT_EQ(r->R().Input().CaretBox(), Bounds(80, 30, 20, 20));
  int ink = 0;
  for (int y = 30; y < 50; ++y)
    for (int x = 40; x < 160; ++x) ink += at(x, y) != 0x00FF00;
  EXPECT_GT(ink, 40);  // letters, composition, underline and caret in the text colour
  r->Events(2);
  EXPECT_EQ(r->Num("N"), 1);
  EXPECT_NE(at(41, 31), 0x00FF00);  // the line has gone from the screen
}

// A new game (or a loaded one) empties the layers: the line goes and the platform's text input
// stops with it; an Input still waiting opens its line again. (Its box is far taller than the
// screen: only the visible part is drawn.)
TEST_F(InputScenarioTest, ANewGameTakesTheLineAwayAndInputOpensItAgain) {
  auto r = Start(title_, "Input ,,S,100000000,100,0,0,0\nWait ,,99999\n", {Act(6, K::kText, "a")});
  r->Events(4);
  ASSERT_NE(r->R().Sys().Screen().TextWindow().Entry(), nullptr);
  r->R().Sys().ResetAll();
  EXPECT_EQ(r->R().Sys().Screen().TextWindow().Entry(), nullptr);
  EXPECT_FALSE(r->R().Input().TextInputOn());
  r->Events(2);
  ASSERT_NE(r->R().Sys().Screen().TextWindow().Entry(), nullptr);
  EXPECT_TRUE(r->R().Input().TextInputOn());
  EXPECT_EQ(SjisToUtf8(r->R().Sys().Screen().TextWindow().Entry()->Text()), "ａ");
  EXPECT_EQ(r->Errors(), "");
}

}  // namespace
}  // namespace mavlet::testing
