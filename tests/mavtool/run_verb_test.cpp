// Runs mavtool's global and run verbs as a user would: titles built with the tool itself.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "player/common/encoding.h"
#include "player/storage/game_status.h"
#include "tests/support/file_builders.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_folder.h"
#include "tests/support/trace.h"

namespace mavlet {
namespace {

using Result = testing::ProgramResult;
using testing::ReadText;
using testing::SplitLines;

using ::testing::HasSubstr;

class RunVerbTest : public ::testing::Test {
 protected:
  RunVerbTest() { std::filesystem::create_directories(dir / "title" / "Pmx"); }

  Result Run(const std::vector<std::string>& args) { return testing::RunProgram(MAVTOOL, args, dir); }
  std::string P(const std::string& name) const { return (dir / name).string(); }
  std::string Title() const { return (dir / "title").string(); }

  // Global.pmx through the global verb; extra options appended.
  void Global(std::vector<std::string> extra = {"--no-registry"}) {
    std::vector<std::string> args = {"global", "create",        P("title/Pmx/Global.pmx"), "--title", "T",
                                     "--screen-mode", "3", "--start-page", "1", "--reg-key", "Software\\Mavlet\\Run",
                                     "--num", "A", "--num", "B", "--str", "S", "--flag", "F"};
    args.insert(args.end(), extra.begin(), extra.end());
    ASSERT_EQ(Run(args).code, 0) << ReadText(dir / "stderr");
  }
  // A scenario page from UTF-8 text through the pack verb.
  void Scenario(int n, const std::string& utf8) {
    std::optional<std::string> sjis = Utf8ToSjis(utf8);
    ASSERT_TRUE(sjis);
    std::ofstream(dir / "page.txt", std::ios::binary) << *sjis;
    ASSERT_EQ(Run({"pack", P("page.txt"), P("title/Pmx/" + std::to_string(n) + ".pmx")}).code, 0);
  }

  testing::TempFolder temp{"mavtool-run"};
  const std::filesystem::path dir = temp.path();
};

TEST_F(RunVerbTest, GlobalCreateThenDumpByFileOrFolder) {
  ASSERT_EQ(Run({"global", "create", P("title/Pmx/Global.pmx"), "--title", "夏の庭", "--screen-mode", "4",
                 "--start-page", "12", "--reg-key", "Software\\Maker\\夏", "--num", "点数", "--num", "A",
                 "--str", "名前", "--flag", "F1", "--flag", "F0"})
                .code,
            0);
  const std::string expected =
      "Title=夏の庭\nScreenMode=4\nStartPage=12\nRegKey=Software\\Maker\\夏\nNoRegistry=0\n"
      "num=点数\nnum=A\nstr=名前\nflag=F1\nflag=F0\n";
  Result by_file = Run({"global", "dump", P("title/Pmx/Global.pmx")});
  EXPECT_EQ(by_file.code, 0);
  EXPECT_EQ(by_file.out, expected);
  EXPECT_EQ(Run({"global", "dump", Title()}).out, expected);
}

TEST_F(RunVerbTest, GlobalVerbRejectsBadUse) {
  const std::vector<std::vector<std::string>> cases = {
      {"global", "create", P("g.pmx"), "--title", "T"},  // required options missing
      {"global", "create", P("g.pmx"), "--title", "T", "--screen-mode", "x", "--start-page", "1", "--reg-key", "K"},
      {"global", "create", P("g.pmx"), "--title", "T", "--screen-mode", "3", "--start-page", "1", "--reg-key",
       "K", "--bogus"},
      {"global", "dump", P("missing.pmx")},
      {"global", "dump", P("")},
      {"global"},
  };
  for (const auto& args : cases) {
    Result r = Run(args);
    EXPECT_EQ(r.code, 1) << args.back();
    EXPECT_FALSE(r.err.empty()) << args.back();
  }
}

TEST_F(RunVerbTest, TraceAndVariables) {
  Global();
  Scenario(1, "NonStop=1\nCalc ,,A = 5 + 3\nCall ,,2\nCalc ,,S = 表示\nfree text\nComment\n");
  Scenario(2, "Calc ,,B = A * 2\nReturn\n");
  Result r = Run({"run", Title(), "--events", "4", "--trace", "--vars"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(SplitLines(r.out), (std::vector<std::string>{
                              "2\tﾒｲﾝ\t1\t0\tTComCalc",
                              "2\tﾒｲﾝ\t1\t1\tTComCall",
                              "2\tﾒｲﾝ\t2\t0\tTComCalc",
                              "2\tﾒｲﾝ\t2\t1\tTComRet",
                              // Return ran on page 2, which waits between commands.
                              "3\tﾒｲﾝ\t1\t2\tTComCalc",
                              "3\tﾒｲﾝ\t1\t3\tTComComment",
                              "#A=0,8",
                              "#B=0,16",
                              "#S=1,表示",
                              "#F=2,OFF",
                              "@Text=\\l", "@TextX=0", "@TextY=0", "@TextBoxX=0", "@TextBoxY=0",
                              "@VisibleText=ON", "@HistoryCount=0", "@TextSpd=3", "@TextCol=0", "@TextSCol=0",
                              "@FontName=ＭＳ ゴシック", "@NoTextWait=OFF",
                              "@SelStr=", "@SelIdx=0", "@SelTop=0",
                          }));
}

TEST_F(RunVerbTest, InputScriptIntervalAndUntilEnd) {
  Global();
  Scenario(1, "WaitClick\nCalc ,,A = 1\nWait ,,100\nCalc ,,B = 1\n");
  std::ofstream(dir / "input.txt") << "# clicks\n3 mouse -1 -1\n3 click\n5 mouse 10 10\n6 click\n";
  Result r = Run({"run", Title(), "--input", P("input.txt"), "--until-end", "--trace", "--interval", "50"});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto lines = SplitLines(r.out);
  ASSERT_FALSE(lines.empty());
  // The click outside the game area at event 3 does not count; the one at event 6 does. The wait
  // of 100 ms then takes two events of 50 ms, and the run stops when the page has ended.
  EXPECT_EQ(lines[lines.size() - 1], "9\tﾒｲﾝ\t1\t3\tTComCalc");
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("6\t"); }), 2);
}

TEST_F(RunVerbTest, DebugLogWithStepsAndBreaks) {
  Global();
  Scenario(1, "NonStop=1\nCalc ,,A = 1\nCalc ,,B = 2\nCalc ,,A = 3\nCalc ,,B = 4\nWait ,,99999\n");
  // The break stops after B = 2; each step then lets one more command run.
  std::ofstream(dir / "input.txt") << "1 debug-break B 2\n5 debug-step\n8 debug-step\n";
  Result r = Run({"run", Title(), "--events", "10", "--input", P("input.txt"), "--debug-log", P("debug.log"), "--vars"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(SplitLines(ReadText(dir / "debug.log")), (std::vector<std::string>{
                                                        "1\t[0]ﾒｲﾝ ﾍﾟｰｼﾞ:1 1行目 TComCalc",
                                                        "1\t[1]ﾒｲﾝ ﾍﾟｰｼﾞ:1 2行目 TComCalc",
                                                        "1\t[2]ﾒｲﾝ ﾍﾟｰｼﾞ:1 3行目 TComCalc",
                                                        "1\t[3]ﾒｲﾝ ﾍﾟｰｼﾞ:1 4行目 TComCalc",
                                                    }));
  EXPECT_THAT(r.out, HasSubstr("#A=0,3\n#B=0,4\n"));
  std::ofstream(dir / "bad.txt") << "1 debug-break 😀\n";
  Result bad = Run({"run", Title(), "--input", P("bad.txt")});
  EXPECT_EQ(bad.code, 1);
  EXPECT_THAT(bad.err, HasSubstr("debug-break"));
}

TEST_F(RunVerbTest, SaveDirAnswersTheFolderPrompt) {
  Global({});
  Scenario(1, "Calc ,,A = 3\nSaveGame ,,4\n");
  Result cancelled = Run({"run", Title(), "--events", "3"});
  EXPECT_EQ(cancelled.code, 1);
  EXPECT_THAT(cancelled.err, HasSubstr("--save-dir"));
  Result r = Run({"run", Title(), "--events", "3", "--save-dir", P("saves")});
  ASSERT_EQ(r.code, 0) << r.err;
  TGameStatus slot(dir / "saves", 4);
  EXPECT_THAT(slot.Lines(), ::testing::Contains("#A=0,3"));
  EXPECT_THAT(slot.Lines(), ::testing::Contains("Int0Com=2"));
}

TEST_F(RunVerbTest, TitleThatCannotLoadExitsOne) {
  Result missing = Run({"run", P("nowhere")});
  EXPECT_EQ(missing.code, 1);
  EXPECT_THAT(missing.err, HasSubstr("Global.pmx"));
  std::ofstream(dir / "title" / "Pmx" / "Global.pmx") << "not packed";
  Result damaged = Run({"run", Title()});
  EXPECT_EQ(damaged.code, 1);
  EXPECT_THAT(damaged.err, HasSubstr("Global.pmx"));
  std::ofstream(dir / "bad-input.txt") << "3 jump\n";
  Global();
  Result bad_input = Run({"run", Title(), "--input", P("bad-input.txt")});
  EXPECT_EQ(bad_input.code, 1);
  EXPECT_THAT(bad_input.err, HasSubstr("bad-input.txt:1"));
  EXPECT_EQ(Run({"run", Title(), "--events", "0"}).code, 1);
}

TEST_F(RunVerbTest, MissingScenarioIsReportedAndTheRunGoesOn) {
  Global();
  Scenario(1, "NonStop=1\nJump ,,77\n");
  Result r = Run({"run", Title(), "--events", "5"});
  EXPECT_EQ(r.code, 0);
  EXPECT_THAT(r.err, HasSubstr("シナリオ77がありません"));
}

TEST_F(RunVerbTest, AudioLogWritesEachChannelChange) {
  Global();
  testing::WriteFile(dir / "one.wav", testing::SineWave(200, 8000));
  std::filesystem::create_directories(dir / "title" / "WAV");
  ASSERT_EQ(Run({"pack", P("one.wav"), P("title/WAV/one.PMW")}).code, 0);
  Scenario(1, "NonStop=1\nSoundOn\nCalc ,,@Vol2 = 50\nWavPlay ,,1,one.PMW\nWait ,,99999\n");
  Result r = Run({"run", Title(), "--events", "12", "--audio-log", P("audio.log")});
  ASSERT_EQ(r.code, 0) << r.err;
  // 200 ms from event 2 (60 ms): seen ended at event 9, its name cleared by the update after.
  EXPECT_EQ(SplitLines(ReadText(dir / "audio.log")), (std::vector<std::string>{
                                                 "2\t1\tone.PMW\t0\t-1000\t1",
                                                 "9\t1\tone.PMW\t0\t-1000\t0",
                                                 "9\t1\t\t0\t-1000\t0",
                                             }));
  Result bad = Run({"run", Title(), "--events", "2", "--audio-log", P("no/such/folder/audio.log")});
  EXPECT_EQ(bad.code, 1);
  EXPECT_THAT(bad.err, HasSubstr("audio.log"));
}

TEST_F(RunVerbTest, TextLogAndTextValues) {
  Global();
  Scenario(1, "IntCall ,,3,2\nTextPos ,,8,16,24,4,2\nTextSpd ,,0\nPutText ,,\\c(0000ff)【名】\\s(none)あいうえ\nClrText\nWait ,,99999\n");
  Scenario(2, "ClrText\n");  // the window-full handler
  Result r = Run({"run", Title(), "--events", "6", "--text-log", P("text.log"), "--vars"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(SplitLines(ReadText(dir / "text.log")), (std::vector<std::string>{
                                                "3\t0\t0\t【\t0000ff\t000000",
                                                "3\t0\t1\t名\t0000ff\t000000",
                                                "3\t0\t2\t】\t0000ff\t000000",
                                                "3\t1\t3\tあ\t0000ff\tnone",
                                                "3\tfull",
                                                "4\tclear",  // the window-full handler
                                                "5\t0\t0\tい\t0000ff\tnone",
                                                "5\t0\t1\tう\t0000ff\tnone",
                                                "5\t0\t2\tえ\t0000ff\tnone",
                                                "6\tclear",
                                            }));
  EXPECT_THAT(r.out, HasSubstr("@TextBoxX=8\n@TextBoxY=16\n"));
  EXPECT_THAT(r.out, HasSubstr("@FontName=ＭＳ ゴシック\n"));
}

// Every present is recorded: the fade's steps carry kind 2, 11 virtual milliseconds apart, the
// frames around it kind 0; the PNGs are numbered like the log's lines.
TEST_F(RunVerbTest, PresentsRecordsEveryStepOfATransition) {
  Global();
  Scenario(1, "FillSfc ,,0,0,0,640,480,255,255,1\nFillSfc ,,0,0,0,640,480,16711680,255,2\nWait ,,99999\n");
  Result r = Run({"run", Title(), "--events", "4", "--presents", P("presents")});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::vector<std::string> lines = SplitLines(ReadText(dir / "presents" / "presents.log"));
  int fade = 0, index = 0;
  for (const std::string& line : lines) {
    ++index;
    std::vector<std::string> f;
    std::size_t pos = 0;
    for (std::size_t tab; (tab = line.find('\t', pos)) != std::string::npos; pos = tab + 1) f.push_back(line.substr(pos, tab - pos));
    f.push_back(line.substr(pos));
    ASSERT_EQ(f.size(), 7u) << line;
    EXPECT_EQ(f[1], std::to_string(index));
    if (f[6] == "2") {
      ++fade;
      EXPECT_EQ(f[2] + "," + f[3] + "," + f[4] + "," + f[5], "0,0,640,480") << line;
    } else {
      EXPECT_EQ(f[6], "0") << line;
    }
    char name[40];
    std::snprintf(name, sizeof name, "present-%06d.png", index);
    EXPECT_TRUE(std::filesystem::exists(dir / "presents" / name)) << name;
  }
  // Red to blue: alpha 16 to 240 (alpha 0 shows the red screen again, which is not presented
  // twice) and the final picture.
  EXPECT_EQ(fade, 16);
  EXPECT_EQ(lines.size(), 17u) << "and the red screen before";
  Result bad = Run({"run", Title(), "--events", "2", "--presents", "/proc/no/such/folder"});
  EXPECT_EQ(bad.code, 1);
  EXPECT_THAT(bad.err, HasSubstr("presents.log"));
}

}  // namespace
}  // namespace mavlet
