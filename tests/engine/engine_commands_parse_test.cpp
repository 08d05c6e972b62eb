// The engine commands' lines as tables: which field lands in which argument, and the defaults of
// missing fields (an interrupt page of -1 starts nothing; a variable is unmarked).
#include <gtest/gtest.h>

#include <string_view>

#include "player/engine/flow_commands.h"
#include "player/engine/state_commands.h"
#include "player/engine/var_commands.h"
#include "tests/support/command_parse.h"

namespace mavlet {
namespace {

using testing::ParseLine;

template <typename Args>
struct Row {
  std::string_view line;
  testing::ParsedLine<Args> expected;
};

TEST(EngineCommandParse, IntCallStreamThenPage) {
  const Row<IntCallArgs> rows[] = {
      {"", {0, "", {0, -1}}},
      {"2,f>0,5,12", {2, "f>0", {5, 12}}},
      {",,3", {0, "", {3, -1}}},
      {",,x,y", {0, "", {0, -1}}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.line);
    EXPECT_EQ(ParseLine<TComIntCall>(r.line), r.expected);
  }
}

TEST(EngineCommandParse, NewKindNameInitialMark) {
  const Row<NewArgs> rows[] = {
      {"", {0, "", {0, "", "", false}}},
      {"0,,1,name,hello,1", {0, "", {1, "name", "hello", true}}},
      {",c,2,n,,0", {0, "c", {2, "n", "", false}}},
      {",,,n,7,5", {0, "", {0, "n", "7", true}}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.line);
    EXPECT_EQ(ParseLine<TComNew>(r.line), r.expected);
  }
}

TEST(EngineCommandParse, OneTextField) {
  EXPECT_EQ(ParseLine<TComLabel>("0,,start").args.name, "start");
  EXPECT_EQ(ParseLine<TComWait>("2,,@wait+10").args.ms, "@wait+10");
  EXPECT_EQ(ParseLine<TComDel>(",,temp,extra").args.name, "temp");
  EXPECT_EQ(ParseLine<TComWait>("1").args.ms, "");
}

}  // namespace
}  // namespace mavlet
