// Argument parsing of the layer, text and history commands: typical lines, missing fields,
// unusable numbers and Shift-JIS text whose trail bytes look like "\" or ",".
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "player/display/commands/cursor_command.h"
#include "player/display/commands/layer_commands.h"
#include "player/display/commands/text_commands.h"
#include "tests/support/command_parse.h"

namespace mavlet {
namespace {

using testing::ParseLine;
using testing::Parsed;
using testing::ParsedLine;

// "ソ" and "表" end in 0x5C; 0x81 0x2C has a comma where a trail byte sits.
const std::string kSo = "\x83\x5C";
const std::string kHyo = "\x95\x5C";
const std::string kLeadComma = "\x81\x2C";

using SurfaceLine = ParsedLine<TComSurface::Args>;

TEST(LayerCommandParse, SetSfcFields) {
  struct Case {
    const char* name;
    std::string line;
    SurfaceLine want;
  };
  const Case cases[] = {
      {"typical", "2,a>1,3,bg01,10,-20,1,128,5,1,1,7", {2, "a>1", {3, "bg01", "10", "-20", 1, 128, 5, 1, 1, 7}}},
      {"empty line", "", {}},
      {"keeps position when X and Y are empty", "0,,1,pic,,,", {0, "", {.layer = 1, .src = "pic"}}},
      {"variables stay expressions", "0,,0,$Pic,PosX,PosY", {0, "", {.src = "$Pic", .x = "PosX", .y = "PosY"}}},
      {"unusable numbers give defaults", "x,,zz,pic,,,q,?,1.5,y", {0, "", {.src = "pic"}}},
      {"byte fields keep the low 8 bits", "0,,0,p,,,511,255,258,-1,257,256",
       {0, "", {0, "p", "", "", 255, 255, 2, 255, 1, 0}}},
      {"double-byte picture name", "0,,0," + kSo + kHyo + kLeadComma + ",1,2",
       {0, "", {.src = kSo + kHyo + kLeadComma, .x = "1", .y = "2"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseLine<TComSurface>(c.line), c.want) << c.name;
}

TEST(LayerCommandParse, FillSfcFieldsShiftAfterLayer) {
  struct Case {
    const char* name;
    std::string line;
    SurfaceLine want;
    TComFillSfc::FillArgs fill;
  };
  const Case cases[] = {
      {"typical", "0,,2,5,6,640,480,$123456,200,3,1",
       {0, "", {.layer = 2, .x = "5", .y = "6", .alpha = 200, .transition_kind = 3, .reverse = 1}},
       {"640", "480", 0x123456}},
      {"decimal colour", "0,,2,,,W,H,255", {0, "", {.layer = 2}}, {"W", "H", 255}},
      {"no size gives empty sizes", "0,,2", {0, "", {.layer = 2}}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseLine<TComFillSfc>(c.line), c.want) << c.name;
    EXPECT_EQ(Parsed<TComFillSfc>(c.line)->fill_args(), c.fill) << c.name;
  }
}

TEST(LayerCommandParse, OverSfcFields) {
  struct Case {
    const char* name;
    std::string line;
    SurfaceLine want;
    TComOverSfc::OverArgs over;
    bool sfc_text;
  };
  const Case cases[] = {
      {"typical", "2,,4,face,3,5,6,1,100,2,1,1",
       {2, "", {4, "face", "5", "6", 1, 100, 2, 1, 0, 0}}, {"3", 1}, false},
      {"text layer source, any case", "0,,4,@sfctext,0", {0, "", {.layer = 4, .src = "@sfctext"}}, {"0", 0}, true},
      {"missing fields", "0,,1", {0, "", {.layer = 1}}, {}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseLine<TComOverSfc>(c.line), c.want) << c.name;
    const auto o = Parsed<TComOverSfc>(c.line);
    EXPECT_EQ(o->over_args(), c.over) << c.name;
    EXPECT_EQ(o->SourceIsSfcText(), c.sfc_text) << c.name;
  }
}

TEST(LayerCommandParse, SmallLayerCommands) {
  EXPECT_EQ(ParseLine<TComBright>("2,,3,-40"), (ParsedLine<TComBright::Args>{2, "", {3, -40}}));
  EXPECT_EQ(ParseLine<TComBright>("0,,x,y"), ParsedLine<TComBright::Args>{});
  EXPECT_EQ(ParseLine<TComFrame>("0,,5,7"), (ParsedLine<TComFrame::Args>{0, "", {5, 7}}));
  EXPECT_EQ(ParseLine<TComFrameInc>("0,,8"), (ParsedLine<TComFrameInc::Args>{0, "", {8}}));
  EXPECT_EQ(ParseLine<TComFrameInc>(""), ParsedLine<TComFrameInc::Args>{});
  EXPECT_EQ(ParseLine<TComShowSfc>("2,f,6"), (ParsedLine<TComShowSfc::Args>{2, "f", {6}}));
  EXPECT_EQ(ParseLine<TComHideSfc>("0,,7"), (ParsedLine<TComShowSfc::Args>{0, "", {7}}));
  EXPECT_TRUE(Parsed<TComShowSfc>("")->ShowsLayer());
  EXPECT_FALSE(Parsed<TComHideSfc>("")->ShowsLayer());
  EXPECT_EQ(ParseLine<TComSetBit>("0,,\x82\x50\x82\x55"), (ParsedLine<TComSetBit::Args>{0, "", {"\x82\x50\x82\x55"}}));
  EXPECT_EQ(ParseLine<TComSetFullScr>("0,,FullFlag"), (ParsedLine<TComSetFullScr::Args>{0, "", {"FullFlag"}}));
  EXPECT_EQ(ParseLine<TComEffect>("0,,261,5"), (ParsedLine<TComEffect::Args>{0, "", {5, 5}}));  // low 8 bits
}

TEST(LayerCommandParse, SpEffectDefaultsAndFields) {
  using Line = ParsedLine<TComEffect2::Args>;
  EXPECT_EQ(ParseLine<TComEffect2>(""), Line{});
  EXPECT_EQ(Line{}.args.wait, 1);
  EXPECT_EQ(ParseLine<TComEffect2>("0,,3,200,1,-5,10," + kSo + "snow,4"),
            (Line{0, "", {3, 200, 1, -5, 10, kSo + "snow", 4}}));
  EXPECT_EQ(ParseLine<TComEffect2>("0,,1,,,,,,w"), (Line{0, "", {.type = 1}}));
}

TEST(TextCommandParse, PutTextKeepsMarkupAsWritten) {
  using Line = ParsedLine<TComInsText::Args>;
  struct Case {
    const char* name;
    std::string line;
    Line want;
  };
  const Case cases[] = {
      {"markup", "2,,\\c(FF0000)abc\\i(120)def", {2, "", {"\\c(FF0000)abc\\i(120)def"}}},
      {"trail bytes 0x5C and 0x2C do not cut", "0,," + kSo + "a" + kLeadComma + "b" + kHyo,
       {0, "", {kSo + "a" + kLeadComma + "b" + kHyo}}},
      {"a single-byte comma ends the text", "0,c,first,second", {0, "c", {"first"}}},
      {"empty", "", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseLine<TComInsText>(c.line), c.want) << c.name;
}

TEST(TextCommandParse, TextPos) {
  using Line = ParsedLine<TComTextPos::Args>;
  struct Case {
    const char* name;
    std::string line;
    Line want;
  };
  const Case cases[] = {
      {"typical", "0,,16,300,20,30,4,2,1", {0, "", {16, 300, 20, 30, 4, 2, true}}},
      {"defaults", "", {0, "", {0, 0, 24, 5, 5, 0, false}}},
      {"unusable numbers", "2,,a,b,c,d,e,f,g", {2, "", {}}},
      {"any non-zero bold", "0,,0,0,24,5,5,0,-3", {0, "", {.bold = true}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseLine<TComTextPos>(c.line), c.want) << c.name;
}

TEST(TextCommandParse, SpeedColoursAndFont) {
  using SpeedLine = ParsedLine<TComTextSpd::Args>;
  EXPECT_EQ(ParseLine<TComTextSpd>("0,,Speed"), (SpeedLine{0, "", {"Speed"}}));
  EXPECT_EQ(ParseLine<TComTextSpd>(""), SpeedLine{});

  using ColourLine = ParsedLine<TComTextCol::Args>;
  struct Colour {
    const char* name;
    std::string line;
    ColourLine want;
  };
  const Colour colours[] = {
      {"hexadecimal", "0,,$FFFFFF", {0, "", {0xFFFFFF}}},
      {"decimal with flags", "2,,255", {2, "", {255}}},
      {"unusable", "0,,red", {}},
  };
  for (const Colour& c : colours) {
    EXPECT_EQ(ParseLine<TComTextCol>(c.line), c.want) << c.name;
    EXPECT_EQ(ParseLine<TComTextSCol>(c.line), c.want) << c.name;
  }
  EXPECT_FALSE(Parsed<TComTextCol>("")->SetsShadow());
  EXPECT_TRUE(Parsed<TComTextSCol>("")->SetsShadow());

  // "ＭＳ ゴシック" and a name ending in a 0x5C trail byte.
  using FontLine = ParsedLine<TComSetFont::Args>;
  const std::string gothic = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";
  EXPECT_EQ(ParseLine<TComSetFont>("0,," + gothic), (FontLine{0, "", {gothic}}));
  EXPECT_EQ(ParseLine<TComSetFont>("0,," + kSo + kLeadComma + ",x"), (FontLine{0, "", {kSo + kLeadComma}}));

  EXPECT_EQ(Parsed<TComCursor>("0,,hand.cur")->NameExpr(), "hand.cur");
  EXPECT_EQ(Parsed<TComCursor>("2")->NameExpr(), "");
}

TEST(TextCommandParse, Input) {
  using Line = ParsedLine<TComInput::Args>;
  struct Case {
    const char* name;
    std::string line;
    Line want;
  };
  const Case cases[] = {
      {"defaults", "0,,Name", {0, "", {.var_name = "Name"}}},
      {"every field", "2,c," + kSo + "Var,20,200,4,PosX,30,$FF,0",
       {2, "c", {kSo + "Var", 20, 200, 4, "PosX", "30", 0xFF, 0}}},
      {"unusable numbers give defaults", "0,,V,h,w,m,,,t,b", {0, "", {.var_name = "V"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseLine<TComInput>(c.line), c.want) << c.name;
}

// The history commands have no flags field: field 0 must never turn into flags (a "2" there
// would make the command non-stop).
TEST(TextCommandParse, HistoryFieldPositions) {
  struct Case {
    const char* name;
    std::unique_ptr<TCommand> command;
    std::string cond;
  };
  using CallLine = ParsedLine<TComHistoryCall::Args>;
  EXPECT_EQ(ParseLine<TComHistoryCall>("2,Seen=1"), (CallLine{0, "Seen=1", {"2"}}));
  EXPECT_EQ(ParseLine<TComHistoryCall>("HistIdx"), (CallLine{0, "", {"HistIdx"}}));

  Case cases[] = {
      {"HistoryCall", Parsed<TComHistoryCall>("2,c"), "c"},
      {"HistoryAdd", Parsed<TComHistoryAdd>("2"), "2"},
      {"HistoryAdd with condition", Parsed<TComHistoryAdd>("Flag1,ignored"), "Flag1"},
      {"HistoryClear", Parsed<TComHistoryClear>("2,x"), "2"},
      {"HistoryClear empty", Parsed<TComHistoryClear>(""), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.command->Flags(), 0);
    EXPECT_EQ(c.command->Cond(), c.cond);
  }
}

}  // namespace
}  // namespace mavlet
