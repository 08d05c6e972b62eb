#include "player/common/ascii_case.h"

#include <gtest/gtest.h>

namespace mavlet {
namespace {

TEST(AsciiCase, ShiftJisTextNeverFoldsTrailBytes) {
  EXPECT_EQ(AsciiUpper("abcXyz09"), "ABCXYZ09");
  // 82 61 ("Ｂ") keeps its lower-case-valued trail byte; a lead byte at the end stands alone.
  EXPECT_EQ(AsciiUpper("a\x82\x61" "b"), "A\x82\x61" "B");
  EXPECT_EQ(AsciiUpper("a\x82"), "A\x82");
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  };
  const Case cases[] = {
      {"Pmx\\Global.PMX", "pmx\\global.pmx", true},
      {"abc", "abd", false},
      {"abc", "abcd", false},
      {"", "", true},
      {"\x82\x61", "\x82\x41", false},           // two different characters
      {"x\x82\x61y", "X\x82\x61Y", true},        // letters around them still fold
      {"\x82", "\x82", true},                    // lone lead byte at the end
      {"\x83\x5C" "a", "\x83\x5C" "A", true},  // a trail byte that is "\" in ASCII
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EqualsIgnoreAsciiCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
    if (c.equal) {
      EXPECT_EQ(HashIgnoreAsciiCase(c.a), HashIgnoreAsciiCase(c.b)) << c.a;
    }
  }
}

TEST(AsciiCase, BytesFoldEveryByte) {
  EXPECT_EQ(AsciiLowerBytes("ABC\x82\x41"), "abc\x82\x61");
  EXPECT_EQ(AsciiUpperBytes("abc\x82\x61"), "ABC\x82\x41");
  EXPECT_TRUE(EqualsIgnoreAsciiCaseBytes("\x82\x41", "\x82\x61"));
  EXPECT_FALSE(EqualsIgnoreAsciiCaseBytes("ab", "abc"));
  EXPECT_TRUE(EndsWithIgnoreAsciiCaseBytes("BGM01.PMW", ".pmw"));
  EXPECT_TRUE(EndsWithIgnoreAsciiCaseBytes("x", ""));
  EXPECT_FALSE(EndsWithIgnoreAsciiCaseBytes("mw", ".pmw"));
  EXPECT_FALSE(EndsWithIgnoreAsciiCaseBytes("a.pmx", ".pmw"));
}

}  // namespace
}  // namespace mavlet
