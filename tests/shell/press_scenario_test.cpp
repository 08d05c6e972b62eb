// Each press reaches one query: titles run headless on the virtual clock, with presses, wheel
// notches and cursor keys made while a logic step runs a transition or a stream that waits
// (the headless display's pump hook acts there, as a window's messages would arrive).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "player/display/sel_str_surface.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

using K = InputAction::Kind;

// A loaded run of the title; `inside` runs at every pump of a loop inside a step, given the
// pump's number (from 1) and the input.
std::unique_ptr<TitleRun> Start(const TestTitle& t, std::vector<InputAction> input = {},
                                std::function<void(int, HeadlessInput&)> inside = {}) {
  RunOptions o;
  o.input = std::move(input);
  auto run = std::make_unique<TitleRun>(t, o);
  run->Load();
  if (inside) {
    TitleRun* r = run.get();
    auto pumps = std::make_shared<int>(0);
    r->R().Screen().SetPumpHook([r, pumps, inside] { inside(++*pumps, r->R().Input()); });
  }
  return run;
}

// The left button goes down at pump `from` and up at pump `to`.
std::function<void(int, HeadlessInput&)> ClickInside(int from, int to) {
  return [from, to](int pump, HeadlessInput& in) {
    if (pump == from) in.Hold(MouseButton::kLeft);
    if (pump == to) in.Release(MouseButton::kLeft);
  };
}

// A fade over the whole screen (kind 2) and a wait of the always stream (30 ms steps).
constexpr const char* kFade = "FillSfc ,,0,0,0,640,480,$FF0000,255,2\n";
constexpr const char* kAlwaysWaits = "IntCall ,,1,9\n";
constexpr const char* kAlwaysPage = "Wait ,,100\n";

TEST(PressScenario, OneClickEndsOnlyTheFirstOfTwoWaitClicksInOneStep) {
  struct Case {
    const char* between;  // non-stop commands between the two WaitClicks
    std::vector<InputAction> input;
    int n;  // WaitClicks passed
  };
  const Case cases[] = {
      {"", {{3, K::kClick}}, 1},
      {"Calc ,,X = 1\n", {{3, K::kClick}}, 1},
      {"FillSfc ,,2,0,0,4,4,$FFFFFF,255,0\n", {{3, K::kClick}}, 1},
      {"FillSfc ,,2,0,0,4,4,$FFFFFF,255,0\n", {{3, K::kClick}, {6, K::kClick}}, 2},  // a new press
      {"", {{3, K::kClick}, {4, K::kClick}}, 1},  // held over two events: one press
      {"", {{3, K::kCancel}}, 0},                 // only decide ends a WaitClick
  };
  for (const Case& c : cases) {
    TestTitle t;
    t.Nums({"N", "X"});
    t.Scenario(1, std::string("NonStop=1\nWaitClick\nCalc ,,N = N + 1\n") + c.between +
                      "WaitClick\nCalc ,,N = N + 1\nWait ,,99999\n");
    auto r = Start(t, c.input);
    r->Events(10);
    EXPECT_EQ(r->Num("N"), c.n) << c.between << " inputs " << c.input.size();
    EXPECT_EQ(r->Errors(), "");
  }
}

TEST(PressScenario, AClickInsideAStepAnswersTheWaitClickAfterItOnce) {
  struct Case {
    const char* name;
    std::string page;  // ends in the two counted WaitClicks
    std::function<void(int, HeadlessInput&)> inside;
    int n;
  };
  const std::string waits = "WaitClick\nCalc ,,N = N + 1\nWaitClick\nCalc ,,N = N + 1\nWait ,,99999\n";
  const Case cases[] = {
      {"fade, same step", std::string("NonStop=1\n") + kFade + waits, ClickInside(3, 6), 1},
      {"fade, next step", kFade + waits, ClickInside(3, 6), 1},
      {"fade, one poll only", kFade + waits, ClickInside(3, 4), 1},
      {"fade, held past its end", kFade + waits, ClickInside(3, 10000), 1},
      {"fade, two clicks", kFade + waits,
       [](int pump, HeadlessInput& in) {
         if (pump == 3 || pump == 7) in.Hold(MouseButton::kLeft);
         if (pump == 5 || pump == 9) in.Release(MouseButton::kLeft);
       },
       1},  // both before anything asked: one report
      {"always stream waiting", std::string(kAlwaysWaits) + waits, ClickInside(3, 6), 1},
  };
  for (const Case& c : cases) {
    TestTitle t;
    t.Nums({"N"});
    t.Scenario(1, c.page);
    t.Scenario(9, kAlwaysPage);
    auto r = Start(t, {}, c.inside);
    r->Events(12);
    EXPECT_EQ(r->Num("N"), c.n) << c.name;
    EXPECT_EQ(r->Errors(), "") << c.name;
  }
}

TEST(PressScenario, NotchesAndCursorKeysInsideAStepReachTheChoice) {
  struct Case {
    const char* name;
    const char* before;  // in front of the choice
    std::function<void(int, HeadlessInput&)> inside;
    int selected;
  };
  auto key = [](Key k) {
    return [k](int pump, HeadlessInput& in) {
      if (pump == 3) in.Hold(k);
      if (pump == 5) in.Release(k);
    };
  };
  auto wheel = [](int notches) {
    return [notches](int pump, HeadlessInput& in) {
      if (pump == 3) in.Wheel(notches);
    };
  };
  const Case cases[] = {
      {"down key during a fade", kFade, key(Key::kDown), 0},
      {"notch towards during a fade", kFade, wheel(-1), 0},
      {"notch away during a fade", kFade, wheel(1), 2},  // from none: the last item
      {"down key while the always stream waits", kAlwaysWaits, key(Key::kDown), 0},
      {"two notches while the always stream waits", kAlwaysWaits, wheel(-2), 1},
  };
  for (const Case& c : cases) {
    TestTitle t;
    t.Scenario(1, std::string("NonStop=1\n") + c.before +
                      "SelStr ,,,10,0,0,0,24,$FFFFFF,0,0,0,0,0,0,,one,2::0,0,two,2::0,0,three,2::0,0\nWait ,,99999\n");
    t.Scenario(2, "Wait ,,99999\n");
    t.Scenario(9, kAlwaysPage);
    auto r = Start(t, {{1, K::kMouse, -1, -1}}, c.inside);  // the mouse away from the items
    r->Events(12);
    TSelStrSurface* layer = r->R().Sys().Screen().SelStrLayer();
    ASSERT_EQ(layer->Count(), 3) << c.name;
    EXPECT_EQ(layer->Selected(), c.selected) << c.name;
    EXPECT_EQ(r->Errors(), "") << c.name;
  }
}

TEST(PressScenario, ClickValuesTakeThePressHeldValuesDoNot) {
  struct Case {
    const char* loop;  // runs every step until it has seen the button, then the WaitClick
    std::vector<InputAction> input;
    int a;  // 1 when the WaitClick passed
  };
  const Case cases[] = {
      // "@ClickL" reported the press: the WaitClick waits for a new one.
      {"Calc 2,,X = @ClickL\nJump ,X = 0,1,,0\n", {{3, K::kClick}}, 0},
      {"Calc 2,,X = @ClickL\nJump ,X = 0,1,,0\n", {{3, K::kClick}, {6, K::kClick}}, 1},
      // "@PushL" only looks: the WaitClick after it still gets the press.
      {"Calc 2,,X = @PushL\nJump ,X = 0,1,,0\n", {{3, K::kClick}}, 1},
      // "@ClickR" takes the cancel press only.
      {"Calc 2,,X = @ClickR\nJump ,X = 0,1,,0\n", {{3, K::kCancel}, {3, K::kClick}}, 1},
  };
  for (const Case& c : cases) {
    TestTitle t;
    t.Nums({"A", "X"});
    t.Scenario(1, std::string("Label\n") + c.loop + "WaitClick\nCalc ,,A = 1\nWait ,,99999\n");
    auto r = Start(t, c.input);
    r->Events(10);
    EXPECT_EQ(r->Num("A"), c.a) << c.loop << " inputs " << c.input.size();
  }
}

TEST(PressScenario, AClickValueReadsOnePerPress) {
  TestTitle t;
  t.Nums({"P", "Q"});
  // Read twice in every step: the press counts for the first read only.
  t.Scenario(1, "Label\nCalc 2,,P = P + @ClickL\nCalc 2,,Q = Q + @ClickL\nWait ,,0\nJump ,,1,,0\n");
  auto r = Start(t, {{3, K::kClick}, {4, K::kClick}, {7, K::kClick}});
  r->Events(10);
  EXPECT_EQ(r->Num("P"), 2);
  EXPECT_EQ(r->Num("Q"), 0);
}

}  // namespace
}  // namespace mavlet::testing
