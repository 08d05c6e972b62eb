// Argument parsing of SelStr and SelMap: style fields, the ":"-separated style list, item
// triples, jump targets and map region definitions.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "player/display/choice_commands.h"

namespace mavlet {
namespace {

template <typename T>
std::unique_ptr<T> Parsed(std::string_view args) {
  auto c = std::make_unique<T>(nullptr);
  c->Parse(args);
  return c;
}

const std::string kSo = "\x83\x5C";
const std::string kLeadComma = "\x81\x2C";

TJumpTarget Target(std::int32_t page, std::string label, std::int32_t com) {
  TJumpTarget t;
  t.Page = page;
  t.Label = std::move(label);
  t.Com = com;
  return t;
}

TEST(JumpTargetParse, Table) {
  struct Case {
    std::string text;
    TJumpTarget expect;
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
    EXPECT_EQ(TJumpTarget::FromText(c.text), c.expect);
  }
}

TEST(SelStrParse, StyleFields) {
  auto s = Parsed<TComSelStr>(
      "2,c,Title,12,$0000FF,X,Y,20,$00FF00,3,$111111,258,$222222,3,$333333,"
      "8:1:1:1:@SelTop:$444444:$555555:2:$666666:2");
  EXPECT_EQ(s->Flags(), 2);
  EXPECT_EQ(s->Cond(), "c");
  EXPECT_EQ(s->TitleExpr(), "Title");
  EXPECT_EQ(s->TitleSize(), 12);
  EXPECT_EQ(s->TitleColor(), 0x0000FF);
  EXPECT_EQ(s->XExpr(), "X");
  EXPECT_EQ(s->YExpr(), "Y");
  EXPECT_EQ(s->FontSize(), 20);
  EXPECT_EQ(s->TextColor(), 0x00FF00);
  EXPECT_EQ(s->FrameWidth(), 3);
  EXPECT_EQ(s->FrameColor(), 0x111111);
  EXPECT_EQ(s->BackStyle(), 2);
  EXPECT_EQ(s->BackColor(), 0x222222);
  EXPECT_EQ(s->HighlightStyle(), 3);
  EXPECT_EQ(s->HighlightColor(), 0x333333);
  EXPECT_EQ(s->Rows(), 8);
  EXPECT_EQ(s->Bold(), 1);
  EXPECT_EQ(s->TitleBold(), 1);
  EXPECT_EQ(s->ListMode(), 1);
  EXPECT_EQ(s->TopExpr(), "@SelTop");
  EXPECT_EQ(s->ScrollBackColor(), 0x444444);
  EXPECT_EQ(s->ThumbColor(), 0x555555);
  EXPECT_EQ(s->ScrollFrameWidth(), 2);
  EXPECT_EQ(s->ScrollFrameColor(), 0x666666);
  EXPECT_EQ(s->ScrollBackStyle(), 2);
  EXPECT_TRUE(s->Items().empty());
}

TEST(SelStrParse, DefaultsAndRowCount) {
  struct Case {
    const char* name;
    std::string args;
    std::int32_t rows;
    std::int32_t list_mode;
  };
  const Case cases[] = {
      {"empty line", "", 10, 0},
      {"only rows", "0,,,,,,,,,,,,,,,5", 5, 0},
      {"rows 0 would divide by zero", "0,,,,,,,,,,,,,,,0:0:0:1", 10, 1},
      {"negative rows", "0,,,,,,,,,,,,,,,-3", 10, 0},
      {"unusable rows", "0,,,,,,,,,,,,,,,r:x:y:z", 10, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto s = Parsed<TComSelStr>(c.args);
    EXPECT_EQ(s->Rows(), c.rows);
    EXPECT_EQ(s->ListMode(), c.list_mode);
    EXPECT_EQ(s->TitleSize(), 10);
    EXPECT_EQ(s->FontSize(), 24);
    EXPECT_EQ(s->TextColor(), 0xFFFFFF);
    EXPECT_EQ(s->TopExpr(), "");
    EXPECT_EQ(s->BackStyle(), 0);
  }
}

TEST(SelStrParse, Items) {
  const std::string style = "0,,T,10,0,0,0,24,0,0,0,0,0,0,0,10";
  struct Item {
    std::string text;
    TJumpTarget target;
    std::int32_t call;
  };
  struct Case {
    const char* name;
    std::string items;
    std::vector<Item> expect;
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
    SCOPED_TRACE(c.name);
    auto s = Parsed<TComSelStr>(style + c.items);
    ASSERT_EQ(s->Items().size(), c.expect.size());
    for (std::size_t i = 0; i < c.expect.size(); ++i) {
      EXPECT_EQ(s->Items()[i].Text, c.expect[i].text);
      EXPECT_EQ(s->Items()[i].Target, c.expect[i].target);
      EXPECT_EQ(s->Items()[i].Call, c.expect[i].call);
    }
  }
}

TEST(SelMapParse, RegionDefinitions) {
  struct Case {
    const char* name;
    std::string text;
    std::int32_t kind;
    TJumpTarget decide, enter, leave;
    std::vector<TMapPoint> points;
  };
  const TJumpTarget none = Target(-1, "", 0);
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
    TSelMapRegionDef d = TSelMapRegionDef::FromText(c.text);
    EXPECT_EQ(d.Kind, c.kind);
    EXPECT_EQ(d.Actions[TSelMapRegionDef::kDecide], c.decide);
    EXPECT_EQ(d.Actions[TSelMapRegionDef::kEnter], c.enter);
    EXPECT_EQ(d.Actions[TSelMapRegionDef::kLeave], c.leave);
    EXPECT_EQ(d.Points, c.points);
  }
}

TEST(SelMapParse, RegionList) {
  struct Case {
    const char* name;
    std::string args;
    std::string picture;
    std::size_t regions;
  };
  const Case cases[] = {
      {"two regions", "2,,map,0\\1\\0\\0\\9\\9, 1\\2\\0\\0\\9\\9 ", "map", 2},
      {"list ends at the first empty field", "0,,map,0\\1,,0\\2", "map", 1},
      {"a blank field ends it too", "0,,map,0\\1,   ,0\\2", "map", 1},
      {"no regions", "0,," + kSo + "map", kSo + "map", 0},
      {"empty line", "", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto m = Parsed<TComSelMap>(c.args);
    EXPECT_EQ(m->Picture(), c.picture);
    EXPECT_EQ(m->Regions().size(), c.regions);
  }
  auto m = Parsed<TComSelMap>("2,,map,0\\1\\0\\0\\9\\9, 1\\2\\0\\0\\9\\9 ");
  EXPECT_EQ(m->Flags(), 2);
  EXPECT_EQ(m->Regions()[1].Kind, 1);
  EXPECT_EQ(m->Regions()[1].Actions[0].Page, 2);
}

}  // namespace
}  // namespace mavlet
