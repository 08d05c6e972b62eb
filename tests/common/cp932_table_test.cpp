// The generated code page 932 tables (used where the C library has no such converter) against
// the C library's iconv: every single byte, every byte pair and every code point must convert
// the same way, errors included.
#include <gtest/gtest.h>

#include <string>

#include "player/common/encoding.h"

namespace mavlet {
namespace {

std::string Utf8(char32_t cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (cp >> 18));
    s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

TEST(Cp932Table, DecodesEveryByteAndPairAsIconvDoes) {
  int mismatches = 0;
  for (int b0 = 0x80; b0 < 0x100; ++b0) {
    const std::string one{static_cast<char>(b0)};
    // Before and after ASCII too: a lone lead byte at the end, a bad byte in the middle.
    for (const std::string& s : {one, one + "A", "A" + one}) {
      if (SjisToUtf8(s) != detail::SjisToUtf8ByTable(s) && ++mismatches < 10) ADD_FAILURE() << std::hex << b0;
    }
    for (int b1 = 0; b1 < 0x100; ++b1) {
      const std::string pair{static_cast<char>(b0), static_cast<char>(b1)};
      if (SjisToUtf8(pair) != detail::SjisToUtf8ByTable(pair) && ++mismatches < 10)
        ADD_FAILURE() << std::hex << b0 << ' ' << b1;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(Cp932Table, EncodesEveryCodePointAsIconvDoes) {
  int mismatches = 0;
  auto check = [&](const std::string& s) {
    if (Utf8ToSjis(s) != detail::Utf8ToSjisByTable(s) && ++mismatches < 10) ADD_FAILURE() << s.size();
  };
  for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    check(Utf8(cp) + "x");
  }
  // Past the BMP: the tag characters (which encode to nothing) and a spread of the rest.
  for (char32_t cp = 0xDFF00; cp < 0xE0100; ++cp) check(Utf8(cp));
  for (char32_t cp = 0x10000; cp <= 0x10FFFF; cp += 0x3F1) check(Utf8(cp));
  // Text that is not UTF-8 fails alike.
  const char* const bad[] = {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "a\x80", "\xF4\x90\x80\x80", "\xE3\x81"};
  for (const char* s : bad) check(s);
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace mavlet
