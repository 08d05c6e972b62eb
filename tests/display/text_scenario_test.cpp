// The text commands in running titles on the virtual clock: typing pace, a click completing the
// page, the window-full handler, inline calls, saving in the middle of a text, skip mode, the
// history (with indices and entries that do not exist), fonts and the text system values.
#include <gtest/gtest.h>

#include <string>

#include "player/common/encoding.h"
#include "player/display/text_surface.h"
#include "player/engine/book_manager.h"
#include "player/shell/game_system.h"
#include "player/storage/game_status.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

class TextScenarioTest : public ::testing::Test {
 protected:
  // With saves the title asks for a save folder (one message) and keeps games there.
  std::unique_ptr<TitleRun> Start(std::vector<InputAction> input = {}, bool saves = false,
                                  std::uint64_t max_run_commands = 1'000'000) {
    title_.Nums({"N", "K"});
    title_.Strs({"S", "Name"});
    if (saves) title_.Registry("Software\\Mavlet\\TextTest");
    title_.Write();
    RunOptions o;
    o.input = std::move(input);
    o.max_run_commands = max_run_commands;
    o.save_dir = title_.Folder() / "save";
    auto run = std::make_unique<TitleRun>(title_, o);
    run->Load();
    return run;
  }
  static TTextSurface& Window(TitleRun& r) { return r.R().Sys().Screen().TextWindow(); }
  // The characters in the window, rows joined by "/" (trailing empty cells dropped), UTF-8.
  static std::string Shown(TitleRun& r) {
    std::string out;
    for (const auto& line : Window(r).Lines()) {
      std::string row;
      for (const auto& t : line.Tokens)
        if (t.Code) row += TokenText(t.Code);
      if (!out.empty()) out += "/";
      out += row;
    }
    while (!out.empty() && out.back() == '/') out.pop_back();
    return SjisToUtf8(out);
  }

  TestTitle title_;
};

InputAction Click(int event) { return InputAction{event, InputAction::Kind::kClick}; }

TEST_F(TextScenarioTest, TypesAtTheSpeedAndAClickCompletesThePage) {
  title_.Scenario(1, "TextSpd ,,3\nPutText ,,ABCDEFGH\nWaitClick\nCalc ,,N = 1\nWait ,,99999\n");
  auto r = Start({Click(7)});
  std::vector<std::size_t> counts;
  for (int e = 0; e < 8; ++e) {
    r->Events(1);
    counts.push_back(Shown(*r).size());
  }
  // An event runs two logic steps (the first event starts the title): the first character comes
  // in PutText's first step, then one every third step; the click puts the rest at once
  // (ABCD/EFGH is 9 bytes with the row separator).
  EXPECT_EQ(counts, (std::vector<std::size_t>{0, 1, 1, 2, 3, 3, 9, 9})) << Shown(*r);
  EXPECT_EQ(r->Num("N"), 0);  // the completing click is not also the WaitClick's
  r->Events(3);
  EXPECT_EQ(Shown(*r), "ABCD/EFGH");
  EXPECT_EQ(r->Errors(), "");
}

TEST_F(TextScenarioTest, SpeedZeroAndSkipModeShowAPageInOneStep) {
  title_.Scenario(1, "TextSpd ,,0\nPutText ,,ABCDEF\nTextSpd ,,9\nClrText\nPutText ,,GHIJ\nWait ,,99999\n");
  auto r = Start({Click(5)});
  r->Events(2);
  EXPECT_EQ(Shown(*r), "ABCD/EF");
  r->Book().SetNoTextWait(true);
  r->Events(2);
  EXPECT_EQ(Shown(*r), "GHIJ");
  EXPECT_TRUE(r->Book().TextShown());
  EXPECT_TRUE(r->Book().NoTextWait());
  r->Events(1);
  EXPECT_FALSE(r->Book().NoTextWait());  // a press leaves skip mode
}

TEST_F(TextScenarioTest, WindowFullRunsItsHandlerThenTypingGoesOn) {
  title_.Scenario(1,
                  "IntCall ,,3,2\nTextPos ,,0,0,24,5,2\nTextSpd ,,0\nPutText ,,ABCDEFGHIJKL\nCalc ,,N = 9\nWait ,,99999\n");
  title_.Scenario(2, "WaitClick\nClrText\nCalc ,,K = K + 1\n");
  auto r = Start({Click(5)});
  r->Events(3);
  EXPECT_EQ(Shown(*r), "ABCD/EFGH");
  EXPECT_EQ(r->Num("K"), 0);
  r->Events(5);
  EXPECT_EQ(Shown(*r), "IJKL");
  EXPECT_EQ(r->Num("K"), 1);
  EXPECT_EQ(r->Num("N"), 9);
  EXPECT_EQ(r->Errors(), "");
}

TEST_F(TextScenarioTest, HandlersThatWaitDoNotFreezeTheText) {
  // Text-start (6) and text-display (2) handlers that wait for a click never end on their own.
  title_.Scenario(1, "IntCall ,,6,3\nIntCall ,,2,3\nTextSpd ,,0\nPutText ,,ABC\nCalc ,,N = 1\nWait ,,99999\n");
  title_.Scenario(3, "WaitClick\nCalc ,,K = K + 1\n");
  auto r = Start({}, false, 2000);
  r->Events(10);
  EXPECT_EQ(Shown(*r), "ABC");
  EXPECT_EQ(r->Num("N"), 1);
}

TEST_F(TextScenarioTest, InlineCallRunsAScenarioAndTypingResumesInTheCurrentColours) {
  // "ソ" ends in byte 0x5C and "\\\\i" is an escaped backslash: neither is the call.
  title_.Scenario(1, "TextSpd ,,0\nPutText ,,\\c(0000ff)Aソi\\\\i\\i(5)BC\nCalc ,,N = 2\nWait ,,99999\n");
  title_.Scenario(5, "Calc ,,K = 7\nReturn\n");
  auto r = Start();
  r->Events(6);
  EXPECT_EQ(r->Num("K"), 7);
  EXPECT_EQ(r->Num("N"), 2);
  EXPECT_EQ(Shown(*r), "Aソi\\/iBC");
  const auto& row1 = Window(*r).Lines()[1];
  EXPECT_EQ(row1.Tokens[1].Color, 0x0000FF);  // B after the call keeps the colour
  EXPECT_EQ(r->Errors(), "");
}

TEST_F(TextScenarioTest, HistoryRecallsPagesAndIgnoresEntriesThatDoNotExist) {
  title_.Scenario(1,
                  "TextSpd ,,0\nPutText ,,ABC\nHistoryAdd\nClrText\nPutText ,,XY\nHistoryAdd\nClrText\n"
                  "HistoryCall 0\nHistoryCall 2\nHistoryCall -1\nHistoryCall 1\nCalc ,,N = @HistoryCount\n"
                  "WaitClick\nClrText\nHistoryCall 0\nHistoryCall 1\nHistoryCall 2\nCalc ,,K = 1\nWait ,,99999\n");
  auto r = Start({Click(30)});
  r->Events(20);
  EXPECT_EQ(Shown(*r), "ABCX/Y");
  EXPECT_EQ(r->Num("N"), 2);
  // A command index past the page, a token past the text, a scenario that is not a PutText.
  r->Book().history = {{(1 << 16) | 400, 0}, {(1 << 16) | 1, 99}, {(1 << 16) | 2, 0}};
  r->Events(20);
  EXPECT_EQ(r->Num("K"), 1);
  EXPECT_EQ(Shown(*r), "");
  EXPECT_EQ(r->Errors(), "");
}

TEST_F(TextScenarioTest, SavedInTheMiddleOfATextTypingGoesOnAfterLoading) {
  title_.Scenario(1,
                  "TextSpd ,,3\nCalc ,,K = K + 1\nPutText ,,ABCDEF\nWaitClick\nWait ,,99999\n");
  auto r = Start({}, true);
  r->Events(5);  // A and B typed
  EXPECT_EQ(Shown(*r), "AB");
  r->Book().SaveGameSlot(1, r->R().Sys());
  r->Events(20);
  EXPECT_EQ(Shown(*r), "ABCD/EF");
  r->Book().LoadGameSlot(1, r->R().Sys());
  EXPECT_EQ(Shown(*r), "AB");
  r->Events(20);
  EXPECT_EQ(Shown(*r), "ABCD/EF");  // not typed twice
  EXPECT_EQ(r->Num("K"), 1);
  // A saved position outside the text (the scenario changed since): the text counts as typed.
  for (auto [idx, nx] : {std::pair{500, 3}, std::pair{1, 9999}, std::pair{-4, -7}}) {
    r->Book().LoadGameSlot(1, r->R().Sys());
    {
      TGameStatus slot(r->Book().GetSavePath(), 1);
      slot.WriteInteger("Int0ComSvIdx", idx);
      slot.WriteInteger("Int0ComSvNx", nx);
      slot.Flush();
    }
    r->Book().LoadGameSlot(1, r->R().Sys());
    r->Events(20);
    EXPECT_EQ(Shown(*r).substr(0, 2), "AB") << idx << "," << nx;
  }
  EXPECT_EQ(r->Errors().find("Mavlet:", 10), std::string::npos) << r->Errors();  // only the folder prompt
}

TEST_F(TextScenarioTest, ARowNotMeasuredWhenSavedIsMeasuredAfterLoading) {
  // Saved with the centred window's current row entered by a newline and not measured yet: the
  // text typed after loading is centred by its own length and stays inside the 10 columns.
  title_.Scenario(1,
                  "TextPos ,,0,0,24,10,3\nTextSpd ,,0\nPutText ,,\\mＡＢ\\nＣＤ\nClrText\nPutText ,,\\mＥＦ\\n\n"
                  "WaitClick\nPutText ,,ＧＨＩＪＫＬＭＮ\nCalc ,,N = @TextX\nWait ,,99999\n");
  auto r = Start({Click(12)}, true);
  r->Events(5);
  r->Book().SaveGameSlot(1, r->R().Sys());
  r->Book().LoadGameSlot(1, r->R().Sys());
  r->Events(15);
  EXPECT_EQ(Shown(*r), "ＥＦ/ＧＨＩＪＫＬＭＮ");
  EXPECT_EQ(r->Num("N"), (10 - 8) * 24 / 2 + 8 * 24);
}

TEST_F(TextScenarioTest, TextValuesReadAndWrite) {
  title_.Scenario(1,
                  "TextPos ,,10,20,16,6,3\nTextSpd ,,0\nPutText ,,AB\nCalc ,,N = @TextX\nCalc ,,K = @TextBoxY\n"
                  "Calc ,,S = @Text\nCalc ,,@Text = \"\\c(0000ff)XYZ\"\nCalc ,,@SfcXText = 30\nWait ,,99999\n");
  auto r = Start();
  r->Events(10);
  EXPECT_EQ(r->Num("N"), 10 + 2 * 16);
  EXPECT_EQ(r->Num("K"), 20);
  EXPECT_EQ(r->Str("S"), "\\l\\c(000000)\\s(000000)AB");  // TextCol starts black
  EXPECT_EQ(Shown(*r), "XYZ");
  EXPECT_EQ(Window(*r).X(), 30);
  EXPECT_EQ(r->Errors(), "");
}

// A length or call argument that is not an integer stops the title with a message naming the
// text, whether the text is typed or written to @Text; the window keeps what it showed.
TEST_F(TextScenarioTest, ANonIntegerTextArgumentIsReportedWithItsText) {
  struct Case {
    const char* write;
    const char* message;
  };
  const Case cases[] = {
      {"PutText ,,AB\\a(x)CD", "Mavlet: PutText \"AB\\a(x)CD\": 'x' is not a valid integer value (text escape \\a)\n"},
      {"Calc ,,@Text = \"EF\\i(y)GH\"",
       "Mavlet: @Text \"EF\\i(y)GH\": 'y' is not a valid integer value (text escape \\i)\n"},
  };
  for (const Case& c : cases) {
    title_.Scenario(1, std::string("TextSpd ,,0\nPutText ,,OK\n") + c.write + "\nCalc ,,N = 1\nWait ,,99999\n");
    auto r = Start();
    r->Events(10);
    EXPECT_EQ(Shown(*r), "OK") << c.write;
    EXPECT_EQ(r->Num("N"), 0) << c.write;
    EXPECT_EQ(r->Errors(), c.message);
  }
}

TEST_F(TextScenarioTest, SetFontTakesOnlyInstalledJapaneseFaces) {
  title_.Scenario(1, "SetFont ,,\"no such face\"\nCalc ,,N = 1\nSetFont ,,\"IPAゴシック\"\nCalc ,,S = @Fonts\nWait ,,99999\n");
  auto r = Start();
  r->Events(1);
  EXPECT_EQ(SjisToUtf8(r->Book().font_name), "ＭＳ ゴシック");
  r->Events(3);
  EXPECT_EQ(SjisToUtf8(r->Book().font_name), "IPAゴシック");
  EXPECT_NE(r->Str("S").find("IPAゴシック"), std::string::npos);
  EXPECT_EQ(r->Errors(), "");
}

}  // namespace
}  // namespace mavlet::testing
