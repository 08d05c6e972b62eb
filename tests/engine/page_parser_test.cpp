#include <gtest/gtest.h>

#include "player/engine/command_registry.h"
#include "player/engine/engine_commands.h"
#include "player/engine/flow_commands.h"
#include "player/engine/page.h"

namespace mavlet {
namespace {

struct Parsed {
  CommandRegistry registry;
  TPage page{nullptr};
  explicit Parsed(std::string_view text) {
    RegisterEngineCommands(registry);
    RegisterPlaceholders(registry);
    page.ParseText(text, registry);
  }
  std::vector<std::string> Classes() const {
    std::vector<std::string> v;
    for (int i = 0; i < page.Count(); ++i) v.push_back(page.At(i)->ClassName());
    return v;
  }
};

TEST(PageParser, KeywordsIgnoreAsciiCaseButNeedABlank) {
  Parsed p("jump ,,5\nJUMP ,,6\nJump ,,7\nJump\t,,8\nCalc\n");
  ASSERT_EQ(p.Classes(), (std::vector<std::string>{"TComJump", "TComJump", "TComJump", "TComCalc"}));
  EXPECT_EQ(static_cast<TComJump*>(p.page.At(2))->args().target_page, 7);
  // A keyword alone: empty argument text.
  EXPECT_EQ(p.page.At(3)->Flags(), 0);
  EXPECT_EQ(p.page.At(3)->Cond(), "");
}

TEST(PageParser, CommandIndicesCountOnlyRecognisedLines) {
  Parsed p("Comment\n\n\nsome free text\n Jump ,,1\n\tJump ,,1\nLabel ,,x\n");
  ASSERT_EQ(p.page.Count(), 2);
  EXPECT_STREQ(p.page.At(1)->ClassName(), "TComLabel");
  EXPECT_EQ(p.page.At(2), nullptr);
  EXPECT_EQ(p.page.At(-1), nullptr);
}

TEST(PageParser, HeaderLine) {
  struct Case {
    const char* text;
    int non_stop;
    int count;
  };
  const Case cases[] = {
      {"NonStop=1\nComment\n", 1, 1},
      {"Jump ,,3 NonStop=1\nComment\n", 1, 1},  // header wherever "NonStop=" appears in line 1
      {"NonStop=abc\nComment\n", 0, 1},
      {"NonStop=257\nComment\n", 1, 1},  // low 8 bits
      {"Comment\nNonStop=1\n", 0, 1},    // only line 1 can be the header
      {"Comment\r\nComment\rComment\nComment", 0, 4},
      {"", 0, 0},
  };
  for (const Case& c : cases) {
    Parsed p(c.text);
    EXPECT_EQ(p.page.NonStop(), c.non_stop) << c.text;
    EXPECT_EQ(p.page.Count(), c.count) << c.text;
  }
}

TEST(PageParser, FieldLayouts) {
  Parsed p("Jump 2,A = 1,5,lbl,3\nComment 2,A = 1\nHistoryAdd B = 2\nHistoryCall 2,C = 3\nGetStack V,0,1,D = 4\n"
           "SetSfc 2,E = 5,x\n");
  ASSERT_EQ(p.page.Count(), 6);
  EXPECT_EQ(p.page.At(0)->Flags(), 2);
  EXPECT_EQ(p.page.At(0)->Cond(), "A = 1");
  EXPECT_TRUE(p.page.At(0)->IsNonStop());
  EXPECT_EQ(static_cast<TComJump*>(p.page.At(0))->args(), (TComJump::Args{5, "lbl", 3}));
  // Comment has no fields at all.
  EXPECT_EQ(p.page.At(1)->Flags(), 0);
  EXPECT_EQ(p.page.At(1)->Cond(), "");
  EXPECT_EQ(p.page.At(2)->Cond(), "B = 2");
  EXPECT_EQ(p.page.At(3)->Cond(), "C = 3");
  EXPECT_EQ(p.page.At(3)->Flags(), 0);
  EXPECT_EQ(p.page.At(4)->Cond(), "D = 4");
  EXPECT_EQ(p.page.At(4)->Flags(), 0);
  EXPECT_EQ(p.page.At(5)->Flags(), 2);
  EXPECT_EQ(p.page.At(5)->Cond(), "E = 5");
  EXPECT_STREQ(p.page.At(5)->ClassName(), "TComSurface");
}

TEST(PageParser, NeighboursAndKeywordSplit) {
  Parsed p("Comment\nLabel ,,a\nComment\n");
  EXPECT_EQ(p.page.At(1)->NextCommand(), p.page.At(2));
  EXPECT_EQ(p.page.At(1)->PrevCommand(), p.page.At(0));
  EXPECT_EQ(p.page.At(0)->PrevCommand(), nullptr);
  EXPECT_EQ(p.page.At(2)->NextCommand(), nullptr);
  // A blank inside a double-byte character does not end the keyword.
  ScenarioLine l = SplitScenarioLine("\x82\x20X Y");
  EXPECT_EQ(l.keyword, "\x82\x20X");
  EXPECT_EQ(l.args, "Y");
  EXPECT_EQ(FindKeyword("getstack"), KeywordIndex("GetStack"));
  EXPECT_EQ(FindKeyword("GetStackX"), std::nullopt);
  EXPECT_EQ(FindKeyword(""), std::nullopt);
}

}  // namespace
}  // namespace mavlet
