// The browser page's URL query: what each parameter gives, and the errors naming the parameter.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "player/common/error.h"
#include "player/runner/web_query.h"

namespace mavlet {
namespace {

struct QueryCase {
  const char* query;
  std::optional<std::int32_t> events;
  std::optional<std::int32_t> interval;
  std::string input;
  bool vars = false;
  bool shot = false;
  int depth = 32;
};

TEST(WebQuery, ParametersGiveTheRun) {
  const QueryCase cases[] = {
      {""},
      {"?"},
      {"?events=1026&input=run-demo.input&vars=1&shot=1", 1026, std::nullopt, "run-demo.input", true, true},
      {"events=5&interval=16&depth=16", 5, 16, "", false, false, 16},
      // Unknown parameters, empty parts and parameters without a value that are unknown.
      {"?utm=x&&events=2&debug&vars=0", 2},
      // The last of a repeated parameter counts.
      {"?events=3&events=7&depth=24&depth=32", 7},
      // Percent escapes and "+" in the input's address.
      {"?input=scripts%2Fmy+run%2b1.input", std::nullopt, std::nullopt, "scripts/my run+1.input"},
      {"?input=%E5%85%A5%E5%8A%9B.txt", std::nullopt, std::nullopt, "\xE5\x85\xA5\xE5\x8A\x9B.txt"},
      // Showing switches without events: a real-time run that ignores them.
      {"?shot=1", std::nullopt, std::nullopt, "", false, true},
  };
  for (const QueryCase& c : cases) {
    SCOPED_TRACE(c.query);
    const RunQuery q = ParseRunQuery(c.query);
    EXPECT_EQ(q.events, c.events);
    EXPECT_EQ(q.Scripted(), c.events.has_value());
    EXPECT_EQ(q.interval, c.interval);
    EXPECT_EQ(q.input, c.input);
    EXPECT_EQ(q.vars, c.vars);
    EXPECT_EQ(q.shot, c.shot);
    EXPECT_EQ(q.depth, c.depth);
  }
}

TEST(WebQuery, BadValuesNameTheParameter) {
  struct Bad {
    const char* query;
    const char* message;
  };
  const Bad cases[] = {
      {"?events=0", "events=0: not a positive integer"},
      {"?events=-3", "events=-3: not a positive integer"},
      {"?events=12x", "events=12x: not a positive integer"},
      {"?events=99999999999", "events=99999999999: not a positive integer"},
      {"?events=", "events=: not a positive integer"},
      {"?interval=0", "interval=0: not a positive integer"},
      {"?vars=yes", "vars=yes: give 0 or 1"},
      {"?shot", "shot=: give 0 or 1"},
      {"?depth=8", "depth=8: give 16, 24 or 32"},
      {"?input=", "input=: give the input script's address"},
      {"?input=a%2", "input=a%2: bad percent escape"},
      {"?input=a%", "input=a%: bad percent escape"},
      {"?input=%zz", "input=%zz: bad percent escape"},
  };
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.query);
    try {
      ParseRunQuery(c.query);
      ADD_FAILURE() << "no error";
    } catch (const MavError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace mavlet
