#include "player/common/encoding.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace mavlet
