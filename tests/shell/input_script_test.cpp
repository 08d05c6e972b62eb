// Headless input scripts: every action with its arguments, and the errors that name the line.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "player/common/error.h"
#include "player/shell/headless_runner.h"

namespace mavlet {
namespace {

using K = InputAction::Kind;

TEST(InputScript, Actions) {
  struct Case {
    const char* line;
    K kind;
    int x, y;
  };
  const Case cases[] = {
      {"1 click", K::kClick, 0, 0},         {"1 home", K::kHome, 0, 0},
      {"1 end", K::kEnd, 0, 0},             {"1 pageup", K::kPageUp, 0, 0},
      {"1 pagedown", K::kPageDown, 0, 0},   {"1 mouse 5 -1", K::kMouse, 5, -1},
      {"1 press 10 20", K::kPress, 10, 20}, {"1 release 3 4", K::kRelease, 3, 4},
      {"1 wheel -2", K::kWheel, -2, 0},     {"1 wheel 1000", K::kWheel, 1000, 0},
      {"1 f11", K::kF11, 0, 0},             {"1 alt+return", K::kAltReturn, 0, 0},
      {"1 f12", K::kF12, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto actions = ParseInputScript(c.line, "in.txt");
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].kind, c.kind);
    EXPECT_EQ(actions[0].x, c.x);
    EXPECT_EQ(actions[0].y, c.y);
  }
}

TEST(InputScript, DebugActions) {
  struct Case {
    const char* line;
    K kind;
    std::string name;
    std::optional<std::string> value;
  };
  const Case cases[] = {
      {"2 debug-step", K::kDebugStep, "", std::nullopt},
      {"2 debug-break フラグ", K::kDebugBreak, "フラグ", std::nullopt},
      {"2 debug-break S  two words \t", K::kDebugBreak, "S", "two words"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto actions = ParseInputScript(c.line, "in.txt");
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].kind, c.kind);
    EXPECT_EQ(actions[0].name, c.name);
    EXPECT_EQ(actions[0].value, c.value);
  }
}

TEST(InputScript, TypedTextKeepsTheRestOfTheLine) {
  struct Case {
    const char* line;
    K kind;
    const char* text;
  };
  const Case cases[] = {
      {"3 text Taro", K::kText, "Taro"},
      {"3 text 山田 太郎 ", K::kText, "山田 太郎 "},  // blanks inside and at the end stay
      {"3\ttext\t a,b\r", K::kText, " a,b"},      // one separator is dropped, and the CR
      {"3 return", K::kReturn, ""},
      {"3 escape", K::kEscape, ""},
      {"3 backspace", K::kBackspace, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto actions = ParseInputScript(c.line, "in.txt");
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].event, 3);
    EXPECT_EQ(actions[0].kind, c.kind);
    EXPECT_EQ(actions[0].text, c.text);
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
