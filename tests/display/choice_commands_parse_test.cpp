// Argument parsing of SelStr and SelMap: style fields, the ":"-separated style list, item
// triples, jump targets and map region definitions.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "player/display/commands/choice_commands.h"
#include "tests/support/command_parse.h"

namespace mavlet {
namespace {

using testing::ParseLine;
using testing::Parsed;
using SelStrLine = testing::ParsedLine<TComSelStr::Args>;

const std::string kSo = "\x83\x5C";
const std::string kLeadComma = "\x81\x2C";

JumpTarget Target(std::int32_t page, std::string label, std::int32_t com) {
  JumpTarget t;
  t.Page = page;
  t.Label = std::move(label);
  t.Com = com;
  return t;
}

TEST(JumpTargetParse, Table) {
  struct Case {
    std::string text;
    JumpTarget expect;
  };
  const Case cases[] = {
      {"", Target(-1, "", 0)},
      {"10", Target(10, "", 0)},
      {"10:start:3", Target(10, "start", 3)},
      {"x:l:-4", Target(-1, "l", 0)},
      {"5::abc", Target(5, "", 0)},
      {"7:" + kSo + ":2", Target(7, kSo, 2)},
      {"$10:a:$1", Target(16, "a", 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(JumpTarget::FromText(c.text), c.expect);
  }
}

TEST(SelStrParse, StyleFields) {
  EXPECT_EQ(ParseLine<TComSelStr>("2,c,Title,12,$0000FF,X,Y,20,$00FF00,3,$111111,258,$222222,3,$333333,"
                                  "8:1:1:1:@SelTop:$444444:$555555:2:$666666:2"),
            (SelStrLine{2, "c", {"Title", 12, 0x0000FF, "X", "Y", 20, 0x00FF00, 3, 0x111111, 2, 0x222222, 3,
                                 0x333333, 8, 1, 1, 1, "@SelTop", 0x444444, 0x555555, 2, 0x666666, 2, {}}}));
}

TEST(SelStrParse, DefaultsAndRowCount) {
  struct Case {
    const char* name;
    std::string line;
    TComSelStr::Args want;
  };
  const Case cases[] = {
      {"empty line", "", {}},
      {"only rows", "0,,,,,,,,,,,,,,,5", {.rows = 5}},
      {"rows 0 would divide by zero", "0,,,,,,,,,,,,,,,0:0:0:1", {.list_mode = 1}},
      {"negative rows", "0,,,,,,,,,,,,,,,-3", {}},
      {"unusable rows", "0,,,,,,,,,,,,,,,r:x:y:z", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseLine<TComSelStr>(c.line), (SelStrLine{0, "", c.want})) << c.name;
}

TEST(SelStrParse, Items) {
  const std::string style = "0,,T,10,0,0,0,24,0,0,0,0,0,0,0,10";
  struct Case {
    const char* name;
    std::string items;
    std::vector<TSelStrItem> want;
  };
  const Case cases[] = {
      {"none", "", {}},
      {"two items", ",Yes,10:a:0,0,No,11::3,1",
       {{"Yes", Target(10, "a", 0), 0}, {"No", Target(11, "", 3), 1}}},
      {"list ends at the first empty text", ",A,1,0,,2,0,C,3,0", {{"A", Target(1, "", 0), 0}}},
      {"missing target and flag", ",Only", {{"Only", Target(-1, "", 0), 0}}},
      {"variable item stays as written", ",@Items,12,0", {{"@Items", Target(12, "", 0), 0}}},
      {"trail bytes inside an item", "," + kSo + kLeadComma + ",4:" + kSo + ":1,x",
       {{kSo + kLeadComma, Target(4, kSo, 1), 0}}},
  };
  for (const Case& c : cases) {
    const auto parsed = ParseLine<TComSelStr>(style + c.items);
    EXPECT_EQ(parsed.args.items, c.want) << c.name;
    EXPECT_EQ(parsed.args.title, "T") << c.name;
  }
}

TEST(SelMapParse, RegionDefinitions) {
  struct Case {
    const char* name;
    std::string text;
    std::int32_t kind;
    JumpTarget decide, enter, leave;
    std::vector<MapPoint> points;
  };
  const JumpTarget none = Target(-1, "", 0);
  const Case cases[] = {
      {"rectangle with three actions", "0\\10:a:0&11&12:b:2\\10\\10\\110\\60", 0, Target(10, "a", 0),
       Target(11, "", 0), Target(12, "b", 2), {{10, 10}, {110, 60}}},
      {"blanks around parts", " 2 \\ 5 & 6 \\ 0 \\0\\ 50\\0\\25 \\40 ", 2, Target(5, "", 0), Target(6, "", 0),
       none, {{0, 0}, {50, 0}, {25, 40}}},
      {"lone last x", "1\\5\\1\\2\\3", 1, Target(5, "", 0), none, none, {{1, 2}, {3, 0}}},
      {"no coordinates", "0\\5", 0, Target(5, "", 0), none, none, {}},
      {"trailing separator makes one point", "0\\5\\", 0, Target(5, "", 0), none, none, {{0, 0}}},
      {"kind only", "1", 1, none, none, none, {}},
      {"unusable kind", "x\\\\1\\2", 0, none, none, none, {{1, 2}}},
      {"enter only", "0\\&7\\0\\0\\1\\1", 0, none, Target(7, "", 0), none, {{0, 0}, {1, 1}}},
      {"0x5C trail byte in a label", "0\\5:" + kSo + ":1\\0\\0\\9\\9", 0, Target(5, kSo, 1), none, none,
       {{0, 0}, {9, 9}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SelMapRegionDef d = SelMapRegionDef::FromText(c.text);
    EXPECT_EQ(d.Kind, c.kind);
    EXPECT_EQ(d.Actions[SelMapRegionDef::kDecide], c.decide);
    EXPECT_EQ(d.Actions[SelMapRegionDef::kEnter], c.enter);
    EXPECT_EQ(d.Actions[SelMapRegionDef::kLeave], c.leave);
    EXPECT_EQ(d.Points, c.points);
  }
}

TEST(SelMapParse, RegionList) {
  struct Case {
    const char* name;
    std::string line;
    std::string picture;
    std::vector<std::string> regions;  // as SelMapRegionDef::FromText reads them
  };
  const Case cases[] = {
      {"two regions", "2,,map,0\\1\\0\\0\\9\\9, 1\\2\\0\\0\\9\\9 ", "map",
       {"0\\1\\0\\0\\9\\9", "1\\2\\0\\0\\9\\9"}},
      {"list ends at the first empty field", "0,,map,0\\1,,0\\2", "map", {"0\\1"}},
      {"a blank field ends it too", "0,,map,0\\1,   ,0\\2", "map", {"0\\1"}},
      {"no regions", "0,," + kSo + "map", kSo + "map", {}},
      {"empty line", "", "", {}},
  };
  for (const Case& c : cases) {
    TComSelMap::Args want{c.picture, {}};
    for (const std::string& r : c.regions) want.regions.push_back(SelMapRegionDef::FromText(r));
    EXPECT_EQ(ParseLine<TComSelMap>(c.line).args, want) << c.name;
  }
  EXPECT_EQ(ParseLine<TComSelMap>("2,,map,0\\1").flags, 2);
}

}  // namespace
}  // namespace mavlet
