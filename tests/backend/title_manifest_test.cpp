// The web site's title manifest: what the writer gives reads back the same, and every bad line
// is refused with the file and the line number.
#include "player/backend/title_manifest.h"

#include <gtest/gtest.h>

#include <string>

#include "player/common/error.h"

namespace mavlet {
namespace {

std::string ErrorOf(std::string_view text) {
  try {
    ParseTitleManifest(text, "site/title.txt");
  } catch (const MavError& e) {
    return e.what();
  }
  return "";
}

TEST(TitleManifest, WritesSortedAndReadsBack) {
  TitleManifest m;
  m.prefetch = true;
  m.files = {
      {"Pmx/Global.pmx", 120}, {"BGM/\xE6\x9B\xB2.wav", 0}, {"Data.big", kMaxManifestFileSize}, {"bgm/a.wav", 7}};
  const std::string text = WriteTitleManifest(m);
  EXPECT_EQ(text,
            "mavlet-title 1\nprefetch\n0\tBGM/\xE6\x9B\xB2.wav\n1099511627776\tData.big\n120\tPmx/Global.pmx\n"
            "7\tbgm/a.wav\n");
  const TitleManifest back = ParseTitleManifest(text, "title.txt");
  EXPECT_TRUE(back.prefetch);
  ASSERT_EQ(back.files.size(), 4u);
  EXPECT_EQ(back.files[0].path, "BGM/\xE6\x9B\xB2.wav");
  EXPECT_EQ(back.files[1].size, kMaxManifestFileSize);
  EXPECT_EQ(WriteTitleManifest(back), text);

  m.prefetch = false;
  m.files.clear();
  EXPECT_EQ(WriteTitleManifest(m), "mavlet-title 1\n");
  EXPECT_TRUE(ParseTitleManifest("mavlet-title 1\r\n5\ta\r\n", "t").files.at(0).path == "a");
  EXPECT_TRUE(ParseTitleManifest("mavlet-title 1", "t").files.empty());
}

TEST(TitleManifest, BadLinesNameTheFileAndLine) {
  struct Case {
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {"", "site/title.txt:1: not a title manifest"},
      {"mavlet-title 2\n", "site/title.txt:1: not a title manifest"},
      {"mavlet-title 1\n5 a\n", "site/title.txt:2: expected SIZE<TAB>PATH"},
      {"mavlet-title 1\n\n", "site/title.txt:2: expected SIZE<TAB>PATH"},
      {"mavlet-title 1\nprefetch\n1\ta\n-1\tb\n", "site/title.txt:4: the size is not a decimal number"},
      {"mavlet-title 1\n\ta\n", ":2: the size is not a decimal number"},
      {"mavlet-title 1\n 1\ta\n", ":2: the size is not a decimal number"},
      {"mavlet-title 1\n99999999999999\ta\n", ":2: the size is not a decimal number"},
      {"mavlet-title 1\n1099511627777\ta\n", ":2: the size is past 2^40 bytes"},
      {"mavlet-title 1\n1\t/etc/passwd\n", ":2: the path is absolute: /etc/passwd"},
      {"mavlet-title 1\n1\tPmx/../../x\n", ":2: the path has a \"..\" component"},
      {"mavlet-title 1\n1\t..\n", ":2: the path has a \"..\" component"},
      {"mavlet-title 1\n1\t./a\n", ":2: the path has a \".\" component"},
      {"mavlet-title 1\n1\ta//b\n", ":2: the path has an empty component"},
      {"mavlet-title 1\n1\ta/\n", ":2: the path has an empty component"},
      {"mavlet-title 1\n1\t\n", ":2: the path is empty"},
      {"mavlet-title 1\n1\t..\\x\n", ":2: the path holds a backslash"},
      {"mavlet-title 1\n1\ta\tb\n", ":2: the path holds a control character"},
      {std::string("mavlet-title 1\n1\ta\0b\n", 21), ":2: the path holds a control character"},
      {"mavlet-title 1\n1\t\x82\xA0.txt\n", ":2: the path is not UTF-8"},
      {"mavlet-title 1\n1\ta\n2\ta\n", ":3: the path is listed twice: a"},
      {"mavlet-title 1\n1\ta\nprefetch\n", ":3: expected SIZE<TAB>PATH"},
  };
  for (const Case& c : cases) {
    const std::string error = ErrorOf(c.text);
    EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " gave: " << error;
  }
}

TEST(TitleManifest, LineCountIsBounded) {
  std::string text = "mavlet-title 1\nprefetch\n";
  for (std::size_t i = 0; i <= kMaxManifestLines; ++i) text += "0\tf\n";
  EXPECT_NE(ErrorOf(text).find("site/title.txt: more than"), std::string::npos);
}

TEST(TitleManifest, WriterRefusesWhatItCouldNotReadBack) {
  const TitleManifest cases[] = {
      {{{"../x", 1}}}, {{{"", 1}}}, {{{"a\nb", 1}}}, {{{"a", kMaxManifestFileSize + 1}}}, {{{"a", 1}, {"a", 2}}},
  };
  for (const TitleManifest& m : cases) EXPECT_THROW(WriteTitleManifest(m), MavError) << m.files[0].path;
}

}  // namespace
}  // namespace mavlet
