// SelStr and SelMap played headless: mouse, keys, wheel, drags on the scroll bar with their
// auto-repeat on the virtual clock, call items on temporary streams, the first-step rule, map
// actions, and a game saved and loaded while a choice is open.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "player/display/commands/display_command_registration.h"
#include "player/display/sel_map_surface.h"
#include "player/display/sel_str_surface.h"
#include "player/shell/game_system.h"
#include "tests/support/layer_services.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

using K = InputAction::Kind;

InputAction At(int event, K kind, int x = 0, int y = 0) { return InputAction{event, kind, x, y}; }

// Column menu at (10, 10), font 24, rows 10: item i spans y 10 + 32 i .. + 32, x 10 .. 86.
const char* kMenu =
    "SelStr ,,,10,0,10,10,24,$FFFFFF,0,0,0,0,0,0,10:0:0:0:0:0:0:0:0:0,"
    "Alpha,2::0,0,Beta,3::0,1,Gamma,4::0,0,NoWhere,,0\n"
    "Calc ,,A = 99\n"
    "Wait ,,99999\n";

class ChoiceScenarioTest : public ::testing::Test {
 protected:
  std::unique_ptr<TitleRun> Run(const std::vector<InputAction>& input, int events, std::uint64_t max_run = 1'000'000) {
    RunOptions o;
    o.input = input;
    o.trace = true;
    o.max_run_commands = max_run;
    o.save_dir = title_.Folder() / "saves";
    return RunTitle(title_, events, o);
  }
  void Pages(const std::string& page1) {
    title_.Nums({"A", "N", "E", "L"});
    title_.Scenario(1, page1);
    title_.Scenario(2, "Calc ,,A = 1\nWait ,,99999\n");
    title_.Scenario(3, "Calc ,,N = N + 1\n");
    title_.Scenario(4, "Calc ,,A = 3\nWait ,,99999\n");
  }
  TestTitle title_;
};

TEST_F(ChoiceScenarioTest, StringChoiceByMouseKeysAndCancel) {
  struct Case {
    const char* name;
    std::vector<InputAction> input;
    int a, n;
    std::string sel_str;
    int sel_idx;
  };
  const Case cases[] = {
      {"hover and click", {At(3, K::kMouse, 20, 20), At(5, K::kClick)}, 1, 0, "Alpha", 0},
      {"call item twice keeps the menu, then choose",
       {At(3, K::kMouse, 20, 52), At(5, K::kClick), At(7, K::kClick), At(9, K::kMouse, 20, 84), At(11, K::kClick)},
       3, 2, "Gamma", 2},
      {"keys", {At(3, K::kDown), At(5, K::kDown), At(7, K::kDown), At(9, K::kUp), At(11, K::kClick)}, 0, 1, "Beta", 1},
      {"cancel goes on", {At(4, K::kCancel)}, 99, 0, "", 0},
      {"item without a target cannot be chosen", {At(3, K::kMouse, 20, 116), At(5, K::kClick)}, 0, 0, "", 0},
      {"a click as the menu opens is ignored", {At(2, K::kMouse, 20, 20), At(2, K::kClick)}, 0, 0, "", 0},
      {"the wheel moves the selection in columns", {At(3, K::kWheel, -2), At(5, K::kClick)}, 0, 1, "Beta", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Pages(kMenu);
    auto r = Run(c.input, 14);
    EXPECT_EQ(r->Errors(), "");
    EXPECT_EQ(r->Num("A"), c.a);
    EXPECT_EQ(r->Num("N"), c.n);
    EXPECT_EQ(r->R().Sys().Values().LastChoiceText(), c.sel_str);
    EXPECT_EQ(r->R().Sys().Values().LastChoiceIndex(), c.sel_idx);
  }
}

TEST_F(ChoiceScenarioTest, CallItemsRunOnAGeneralStreamAndAreBounded) {
  Pages(kMenu);
  // The call item's page loops forever: it is cut off, the menu stays usable.
  title_.Scenario(3, "NonStop=1\nCalc ,,N = N + 1\nJump ,,3\n");
  auto r = Run({At(3, K::kMouse, 20, 52), At(5, K::kClick), At(7, K::kMouse, 20, 20), At(9, K::kClick)}, 12, 5000);
  EXPECT_EQ(r->Num("A"), 1);
  EXPECT_GT(r->Num("N"), 0);
  const auto trace = r->TakeTrace();
  EXPECT_TRUE(std::any_of(trace.begin(), trace.end(), [](const std::string& l) {
    return l.find("\t汎用\t3\t") != std::string::npos;
  }));
}

TEST_F(ChoiceScenarioTest, AtItemsSplitAndTopIsClamped) {
  title_.Nums({"A"});
  // The first choice's text holds "\n" twice; "@SelStr" then gives three items.
  title_.Scenario(1, "SelStr ,,,10,0,0,0,24,$FFFFFF,0,0,0,0,0,0,,one\\ntwo\\nthree,2::0,0\nWait ,,99999\n");
  title_.Scenario(2,
                  "SelStr ,,,10,0,0,0,24,$FFFFFF,0,0,0,0,0,0,2:0:0:1:40,@SelStr,3::0,0\n"
                  "Wait ,,99999\n");
  auto r = Run({At(3, K::kMouse, 20, 20), At(5, K::kClick)}, 8);
  EXPECT_EQ(r->Errors(), "");
  TSelStrSurface* layer = r->R().Sys().Screen().SelStrLayer();
  ASSERT_EQ(layer->Count(), 3);
  EXPECT_EQ(layer->Items()[2].Text, "three");
  EXPECT_EQ(layer->Items()[2].Page, 3);
  EXPECT_EQ(layer->Top(), 1) << "40 is outside 0..n-R";
  EXPECT_EQ(r->R().Sys().Values().ChoiceTopRow(), 1);
}

// List of 30 at (0, 0), font 24, 10 rows, scroll bar frame 0: the bar is x 88..104, y 0..320;
// up box y 0..16, down box 304..320, the thumb travels 320 - 48 = 272 pixels.
std::string ListMenu() {
  std::string s = "SelStr ,,,10,0,0,0,24,$FFFFFF,0,0,0,0,0,0,10:0:0:1:0:0:0:0:0:0";
  for (int i = 0; i < 30; ++i) s += ",Item" + std::to_string(i < 10 ? i + 10 : i) + ",2::0,0";
  return s + "\nCalc ,,A = 99\nWait ,,99999\n";
}

TEST_F(ChoiceScenarioTest, ScrollBarRepeatsOnTheClock) {
  struct Case {
    const char* name;
    std::vector<InputAction> input;
    int events;
    int top;
  };
  // 30 ms per event, 2 steps per event (the clock moves per event).
  const Case cases[] = {
      // Held from event 3: one row at once, one after 300 ms (event 13), then every 100 ms.
      {"down box held 8 events", {At(3, K::kPress, 95, 310)}, 10, 1},
      {"down box held past 300 ms", {At(3, K::kPress, 95, 310)}, 14, 2},
      {"down box held past 400 ms", {At(3, K::kPress, 95, 310)}, 17, 3},
      {"released stops", {At(3, K::kPress, 95, 310), At(5, K::kRelease, 95, 310)}, 30, 1},
      {"page down on the track", {At(3, K::kPress, 95, 200), At(4, K::kRelease, 95, 200)}, 6, 10},
      {"drag the thumb to the bottom", {At(3, K::kPress, 95, 20), At(5, K::kPress, 95, 500), At(7, K::kRelease, 95, 500)}, 9, 20},
      {"wheel scrolls three rows a notch", {At(3, K::kWheel, -2)}, 5, 6},
      {"end key", {At(3, K::kEnd)}, 5, 20},
      {"page down key from nothing selected", {At(3, K::kPageDown)}, 5, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    title_.Nums({"A"});
    title_.Scenario(1, ListMenu());
    title_.Scenario(2, "Calc ,,A = 1\nWait ,,99999\n");
    auto r = Run(c.input, c.events);
    EXPECT_EQ(r->Errors(), "");
    EXPECT_EQ(r->R().Sys().Screen().SelStrLayer()->Top(), c.top);
    EXPECT_EQ(r->Num("A"), 0);
  }
}

TEST_F(ChoiceScenarioTest, MapRegionsRunEnterLeaveAndDecide) {
  struct Case {
    const char* name;
    std::vector<InputAction> input;
    int a, e, l, sel_idx;
  };
  const Case cases[] = {
      {"enter, leave into the next, click it",
       {At(3, K::kMouse, 20, 20), At(5, K::kMouse, 70, 20), At(7, K::kClick)}, 3, 1, 1, 1},
      {"hover-only region ignores clicks", {At(3, K::kMouse, 5, 70), At(5, K::kClick)}, 0, 1, 0, 2},
      {"cancel goes on", {At(3, K::kMouse, 20, 20), At(5, K::kCancel)}, 99, 1, 0, 0},
      {"malformed region keeps its index", {At(3, K::kMouse, 200, 200), At(5, K::kClick)}, 4, 0, 0, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    title_.Nums({"A", "E", "L"});
    title_.Scenario(1,
                    "SelMap ,,,0\\2::0&5::0&6::0\\10\\10\\50\\50,1\\3::0\\60\\10\\100\\50,"
                    "0\\&5::0\\0\\60\\20\\80,0\\2::0\\1,2\\4::0\\150\\150\\250\\150\\200\\250\n"
                    "Calc ,,A = 99\nWait ,,99999\n");
    title_.Scenario(2, "Calc ,,A = 1\nWait ,,99999\n");
    title_.Scenario(3, "Calc ,,A = 3\nWait ,,99999\n");
    title_.Scenario(4, "Calc ,,A = 4\nWait ,,99999\n");
    title_.Scenario(5, "Calc ,,E = E + 1\n");
    title_.Scenario(6, "Calc ,,L = L + 1\n");
    auto r = Run(c.input, 10);
    EXPECT_EQ(r->Errors(), "");
    EXPECT_EQ(r->Num("A"), c.a);
    EXPECT_EQ(r->Num("E"), c.e);
    EXPECT_EQ(r->Num("L"), c.l);
    EXPECT_EQ(r->R().Sys().Values().LastChoiceIndex(), c.sel_idx);
  }
}

TEST_F(ChoiceScenarioTest, SavedWhileOpenTheChoiceComesBackOnLoad) {
  title_.Registry("Software\\Mavlet\\ChoiceTest");
  Pages(kMenu);
  // The call item saves the game while the menu is open.
  title_.Scenario(3, "SaveGame ,,1\nCalc ,,N = N + 1\n");
  auto r = Run({At(3, K::kMouse, 20, 52), At(5, K::kClick), At(7, K::kMouse, 20, 20), At(9, K::kClick),
                At(14, K::kMouse, 20, 84), At(16, K::kClick)},
               12);
  ASSERT_EQ(r->Num("N"), 1);
  ASSERT_EQ(r->Num("A"), 1);
  EXPECT_EQ(r->R().Sys().Screen().SelStrLayer()->Count(), 0);
  // Loading brings the menu back with its items, as it was when saved.
  r->R().Book().LoadGameSlot(1, r->R().Sys());
  EXPECT_EQ(r->R().Sys().Screen().SelStrLayer()->Count(), 4);
  EXPECT_EQ(r->Num("N"), 0);
  r->Events(8);
  EXPECT_EQ(r->Num("A"), 3);
}

}  // namespace
}  // namespace mavlet::testing
