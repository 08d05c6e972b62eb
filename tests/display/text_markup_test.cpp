// The text markup: escapes, colours (with all 32 bits), unknown letters, variable values with
// their bounds, and the inline-call stop position taken from the walk rather than a byte search.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "player/common/error.h"
#include "player/display/text_markup.h"

namespace mavlet {
namespace {

const std::string kA = "\x82\xA0";    // あ
const std::string kSo = "\x83\x5C";   // ソ, trail byte 0x5C
const std::string kOpen = "\x81\x79";  // 【

std::string Codes(const std::vector<TCustomPmText>& tokens) {
  std::string out;
  for (const auto& t : tokens) {
    if (!out.empty()) out += ' ';
    char buf[32];
    std::snprintf(buf, sizeof buf, "%x", t.Code);
    out += buf;
  }
  return out;
}

TEST(TextMarkup, TokensOfEscapes) {
  struct Case {
    std::string text;
    std::string codes;
  };
  const Case cases[] = {
      {"ab", "61 62"},
      {kA + kSo, "82a0 835c"},
      {"\\\\", "5c"},
      {"\\l\\m\\r\\n", "fffd fffc fffb d"},
      {"\\a(3)x", "fffa 78"},
      {"\\i(120)x", "ffff 78"},
      {"\\c(ff0000)x", "78"},
      {"\\s(none)x", "78"},
      {"\\z(1)x", "29 78"},          // unknown letter: the ")" stays, then x
      {"\\z(1", ""},                 // unknown letter without ")": nothing
      {"x\\", "78"},                 // lone backslash at the end
      {"\\c", ""},                   // escape at the very end: empty argument
      {"\\p(v)", ""},                // no variable store: nothing
      {kSo + "i(1)", "835c 69 28 31 29"},  // trail byte 0x5C is no escape
      {"\\\\i(1)", "5c 69 28 31 29"},      // escaped backslash then a plain "i(1)"
      {"\\" + kA + "(1)x", "29 78"},     // double-byte escape letter
  };
  for (const auto& c : cases) {
    std::vector<TCustomPmText> tokens;
    ParseMarkup(tokens, c.text);
    EXPECT_EQ(Codes(tokens), c.codes) << c.text;
  }
}

TEST(TextMarkup, ColoursAndNumbers) {
  std::vector<TCustomPmText> t;
  ParseMarkup(t, "a\\c(ff0000)b\\s(NoNe)c\\s(ffffffff)d\\c(xyz)e\\c(123456789)f\\s(0x10)g\\a(-2)\\i($10)");
  ASSERT_EQ(t.size(), 9u);
  EXPECT_EQ(t[0], (TCustomPmText{'a', 0xFFFFFF, 0}));
  EXPECT_EQ(t[1], (TCustomPmText{'b', 0xFF0000, 0}));  // blue in 0x00BBGGRR
  EXPECT_EQ(t[2], (TCustomPmText{'c', 0xFF0000, -1}));
  EXPECT_EQ(t[3].ShadowColor, -1);  // "ffffffff" is no shadow, not an error
  EXPECT_EQ(t[4].Color, 0);         // invalid hex
  EXPECT_EQ(t[5].Color, 0);         // more than 32 bits
  EXPECT_EQ(t[6].ShadowColor, 0);   // "0x" prefix is not hex here
  EXPECT_EQ(t[7], (TCustomPmText{pm::kSetLength, -2, 0}));
  EXPECT_EQ(t[8], (TCustomPmText{pm::kInlineCall, 16, 0}));
}

TEST(TextMarkup, StartColoursFromOptions) {
  std::vector<TCustomPmText> t;
  MarkupOptions o;
  o.color = 0x123456;
  o.shadow = -1;
  ParseMarkup(t, "x", o);
  EXPECT_EQ(t.at(0), (TCustomPmText{'x', 0x123456, -1}));
}

TEST(TextMarkup, NonIntegerCallOrLengthThrows) {
  for (const char* text : {"\\a(x)", "\\i()", "\\i(1.5)", "\\a"}) {
    std::vector<TCustomPmText> t;
    EXPECT_THROW(ParseMarkup(t, text), MavError) << text;
  }
}

TEST(TextMarkup, VariablesAreSubstitutedAndReWalked) {
  std::map<std::string, std::string, std::less<>> vars{
      {"name", "\\c(0000ff)" + kA}, {"self", "x\\p(self)"}, {"a", "\\p(b)"}, {"b", "y\\p(a)"},
      {"open", "\\c("}, {"call", "\\i(7)"}};
  MarkupVariables lookup = [&](std::string_view n) {
    auto it = vars.find(n);
    return it == vars.end() ? std::string() : it->second;
  };
  MarkupOptions o;
  o.variables = &lookup;
  {
    std::vector<TCustomPmText> t;
    ParseMarkup(t, "\\p(name)b", o);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0], (TCustomPmText{0x82A0, 0x0000FF, 0}));
    EXPECT_EQ(t[1].Color, 0x0000FF);  // the colour change inside the value carries on
  }
  {
    // The value's unfinished escape takes its argument from the text after the variable.
    std::vector<TCustomPmText> t;
    ParseMarkup(t, "\\p(open)ff)z", o);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].Color, 0xFF);
  }
  // A variable naming itself (directly or through another) stops after the bound.
  for (auto [text, count] : {std::pair{"\\p(self)", pm::kMaxSubstitutions}, std::pair{"\\p(a)", pm::kMaxSubstitutions / 2}}) {
    std::vector<TCustomPmText> t;
    ParseMarkup(t, text, o);
    EXPECT_EQ(t.size(), static_cast<std::size_t>(count)) << text;
  }
}

TEST(TextMarkup, ExpansionLengthIsBounded) {
  MarkupVariables big = [](std::string_view) { return std::string(pm::kMaxExpandedBytes / 2 + 1, 'x') + "\\p(v)\\p(v)"; };
  MarkupOptions o;
  o.variables = &big;
  std::vector<TCustomPmText> t;
  ParseMarkup(t, "\\p(v)", o);
  EXPECT_LE(t.size(), pm::kMaxExpandedBytes);
}

TEST(TextMarkup, FirstCallEndIsTakenFromTheWalk) {
  MarkupVariables lookup = [](std::string_view n) { return n == "call" ? std::string("a\\i(7)b") : std::string(); };
  MarkupOptions o;
  o.variables = &lookup;
  struct Case {
    std::string text;
    std::optional<std::size_t> end;
  };
  const Case cases[] = {
      {"ab", std::nullopt},
      {"ab\\i(12)cd", 8},
      {"\\\\i(1)x\\i(2)y", 12},          // the escaped backslash's "i(1)" is no call
      {kSo + "i(1)\\i(2)", 11},          // nor is a trail byte 0x5C followed by "i"
      {"x\\i(3)", 6},                    // call at the end without text after it
      {"x\\i(3", 5},                     // unclosed: the argument runs to the end
      {"\\p(call)zz\\i(4)", 8},          // a call out of a variable stops after that escape
      {"\\i(1)\\i(2)", 5},
  };
  for (const auto& c : cases) {
    std::vector<TCustomPmText> t;
    EXPECT_EQ(ParseMarkup(t, c.text, o).first_call_end, c.end) << c.text;
  }
}

TEST(TextMarkup, TokenTextAndPunctuation) {
  EXPECT_EQ(TokenText('['), kOpen);
  EXPECT_EQ(TokenText(']'), "\x81\x7A");
  EXPECT_EQ(TokenText('0'), "\x82\x4F");
  EXPECT_EQ(TokenText('9'), "\x82\x58");
  EXPECT_EQ(TokenText(0x835C), kSo);
  EXPECT_EQ(TokenText(0xB1), "\xB1");  // half-width katakana
  EXPECT_TRUE(IsPunctuation(0x8141));
  EXPECT_TRUE(IsPunctuation(0x817A));
  EXPECT_TRUE(IsPunctuation('['));
  EXPECT_FALSE(IsPunctuation(0x817B));
  EXPECT_FALSE(IsPunctuation(0x8140));  // full-width space is not punctuation
}

}  // namespace
}  // namespace mavlet
