// Fonts from a site's font table: the table's names find their faces and every other name the
// default, and a table written from the installed fonts draws exactly the installed fonts'
// pixels and gives the same face list (what the browser's player relies on to match the desktop).
#include "player/backend/fonts/table_face_locator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "player/backend/fontconfig/fontconfig_locator.h"
#include "player/backend/fonts/freetype_glyphs.h"
#include "player/common/encoding.h"
#include "player/vars/font_list.h"

namespace mavlet {
namespace {

TEST(TableFaceLocator, NamesFindTheirFacesAndOthersTheDefault) {
  FontTable with_default;
  with_default.faces = {{"A", {"a.ttf", 0}}, {"B", {"sub/b.ttc", 3}}};
  with_default.fallback = FontFace{"c.ttf", 1};
  FontTable without_default;
  without_default.faces = with_default.faces;
  struct Case {
    const FontTable* table;
    std::string folder;
    std::string name;
    std::optional<std::string> file;
    int index = 0;
  };
  const Case cases[] = {
      {&with_default, "/fonts", "A", "/fonts/a.ttf", 0},
      {&with_default, "/fonts/", "B", "/fonts/sub/b.ttc", 3},
      {&with_default, "/fonts", "a", "/fonts/c.ttf", 1},  // names match exactly
      {&with_default, "/fonts", "", "/fonts/c.ttf", 1},
      {&with_default, "/", "A", "/a.ttf", 0},
      {&with_default, "", "A", "a.ttf", 0},
      {&without_default, "/fonts", "B", "/fonts/sub/b.ttc", 3},
      {&without_default, "/fonts", "C", std::nullopt},
  };
  for (const Case& c : cases) {
    TableFaceLocator locator(*c.table, c.folder);
    const std::optional<LocatedFace> got = locator.Locate(c.name);
    ASSERT_EQ(got.has_value(), c.file.has_value()) << c.folder << " " << c.name;
    if (!got) continue;
    EXPECT_EQ(got->file, *c.file);
    EXPECT_EQ(got->index, c.index);
  }
}

// A table the way the site writer makes one: the installed fonts' answers for the default face
// and for a name no font has, with the paths below the root folder.
FontTable TableOfInstalledFonts(const std::vector<std::string>& names) {
  FontconfigLocator installed;
  FontTable table;
  auto relative = [](const LocatedFace& f) { return FontFace{f.file.substr(1), f.index}; };
  const std::optional<LocatedFace> gothic = installed.Locate(SjisToUtf8(kDefaultFontName));
  const std::optional<LocatedFace> other = installed.LocateDefault();
  if (!gothic || !other) return table;
  table.faces.emplace_back(SjisToUtf8(kDefaultFontName), relative(*gothic));
  table.fallback = relative(*other);
  for (const std::string& n : names) table.face_list.push_back(SjisToUtf8(n));
  return table;
}

TEST(TableFaceLocator, TableOfTheInstalledFontsDrawsTheSamePixels) {
  FreeTypeGlyphs native(std::make_unique<FontconfigLocator>());
  const std::vector<std::string> names = native.FaceNames();
  const FontTable table = TableOfInstalledFonts(names);
  ASSERT_TRUE(table.fallback.has_value()) << "no Japanese font installed";
  FreeTypeGlyphs from_table(std::make_unique<TableFaceLocator>(table, "/"));
  EXPECT_EQ(from_table.FaceNames(), names);
  for (const std::string& face : {std::string(kDefaultFontName), std::string("no such face")}) {
    EXPECT_EQ(from_table.FaceFile(face), native.FaceFile(face));
    for (int size : {9, 16, 24, 33}) {
      for (bool bold : {false, true}) {
        for (char32_t ch : U"A\u3042\u6F22\uFF71\u3010g") {
          if (ch == 0) continue;
          const GlyphImage& want = native.Glyph(face, size, bold, ch);
          const GlyphImage& got = from_table.Glyph(face, size, bold, ch);
          ASSERT_EQ(got.advance, want.advance) << size << " U+" << std::hex << static_cast<int>(ch);
          ASSERT_EQ(got.left, want.left);
          ASSERT_EQ(got.top, want.top);
          ASSERT_EQ(got.width, want.width);
          ASSERT_EQ(got.height, want.height);
          ASSERT_EQ(got.coverage, want.coverage) << size << " U+" << std::hex << static_cast<int>(ch);
        }
      }
    }
  }
}

TEST(TableFaceLocator, MissingFontFileDrawsNothing) {
  FontTable table;
  table.fallback = FontFace{"no-such-font.ttf", 0};
  table.face_list = {"Ghost"};
  FreeTypeGlyphs glyphs(std::make_unique<TableFaceLocator>(table, testing::TempDir()));
  EXPECT_EQ(glyphs.Glyph(kDefaultFontName, 24, false, U'A').width, 0);
  EXPECT_TRUE(glyphs.FaceFile(kDefaultFontName).empty());
  EXPECT_EQ(glyphs.FaceNames(), std::vector<std::string>{"Ghost"});

  FreeTypeGlyphs without(nullptr);
  EXPECT_EQ(without.Glyph(kDefaultFontName, 24, false, U'A').width, 0);
  EXPECT_TRUE(without.FaceNames().empty());
}

}  // namespace
}  // namespace mavlet
