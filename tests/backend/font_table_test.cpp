// The web site's font table: what the writer gives reads back the same, and every bad line is
// refused with the file and the line number.
#include "player/backend/font_table.h"

#include <gtest/gtest.h>

#include <string>

#include "player/common/error.h"

namespace mavlet {
namespace {

const std::string kGothicUtf8 =
    "\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF";  // ＭＳ ゴシック

std::string ErrorOf(std::string_view text) {
  try {
    ParseFontTable(text, "site/fonts/fonts.txt");
  } catch (const MavError& e) {
    return e.what();
  }
  return "";
}

TEST(FontTable, WritesAndReadsBack) {
  FontTable t;
  t.faces = {{kGothicUtf8, {"ipag.ttf", 0}}, {"Noto Sans CJK JP", {"noto/NotoSansCJK-Regular.ttc", 2}}};
  t.fallback = FontFace{"ipag.ttf", 0};
  t.face_list = {"Noto Sans CJK JP", kGothicUtf8, "IPAGothic"};
  const std::string text = WriteFontTable(t);
  EXPECT_EQ(text, "mavlet-fonts 1\nface\t" + kGothicUtf8 +
                      "\tipag.ttf\t0\nface\tNoto Sans CJK JP\tnoto/NotoSansCJK-Regular.ttc\t2\n"
                      "default\tipag.ttf\t0\nlist\tNoto Sans CJK JP\nlist\t" +
                      kGothicUtf8 + "\nlist\tIPAGothic\n");
  const FontTable back = ParseFontTable(text, "fonts.txt");
  ASSERT_EQ(back.faces.size(), 2u);
  EXPECT_EQ(back.faces[1].first, "Noto Sans CJK JP");
  EXPECT_EQ(back.faces[1].second.file, "noto/NotoSansCJK-Regular.ttc");
  EXPECT_EQ(back.faces[1].second.index, 2);
  ASSERT_TRUE(back.fallback.has_value());
  EXPECT_EQ(back.fallback->file, "ipag.ttf");
  EXPECT_EQ(back.face_list, t.face_list);
  EXPECT_EQ(WriteFontTable(back), text);

  const FontTable empty = ParseFontTable("mavlet-fonts 1\n", "fonts.txt");
  EXPECT_TRUE(empty.faces.empty() && !empty.fallback && empty.face_list.empty());
}

TEST(FontTable, BadLinesNameTheFileAndLine) {
  struct Case {
    std::string text;
    std::string error;
  };
  const std::string h = "mavlet-fonts 1\n";
  const Case cases[] = {
      {"", "site/fonts/fonts.txt:1: not a font table"},
      {"mavlet-title 1\n", "site/fonts/fonts.txt:1: not a font table"},
      {h + "face\tA\ta.ttf\n", "site/fonts/fonts.txt:2: expected face"},
      {h + "face\tA\ta.ttf\t0\t1\n", ":2: expected face"},
      {h + "fonts\tA\n", ":2: expected face"},
      {h + "\n", ":2: expected face"},
      {h + "list\tA\nface\t\ta.ttf\t0\n", ":3: the face name is empty"},
      {h + "list\t\n", ":2: the face name is empty"},
      {h + "list\t\x82\x6C\x82\x72\n", ":2: the face name is not UTF-8"},
      {h + "face\tA\ta.ttf\t0\nface\tA\tb.ttf\t0\n", ":3: the face is named twice: A"},
      {h + "default\ta.ttf\t0\ndefault\tb.ttf\t0\n", ":3: a second default line"},
      {h + "default\ta.ttf\t-1\n", ":2: the face index is not a number"},
      {h + "default\ta.ttf\t2147483648\n", ":2: the face index is not a number"},
      {h + "default\ta.ttf\t\n", ":2: the face index is not a number"},
      {h + "default\t../a.ttf\t0\n", ":2: font file: the path has a \"..\" component"},
      {h + "face\tA\t/usr/share/fonts/a.ttf\t0\n", ":2: font file: the path is absolute"},
      {h + "default\t\t0\n", ":2: font file: the path is empty"},
  };
  for (const Case& c : cases) {
    const std::string error = ErrorOf(c.text);
    EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " gave: " << error;
  }
  std::string many = h;
  for (std::size_t i = 0; i < kMaxFontTableLines; ++i) many += "list\tA\n";
  EXPECT_NE(ErrorOf(many).find("site/fonts/fonts.txt: more than"), std::string::npos);
  EXPECT_EQ(ParseFontTable("mavlet-fonts 1\ndefault\ta.ttf\t2147483647\n", "f").fallback->index, 2147483647);
}

TEST(FontTable, WriterRefusesWhatItCouldNotReadBack) {
  FontTable twice;
  twice.faces = {{"A", {"a.ttf", 0}}, {"A", {"b.ttf", 0}}};
  FontTable outside;
  outside.fallback = FontFace{"/usr/share/fonts/a.ttf", 0};
  FontTable tab_name;
  tab_name.face_list = {"A\tB"};
  FontTable negative;
  negative.faces = {{"A", {"a.ttf", -1}}};
  for (const FontTable* t : {&twice, &outside, &tab_name, &negative}) EXPECT_THROW(WriteFontTable(*t), MavError);
}

}  // namespace
}  // namespace mavlet
