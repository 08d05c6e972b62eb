#include "player/common/encoding.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace mavlet {
namespace {

TEST(Encoding, RoundTrips) {
  struct Case {
    std::string sjis;
    std::string utf8;
  };
  const std::vector<Case> cases = {
      {"plain \\ ~ ascii", "plain \\ ~ ascii"},
      {"\x83\x5C\x95\x5C", "ソ表"},          // 0x5C trail bytes
      {"\xB6\xDE\xB1", "ｶﾞｱ"},               // half-width katakana stay half width
      {"\x87\x40\x87\x54", "①Ⅰ"},            // NEC extensions
      {"\xFA\x40", "ⅰ"},                     // IBM extension
      {"\x81\x60", "～"},
      {"\x83\x5C\\~", "ソ\\~"},                // ASCII 5C and 7E beside kana keep their meaning
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SjisToUtf8(c.sjis), c.utf8);
    EXPECT_EQ(SjisToUtf8Strict(c.sjis), c.utf8);
    EXPECT_EQ(Utf8ToSjis(c.utf8), c.sjis);
  }
}

TEST(Encoding, InvalidShiftJisBecomesReplacement) {
  const std::string r = "\xEF\xBF\xBD";
  struct Case {
    std::string sjis;
    std::string utf8;
  };
  const std::vector<Case> cases = {
      {"a\x83", "a" + r},                  // lone lead byte at the end
      {"\x85\x40" "b", r + "b"},           // unassigned pair goes as one character
      {"\x81\x20" "b", r + " b"},          // a blank cannot be a second byte
      {"\x80" "c\xA0", r + "c" + r},
      {"\x83\x5C\x83", "ソ" + r},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SjisToUtf8(c.sjis), c.utf8);
    EXPECT_FALSE(SjisToUtf8Strict(c.sjis).has_value());
  }
}

TEST(Encoding, Utf8ThatHasNoShiftJisForm) {
  EXPECT_FALSE(Utf8ToSjis("\xF0\x9F\x98\x80").has_value());  // emoji
  EXPECT_FALSE(Utf8ToSjis("\xC3").has_value());              // cut UTF-8
  EXPECT_FALSE(Utf8ToSjis("\xFF").has_value());
  EXPECT_FALSE(Utf8ToSjis("caf\xC3\xA9").has_value());       // é is not in code page 932
}

TEST(Encoding, LongTextCrossesBuffers) {
  std::string sjis;
  std::string utf8;
  for (int i = 0; i < 2000; ++i) {
    sjis += "\x82\xA0x";
    utf8 += "あx";
  }
  sjis += "\x83";
  EXPECT_EQ(SjisToUtf8(sjis), utf8 + "\xEF\xBF\xBD");
  sjis.pop_back();
  EXPECT_EQ(Utf8ToSjis(utf8), sjis);
}

// Each decoded character as "U+XXXX:n" (n its byte count, 0 for a replacement).
std::string Decoded(std::string_view utf8) {
  std::string out;
  char buf[24];
  for (const Utf8Char& c : DecodeUtf8(utf8)) {
    std::snprintf(buf, sizeof buf, "%sU+%04X:%zu", out.empty() ? "" : " ", static_cast<unsigned>(c.cp), c.bytes.size());
    out += buf;
  }
  return out;
}

TEST(Encoding, DecodeUtf8OneRuleForBadInput) {
  struct Case {
    const char* name;
    std::string_view utf8;
    const char* want;
  };
  const Case cases[] = {
      {"ascii and a kana", "a\xE3\x81\x82", "U+0061:1 U+3042:3"},
      {"edges of each length", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF",
       "U+007F:1 U+0080:2 U+07FF:2 U+0800:3 U+FFFF:3"},
      {"four bytes up to the last scalar value", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", "U+10000:4 U+10FFFF:4"},
      {"the text ends inside a character", "\xE3\x81", "U+FFFD:0 U+FFFD:0"},
      {"a character cut by the next one",
       "\xE3\x81"
       "a",
       "U+FFFD:0 U+FFFD:0 U+0061:1"},
      {"a four-byte character cut short", "\xF0\x9F\x98", "U+FFFD:0 U+FFFD:0 U+FFFD:0"},
      {"stray continuation bytes",
       "\x80\xBF"
       "a",
       "U+FFFD:0 U+FFFD:0 U+0061:1"},
      {"overlong slash in two bytes", "\xC0\xAF", "U+FFFD:0 U+FFFD:0"},
      {"overlong NUL in two bytes", "\xC1\x80", "U+FFFD:0 U+FFFD:0"},
      {"overlong in three bytes", "\xE0\x80\xAF", "U+FFFD:0 U+FFFD:0 U+FFFD:0"},
      {"overlong in four bytes", "\xF0\x8F\xBF\xBF", "U+FFFD:0 U+FFFD:0 U+FFFD:0 U+FFFD:0"},
      {"first surrogate", "\xED\xA0\x80", "U+FFFD:0 U+FFFD:0 U+FFFD:0"},
      {"last surrogate", "\xED\xBF\xBF", "U+FFFD:0 U+FFFD:0 U+FFFD:0"},
      {"just below the surrogates", "\xED\x9F\xBF", "U+D7FF:3"},
      {"past U+10FFFF", "\xF4\x90\x80\x80", "U+FFFD:0 U+FFFD:0 U+FFFD:0 U+FFFD:0"},
      {"lead bytes F5..FF", "\xF5\x80\x80\x80\xFF", "U+FFFD:0 U+FFFD:0 U+FFFD:0 U+FFFD:0 U+FFFD:0"},
      {"empty text", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Decoded(c.utf8), c.want) << c.name;
  EXPECT_EQ(FirstUtf8Char("").cp, U'\uFFFD');
  EXPECT_EQ(FirstUtf8Char("\xE3\x81\x82"
                          "b")
                .cp,
            U'\u3042');
}

}  // namespace
}  // namespace mavlet
