// The debug window's state on small titles run headless: the command log, stepping, breaks,
// the variable rows and the slot viewer.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "player/common/encoding.h"
#include "player/debug/debug_core.h"
#include "player/debug/scripted_debug.h"
#include "player/engine/book_manager.h"
#include "player/engine/page.h"
#include "player/vars/param_manager.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

using V = std::vector<std::string>;

// A title run with the debug core attached as the window attaches it.
class DebugRun {
 public:
  explicit DebugRun(const TestTitle& t, RunOptions options = {}, std::size_t max_lines = DebugCore::kDefaultMaxLines)
      : run_(t, std::move(options)) {
    run_.Load();
    core_ = std::make_unique<DebugCore>(run_.Book(), max_lines);
    script_ = std::make_unique<ScriptedDebug>(*core_);
    run_.R().AttachDebugger(script_.get());
  }
  ~DebugRun() { run_.R().AttachDebugger(nullptr); }

  DebugCore& Core() { return *core_; }
  TitleRun& Run() { return run_; }
  V Lines(int page) {
    V out;
    for (const DebugLogLine& l : core_->Page(page).lines) out.push_back(l.text);
    return out;
  }
  // The row's value text, or nullopt when there is no row of that name.
  std::optional<std::string> Row(std::string_view name) {
    for (const VariableRow& r : core_->Variables())
      if (r.name_text == name) return r.value_text;
    return std::nullopt;
  }

 private:
  TitleRun run_;
  std::unique_ptr<DebugCore> core_;
  std::unique_ptr<ScriptedDebug> script_;
};

TEST(DebugLog, LinesGoToTheirStreamsPageAndRepeatsOnlyCount) {
  TestTitle t;
  t.Nums({"A"});
  // Page 9 runs on the always stream while the main stream's Wait waits.
  t.Scenario(1, "IntCall ,,1,9\nWait ,,100\nCalc ,,A = 1\nWait ,,99999\n");
  t.Scenario(9, "Comment\n");
  DebugRun d(t);
  d.Run().Events(3);
  EXPECT_EQ(d.Lines(0), (V{"[0]ﾒｲﾝ ﾍﾟｰｼﾞ:1 1行目 TComIntCall", "[1]ﾒｲﾝ ﾍﾟｰｼﾞ:1 2行目 TComWait"}));
  EXPECT_EQ(d.Lines(1), (V{"[2]常時 ﾍﾟｰｼﾞ:9 1行目 TComComment"}));
  const std::uint64_t before = d.Core().Counter();
  d.Run().Events(4);  // the Wait ends, Calc runs, the last Wait starts
  const V main = d.Lines(0);
  ASSERT_EQ(main.size(), 4u);
  EXPECT_TRUE(main[2].ends_with("]ﾒｲﾝ ﾍﾟｰｼﾞ:1 3行目 TComCalc")) << main[2];
  // Every execution counts, logged or not: the Wait and the always stream ran on.
  EXPECT_GT(d.Core().Counter(), before + 3);
  EXPECT_EQ(d.Lines(1).size(), 1u) << "the always stream's one command restarts on the same page";
  for (int p = 2; p < DebugCore::kPages; ++p) EXPECT_TRUE(d.Lines(p).empty()) << p;
}

TEST(DebugLog, KindsShareTheLastPage) {
  const int expected[] = {0, 1, 2, 3, 4, 5, 6, 6, 6};
  for (int kind = 0; kind <= 8; ++kind) EXPECT_EQ(DebugCore::PageOfKind(kind), expected[kind]) << kind;
}

TEST(DebugLog, StopLoggingCapAndSink) {
  struct Case {
    const char* name;
    bool stop_logging;
    std::size_t cap;
    std::size_t lines;
    std::uint64_t dropped;
  };
  const Case cases[] = {
      {"all kept", false, 100, 6, 0},
      {"capped: the oldest go", false, 4, 4, 2},
      {"stopped: nothing", true, 100, 0, 0},
  };
  for (const Case& c : cases) {
    TestTitle t;
    t.Scenario(1, "Comment\nComment\nComment\nComment\nComment\nComment\nWait ,,99999\n");
    DebugRun d(t, {}, c.cap);
    d.Core().SetStopLogging(c.stop_logging);
    std::vector<std::pair<int, std::string>> sunk;
    d.Core().SetLineSink([&](int page, std::string_view line) { sunk.emplace_back(page, std::string(line)); });
    d.Run().Events(4);  // six comments, one per logic step
    const DebugLogPage& page = d.Core().Page(0);
    EXPECT_EQ(page.lines.size(), c.lines) << c.name;
    EXPECT_EQ(page.dropped, c.dropped) << c.name;
    EXPECT_EQ(sunk.size(), c.lines + c.dropped) << c.name;
    if (!c.stop_logging) {
      EXPECT_EQ(page.lines.back().text, "[5]ﾒｲﾝ ﾍﾟｰｼﾞ:1 6行目 TComComment") << c.name;
      EXPECT_EQ(sunk.front(), (std::pair<int, std::string>{1, "[0]ﾒｲﾝ ﾍﾟｰｼﾞ:1 1行目 TComComment"})) << c.name;
    } else {
      EXPECT_EQ(d.Core().Counter(), 0u);
    }
  }
}

TEST(DebugLog, AReloadedPageIsANewCommandEvenWhereTheOldOneWas) {
  TestTitle t;
  t.Scenario(1, "Wait ,,99999\n");
  t.Scenario(5, "Comment\n");
  DebugRun d(t);
  TBookManager& book = d.Run().Book();
  TPage page(&book);
  const TStackData pos{5, 0, {}};
  for (int load = 0; load < 3; ++load) {
    // The same stream, page and index each time; a new command object after every load, which
    // may well sit where the old one was.
    page.LoadScenario(5);
    d.Core().OnExecute(book.Manager(7), *page.At(0), pos);
    d.Core().OnExecute(book.Manager(7), *page.At(0), pos);
  }
  EXPECT_EQ(d.Lines(6), (V{"[0]汎用 ﾍﾟｰｼﾞ:5 1行目 TComComment", "[2]汎用 ﾍﾟｰｼﾞ:5 1行目 TComComment",
                           "[4]汎用 ﾍﾟｰｼﾞ:5 1行目 TComComment"}));
}

// Each "次へ" lets exactly one command of the main stream run, on normal and non-stop pages.
TEST(DebugStep, OneMainCommandPerNext) {
  const char* pages[] = {
      "Calc ,,A = 1\nCalc ,,A = 2\nCalc ,,A = 3\nCalc ,,A = 4\nWait ,,99999\n",
      "NonStop=1\nCalc ,,A = 1\nCalc ,,A = 2\nCalc ,,A = 3\nCalc ,,A = 4\nWait ,,99999\n",
      "Calc 2,,A = 1\nCalc 2,,A = 2\nCalc 2,,A = 3\nCalc 2,,A = 4\nWait ,,99999\n",
  };
  for (const char* text : pages) {
    TestTitle t;
    t.Nums({"A"});
    t.Scenario(1, text);
    DebugRun d(t);
    d.Core().SetStepMode(true);
    d.Run().Events(5);
    EXPECT_EQ(d.Run().Num("A"), 0) << text;
    for (int step = 1; step <= 4; ++step) {
      d.Core().Next();
      d.Run().Events(3);
      EXPECT_EQ(d.Run().Num("A"), step) << text;
      EXPECT_TRUE(d.Core().Stopped()) << text;
    }
    d.Core().SetStepMode(false);
    d.Run().Events(2);
    EXPECT_EQ(d.Lines(0).size(), 5u) << text;
  }
}

// A waiting command's first execution is its step; the next "次へ" lets it wait to its end and
// starts the next command. Lines of other streams never stop the main stream.
TEST(DebugStep, AWaitSpansStepsAndOtherStreamsRunOn) {
  TestTitle t;
  t.Nums({"A", "B"});
  t.Scenario(1, "IntCall ,,1,9\nWait ,,1500\nCalc ,,A = 1\nWait ,,99999\n");
  t.Scenario(9, "Comment\nCalc ,,B = B + 1\n");
  DebugRun d(t);
  d.Core().SetStepMode(true);
  d.Run().Events(2);
  d.Core().Next();  // IntCall
  d.Run().Events(2);
  d.Core().Next();  // the Wait's first execution, which runs the always stream once
  d.Run().Events(20);
  EXPECT_EQ(d.Run().Num("B"), 1);
  EXPECT_TRUE(d.Core().Stopped());
  d.Core().Next();  // the Wait to its end, the always stream every 30 ms, then the Calc
  d.Run().Events(20);
  EXPECT_EQ(d.Run().Num("A"), 0);
  EXPECT_FALSE(d.Core().Stopped());
  d.Run().Events(40);
  EXPECT_EQ(d.Run().Num("A"), 1);
  EXPECT_GT(d.Run().Num("B"), 5);
  EXPECT_TRUE(d.Core().Stopped());
  EXPECT_GT(d.Lines(1).size(), 5u) << "the always stream's lines are logged all the same";
}

TEST(DebugBreaks, StopAfterTheChangingCommand) {
  struct Case {
    const char* name;
    const char* value;
    bool paused;
    std::int32_t a_at_stop;  // -1: never stops
  };
  const Case cases[] = {
      {"Ab", "", false, 1},         // any change
      {"Ab", "3", false, 3},        // that value
      {"AB", "2", false, 2},        // the rest of the name ignores ASCII case
      {"aB", "", false, -1},        // the first byte does not
      {"Ab", "", true, -1},         // paused
      {"Ab", "9", false, -1},       // never that value
      {"@TextSpd", "", false, -1},  // system values do not notify
  };
  for (const Case& c : cases) {
    TestTitle t;
    t.Nums({"Ab"});
    t.Scenario(1,
               "NonStop=1\nCalc ,,Ab = 1\nCalc ,,@TextSpd = 5\nCalc ,,Ab = 2\nCalc ,,Ab = 3\nCalc ,,Ab = 4\n"
               "Wait ,,99999\n");
    DebugRun d(t);
    ASSERT_TRUE(d.Core().AddBreak("Other", ""));
    ASSERT_TRUE(d.Core().AddBreak(c.name, c.value));
    if (c.paused) {
      d.Core().SelectBreak(1);
      d.Core().TogglePauseSelected();
      d.Core().SetBreakSelected(1, false);
    }
    d.Run().Events(4);
    const std::string what = std::string(c.name) + "=" + c.value;
    if (c.a_at_stop < 0) {
      EXPECT_EQ(d.Run().Num("Ab"), 4) << what;
      EXPECT_FALSE(d.Core().Stopped()) << what;
      EXPECT_FALSE(d.Core().Breaks()[1].selected) << what;
      continue;
    }
    EXPECT_EQ(d.Run().Num("Ab"), c.a_at_stop) << what;
    EXPECT_TRUE(d.Core().Stopped()) << what;
    EXPECT_TRUE(d.Core().StepMode()) << what;
    EXPECT_TRUE(d.Core().Breaks()[1].selected) << what;
    EXPECT_FALSE(d.Core().Breaks()[0].selected) << what;
    // Step mode from here on: one command per "次へ".
    d.Core().Next();
    d.Run().Events(2);
    EXPECT_TRUE(d.Core().Stopped()) << what;
  }
}

TEST(DebugBreaks, EditingTheList) {
  TestTitle t;
  t.Scenario(1, "Wait ,,99999\n");
  DebugRun d(t);
  DebugCore& c = d.Core();
  EXPECT_FALSE(c.AddBreak("", "1")) << "the dialog refuses an empty name";
  for (const char* n : {"A", "B", "C"}) ASSERT_TRUE(c.AddBreak(n, ""));
  EXPECT_FALSE(c.AnyBreakSelected());
  c.SelectBreak(0);
  c.SelectBreak(2, true);
  c.TogglePauseSelected();
  EXPECT_STREQ(DebugCore::StateText(c.Breaks()[0]), "一時停止");
  EXPECT_STREQ(DebugCore::StateText(c.Breaks()[1]), "");
  EXPECT_TRUE(c.Breaks()[2].paused);
  // The first selected break decides: B (running) and C (paused) both end up paused.
  c.SelectBreak(1);
  c.SelectBreak(2, true);
  c.TogglePauseSelected();
  EXPECT_TRUE(c.Breaks()[1].paused && c.Breaks()[2].paused);
  EXPECT_FALSE(c.EditBreak(1, "", "x"));
  EXPECT_TRUE(c.EditBreak(1, "D", "7"));
  c.DeleteSelectedBreaks();
  ASSERT_EQ(c.Breaks().size(), 1u);
  EXPECT_EQ(c.Breaks()[0].name, "A");
}

TEST(DebugVariables, RowsFollowTheStore) {
  TestTitle t;
  t.Nums({"A"});
  t.Strs({"S"});
  t.Scenario(1, "Calc ,,A = 5\nNew ,,1,T,あ\nWait ,,60\nDel ,,T\nWait ,,300\nNew ,,0,T,7\nWait ,,99999\n");
  DebugRun d(t);
  d.Run().Events(3);
  EXPECT_EQ(d.Row("A"), "5");
  EXPECT_EQ(d.Row("S"), "");
  EXPECT_EQ(d.Row("T"), "あ");
  const std::uint64_t first_t = d.Core().Variables().back().id;
  EXPECT_TRUE(d.Core().Variables().back().temporary);
  EXPECT_FALSE(d.Core().Variables().front().temporary);
  EXPECT_FALSE(d.Row("@TextSpd")) << "system values only on request";
  d.Run().Events(4);
  EXPECT_FALSE(d.Row("T")) << "a deleted variable's row goes at the next refresh";
  d.Core().SetFreezeVariables(true);
  d.Run().Events(3);
  EXPECT_FALSE(d.Row("T")) << "frozen";
  d.Core().SetFreezeVariables(false);
  d.Run().Events(10);
  EXPECT_EQ(d.Row("T"), "7");
  EXPECT_NE(d.Core().Variables().back().id, first_t) << "a new variable of the same name is a new row";
}

TEST(DebugVariables, SystemValuesWithSideEffectsAreNeverRead) {
  TestTitle t;
  t.Scenario(1, "Wait ,,99999\n");
  DebugRun d(t);
  d.Core().SetShowSystemValues(true);
  d.Run().Events(2);
  EXPECT_EQ(d.Row("@TextSpd"), "3");
  EXPECT_TRUE(d.Row("@NowPage"));
  for (const char* never : {"@Rand", "@Year", "@Week", "@ClickL", "@ClickR", "@Fonts", "@BitList", "@SaveHeaders10",
                            "@SaveHeader0", "@SaveHeader19"})
    EXPECT_FALSE(d.Row(never)) << never;
  EXPECT_TRUE(d.Row("@NoTextWait")) << "126 is read again";
  d.Core().SetShowSystemValues(false);
  d.Run().Events(1);
  EXPECT_FALSE(d.Row("@TextSpd"));
}

// The data pack checks are listed (they have no side effect) but probe the disk, so they are read
// again only now and then: a pack that appears shows within kRareEvery refreshes.
TEST(DebugVariables, DataPackChecksAreShownAndReadNowAndThen) {
  TestTitle t;
  t.Scenario(1, "Wait ,,99999\n");
  DebugRun d(t);
  d.Core().SetShowSystemValues(true);
  d.Run().Events(2);
  for (const char* name : {"@PmxExist1", "@PmpExist3", "@WavExist5"}) EXPECT_EQ(d.Row(name), "OFF") << name;
  std::filesystem::create_directories(t.Folder() / "PMP");
  std::ofstream(t.Folder() / "PMP" / "ID3") << "x";
  d.Run().Events(static_cast<int>(DebugCore::kRareEvery) + 1);
  EXPECT_EQ(d.Row("@PmpExist3"), "ON");
  EXPECT_EQ(d.Row("@PmxExist1"), "OFF");
}

// The random sequence of a title is the same with the debug window showing every value it may.
TEST(DebugVariables, RandomSequenceIsTheSameWithTheView) {
  std::vector<std::int32_t> runs[2];
  for (int with_view = 0; with_view < 2; ++with_view) {
    TestTitle t;
    t.Nums({"R"});
    t.Scenario(1, "Calc ,,R = @Rand\nWait ,,30\nJump ,,1,,0\n");
    TitleRun plain(t);
    const auto d = with_view ? std::make_unique<DebugRun>(t) : nullptr;
    d ? d->Core().SetShowSystemValues(true) : plain.Load();
    TitleRun& r = d ? d->Run() : plain;
    for (int i = 0; i < 12; ++i) {
      r.Events(1);
      runs[with_view].push_back(r.Num("R"));
    }
  }
  EXPECT_EQ(runs[0], runs[1]);
  EXPECT_NE(runs[0].front(), runs[0].back());
}

TEST(DebugSlots, ShowsASlotsLinesReadOnly) {
  TestTitle t;
  t.Nums({"A"});
  t.Registry("Software\\Mavlet\\DebugSlots");
  t.Scenario(1, "Calc ,,A = 3\nSaveGame ,,4\nWait ,,99999\n");
  RunOptions o;
  o.save_dir = t.Folder() / "saves";
  DebugRun d(t, o);
  d.Run().Events(3);
  const V lines = d.Core().SlotLines(4);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "#A=0,3"), lines.end());
  EXPECT_TRUE(d.Core().SlotLines(7).empty()) << "no such slot";
  const auto slot_file = t.Folder() / "saves" / "save04";
  const auto written = std::filesystem::last_write_time(slot_file);
  d.Core().SlotLines(4);
  EXPECT_EQ(std::filesystem::last_write_time(slot_file), written) << "read only";
  std::ofstream(t.Folder() / "saves" / "save05", std::ios::binary) << "not packed";
  const V damaged = d.Core().SlotLines(5);
  ASSERT_EQ(damaged.size(), 1u);
  EXPECT_NE(damaged[0].find("save05"), std::string::npos) << damaged[0];
}

}  // namespace
}  // namespace mavlet::testing
