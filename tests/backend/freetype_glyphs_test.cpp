// Fonts from the installed faces: any face name lands on a Japanese face, every character the
// text window shows has ink inside its cell at every size, each glyph is rasterised once, and
// the face list carries the Japanese family names in Shift-JIS.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "player/backend/fontconfig/fontconfig_locator.h"
#include "player/backend/fonts/freetype_glyphs.h"
#include "player/common/encoding.h"

namespace mavlet {
namespace {

const std::string kMsGothic = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ ゴシック
const std::string kMsMincho = "\x82\x6C\x82\x72\x20\x96\xBE\x92\xA9";                  // ＭＳ 明朝

int Ink(const GlyphImage& g) {
  int n = 0;
  for (auto c : g.coverage) n += c > 0;
  return n;
}

TEST(FreeTypeGlyphs, AnyFaceNameLandsOnAJapaneseFace) {
  FreeTypeGlyphs fonts{std::make_unique<FontconfigLocator>()};
  for (const std::string& name : {kMsGothic, kMsMincho, std::string("DejaVu Sans"), std::string("no such face"), std::string()}) {
    EXPECT_FALSE(fonts.FaceFile(name).empty()) << SjisToUtf8(name);
    EXPECT_GT(Ink(fonts.Glyph(name, 24, false, U'\u3042')), 20) << SjisToUtf8(name);  // あ
  }
}

TEST(FreeTypeGlyphs, GlyphsStayInsideTheirCell) {
  FreeTypeGlyphs fonts{std::make_unique<FontconfigLocator>()};
  std::u32string chars = U"\uFF71\uFF9F\uFF10\uFF19\u3010\u3011gjyQ|\u5F41\u9F98\u3042";  // ｱﾟ０９【】 and tall ones
  for (char32_t c = 0; c < 0x3A; ++c) {
    // The full-width punctuation block 0x8141..0x817A.
    const std::string sjis{'\x81', static_cast<char>(0x41 + c)};
    if (auto u = SjisToUtf8Strict(sjis)) {
      std::u32string d;
      const auto& s = *u;
      // Decode one UTF-8 character.
      char32_t cp = 0;
      int len = (static_cast<unsigned char>(s[0]) >= 0xE0) ? 3 : 2;
      cp = static_cast<unsigned char>(s[0]) & (len == 3 ? 0x0F : 0x1F);
      for (int i = 1; i < len; ++i) cp = cp << 6 | (static_cast<unsigned char>(s[static_cast<std::size_t>(i)]) & 0x3F);
      chars.push_back(cp);
    }
  }
  for (int size = 8; size <= 64; ++size) {
    for (bool bold : {false, true}) {
      for (char32_t c : chars) {
        const GlyphImage& g = fonts.Glyph(kMsGothic, size, bold, c);
        ASSERT_GE(g.left, 0);
        ASSERT_GE(g.top, 0);
        ASSERT_LE(g.left + g.width, size) << size << " U+" << std::hex << static_cast<int>(c);
        ASSERT_LE(g.top + g.height, size) << size << " U+" << std::hex << static_cast<int>(c);
        ASSERT_EQ(g.coverage.size(), static_cast<std::size_t>(g.width * g.height));
      }
    }
    for (char32_t c : U"\uFF71\uFF10\u3010\u3011\u3001\u3002") {  // ｱ０【】、。 all have ink
      if (c == 0) continue;
      EXPECT_GT(Ink(fonts.Glyph(kMsGothic, size, false, c)), 0) << size << " U+" << std::hex << static_cast<int>(c);
    }
  }
}

TEST(FreeTypeGlyphs, EachGlyphIsRasterisedOnce) {
  FreeTypeGlyphs fonts{std::make_unique<FontconfigLocator>()};
  fonts.Glyph(kMsGothic, 24, false, U'A');
  fonts.Glyph(kMsGothic, 24, false, U'A');
  fonts.Glyph(kMsGothic, 24, true, U'A');
  fonts.Glyph(kMsGothic, 25, false, U'A');
  EXPECT_EQ(fonts.Rasterised(), 3u);
  EXPECT_EQ(fonts.Glyph(kMsGothic, 0, false, U'A').width, 0);
  EXPECT_EQ(fonts.Glyph(kMsGothic, GlyphSource::kMaxSize + 1, false, U'A').width, 0);
  EXPECT_EQ(fonts.Rasterised(), 3u);
}

TEST(FreeTypeGlyphs, BoldHasMoreInkAndHalfWidthAdvancesHalf) {
  FreeTypeGlyphs fonts{std::make_unique<FontconfigLocator>()};
  EXPECT_GT(Ink(fonts.Glyph(kMsGothic, 24, true, U'\u6F22')), Ink(fonts.Glyph(kMsGothic, 24, false, U'\u6F22')));
  EXPECT_EQ(fonts.Glyph(kMsGothic, 24, false, U'\u6F22').advance, 24);
  EXPECT_EQ(fonts.Glyph(kMsGothic, 24, false, U'A').advance, 12);
  EXPECT_EQ(fonts.Glyph(kMsGothic, 24, false, U'\uFF71').advance, 12);
}

TEST(FreeTypeGlyphs, FaceNamesHoldJapaneseFamiliesOnce) {
  FreeTypeGlyphs fonts{std::make_unique<FontconfigLocator>()};
  const auto names = fonts.FaceNames();
  const std::string ipa = *Utf8ToSjis("IPA\u30B4\u30B7\u30C3\u30AF");  // IPAゴシック
  EXPECT_EQ(std::count(names.begin(), names.end(), ipa), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), std::string("IPAGothic")), 1);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
}

}  // namespace
}  // namespace mavlet
