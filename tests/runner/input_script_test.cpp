// Headless input scripts: every action with its arguments, and the errors that name the line.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "player/common/error.h"
#include "player/runner/headless_runner.h"

namespace mavlet {
namespace {

using K = InputAction::Kind;

InputAction Act(int event, K kind, int x = 0, int y = 0) {
  InputAction a;
  a.event = event;
  a.kind = kind;
  a.x = x;
  a.y = y;
  return a;
}
InputAction Break(std::string name, std::optional<std::string> value) {
  InputAction a = Act(2, K::kDebugBreak);
  a.name = std::move(name);
  a.value = std::move(value);
  return a;
}
InputAction Typed(std::string text) {
  InputAction a = Act(3, K::kText);
  a.text = std::move(text);
  return a;
}

TEST(InputScript, EveryActionWithItsArguments) {
  struct Case {
    const char* line;
    InputAction expected;
  };
  const Case cases[] = {
      {"1 click", Act(1, K::kClick)},
      {"1 home", Act(1, K::kHome)},
      {"1 end", Act(1, K::kEnd)},
      {"1 pageup", Act(1, K::kPageUp)},
      {"1 pagedown", Act(1, K::kPageDown)},
      {"1 mouse 5 -1", Act(1, K::kMouse, 5, -1)},
      {"1 press 10 20", Act(1, K::kPress, 10, 20)},
      {"1 release 3 4", Act(1, K::kRelease, 3, 4)},
      {"1 wheel -2", Act(1, K::kWheel, -2)},
      {"1 wheel 1000", Act(1, K::kWheel, 1000)},
      {"1 f11", Act(1, K::kF11)},
      {"1 alt+return", Act(1, K::kAltReturn)},
      {"1 f12", Act(1, K::kF12)},
      {"2 debug-step", Act(2, K::kDebugStep)},
      {"2 debug-break フラグ", Break("フラグ", std::nullopt)},
      {"2 debug-break S  two words \t", Break("S", "two words")},
      {"3 text Taro", Typed("Taro")},
      {"3 text 山田 太郎 ", Typed("山田 太郎 ")},  // blanks inside and at the end stay
      {"3\ttext\t a,b\r", Typed(" a,b")},      // one separator is dropped, and the CR
      {"3 return", Act(3, K::kReturn)},
      {"3 escape", Act(3, K::kEscape)},
      {"3 backspace", Act(3, K::kBackspace)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto actions = ParseInputScript(c.line, "in.txt");
    ASSERT_EQ(actions.size(), 1u);
    const InputAction& got = actions[0];
    const InputAction& want = c.expected;
    EXPECT_EQ(got.event, want.event);
    EXPECT_EQ(got.kind, want.kind);
    EXPECT_EQ(std::make_pair(got.x, got.y), std::make_pair(want.x, want.y));
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(got.value, want.value);
    EXPECT_EQ(got.text, want.text);
  }
}

TEST(InputScript, BadLinesNameTheLine) {
  const char* bad[] = {"1 press 10", "1 release x 2", "1 wheel", "1 wheel 1001", "1 wheel 2 3", "1 home 2",
                       "1 scroll 1", "1 debug-break", "1 debug-step now", "1 text", "1 text  ",
                       "1 return 2"};
  for (const char* line : bad) {
    SCOPED_TRACE(line);
    try {
      ParseInputScript(std::string("# comment\n") + line, "in.txt");
      ADD_FAILURE() << "accepted";
    } catch (const MavError& e) {
      EXPECT_NE(std::string(e.what()).find("in.txt:2:"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace mavlet
