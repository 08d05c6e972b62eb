// Definition file parsing: layouts, fields and titles as tables; refused files with their line
// and reason; Shift-JIS names; completeness against a real folder.
#include "downloader/core/definition.h"

#include <gtest/gtest.h>

#include <fstream>

namespace quillget {
namespace {

std::string Line(std::string url, std::string local, std::string size, std::string marker = "") {
  return url + "\t" + local + "\t" + size + (marker.empty() ? "" : "\t" + marker) + "\n";
}

TEST(Definition, LayoutsTitlesAndFields) {
  struct Case {
    const char* what;
    std::string text;
    Layout layout;
    std::string title;
    std::vector<std::tuple<std::string, std::string, std::int64_t, bool>> entries;  // url, path, size, marked
  };
  const std::vector<Case> cases = {
      {"plain", "My Title\n" + Line("http://h/a", "a.dat", "10", "*"), Layout::Plain, "My Title",
       {{"http://h/a", "a.dat", 10, true}}},
      {"last title line counts, blank empties", "One\n" + Line("https://h/a", "a", "1") + "Two\n\n", Layout::Plain, "",
       {{"https://h/a", "a", 1, false}}},
      {"scheme anywhere makes an entry", "x ftp://h/y\tb\t5\n", Layout::Plain, "", {{"x ftp://h/y", "b", 5, false}}},
      {"'#' drops the whole line", "T\n" + Line("http://h/a#x", "a", "1") + Line("http://h/b", "b", "2"),
       Layout::Plain, "T", {{"http://h/b", "b", 2, false}}},
      {"CRLF lines; marker and name without CR", "T\r\nhttp://h/a\ta\t3\t*\r\nhttp://h/b\tb\t4\r\n", Layout::Plain,
       "T", {{"http://h/a", "a", 3, true}, {"http://h/b", "b", 4, false}}},
      {"missing fields are empty, empty size 0", "http://h/a\tsub\\a.dat\n", Layout::Plain, "",
       {{"http://h/a", "sub/a.dat", 0, false}}},
      {"size like atol", Line("http://h/a", "a", "  +12abc") + Line("http://h/b", "b", "x"), Layout::Plain, "",
       {{"http://h/a", "a", 12, false}, {"http://h/b", "b", 0, false}}},
      {"sizes beyond 2 GiB", Line("http://h/a", "a", "5000000000"), Layout::Plain, "",
       {{"http://h/a", "a", 5000000000LL, false}}},
      {"marker runs to the end", Line("http://h/a", "a", "1", "*\t*"), Layout::Plain, "", {{"http://h/a", "a", 1, false}}},
      {"keyed", "qlkid=42\nvendor_id=v7\ntitle=First\nfile=a/b.dat?x=1\tb.dat\t7\t*\ntitle=Keyed\nstray\n",
       Layout::Keyed, "Keyed", {{"a/b.dat?x=1", "b.dat", 7, true}}},
      {"vendor before qlkid stays plain", "vendor_id=v\nqlkid=1\n" + Line("http://h/a", "a", "1"), Layout::Plain,
       "qlkid=1", {{"http://h/a", "a", 1, false}}},
      {"empty qlkid stays plain", "qlkid=\nvendor_id=v\n" + Line("http://h/a", "a", "1"), Layout::Plain, "vendor_id=v",
       {{"http://h/a", "a", 1, false}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto r = ParseDefinition(c.text);
    ASSERT_TRUE(r.definition) << r.error.detail;
    EXPECT_EQ(r.definition->layout, c.layout);
    EXPECT_EQ(r.definition->title, c.title);
    ASSERT_EQ(r.definition->entries.size(), c.entries.size());
    for (std::size_t i = 0; i < c.entries.size(); ++i) {
      const auto& e = r.definition->entries[i];
      EXPECT_EQ(e.Url, std::get<0>(c.entries[i]));
      EXPECT_EQ(e.Path, std::get<1>(c.entries[i]));
      EXPECT_EQ(e.Size, std::get<2>(c.entries[i]));
      EXPECT_EQ(e.Marked, std::get<3>(c.entries[i]));
    }
  }
}

TEST(Definition, RefusedFilesNameTheLineAndProblem) {
  struct Case {
    std::string text;
    int message;
    std::string detail;
  };
  const std::vector<Case> cases = {
      {"just a title\n", 805, "no entry line"},
      {"qlkid=1\nvendor_id=2\nhttp://h/a\ta\t1\n", 805, "no entry line"},
      {"T\n" + Line("http://h/a", "a", "-1"), 816, "line 2: the size is negative"},
      {Line("http://h/a", "a", "99999999999999999999"), 816, "does not fit"},
      {Line("http://h/" + std::string(2100, 'x'), "a", "1"), 805, "address is longer"},
      {Line("http://h/a", std::string(260, 'n'), "1"), 805, "local name is longer"},
      {std::string(5000, 't') + "\n" + Line("http://h/a", "a", "1"), 805, "line 1: the line is longer"},
      {Line("http://h/a", "", "1"), 805, "empty"},
      {Line("http://h/a", "/etc/passwd", "1"), 805, "absolute"},
      {Line("http://h/a", "\\\\host\\share\\x", "1"), 805, "absolute"},
      {Line("http://h/a", "C:\\x.dat", "1"), 805, "drive"},
      {Line("http://h/a", "c:x.dat", "1"), 805, "drive"},
      {Line("http://h/a", "..\\..\\.bashrc", "1"), 805, "\"..\""},
      {Line("http://h/a", "a/./b", "1"), 805, "\".\""},
      {Line("http://h/a", "sub\\", "1"), 805, "ends in a separator"},
      {Line("http://h/a", "a//b", "1"), 805, "empty folder"},
      {Line("http://h/a", "a\x01", "1"), 805, "control"},
      {Line("http://h/a", "\x83", "1"), 805, "Shift-JIS"},
  };
  for (const auto& c : cases) {
    const auto r = ParseDefinition(c.text, "t.dat");
    SCOPED_TRACE(c.detail);
    ASSERT_FALSE(r.definition);
    EXPECT_EQ(r.error.message, c.message);
    EXPECT_NE(r.error.detail.find("t.dat"), std::string::npos) << r.error.detail;
    EXPECT_NE(r.error.detail.find(c.detail), std::string::npos) << r.error.detail;
  }
}

TEST(Definition, ShiftJisNamesAreDecodedBeforeSeparators) {
  // ソ is 83 5C and 表 is 95 5C: the trail byte is not a separator.
  const auto r = ParseDefinition(Line("http://h/a", "\x83\x5C\x95\x5C\\\x83\x5C.dat", "1"));
  ASSERT_TRUE(r.definition) << r.error.detail;
  EXPECT_EQ(r.definition->entries[0].Path, "ソ表/ソ.dat");
  EXPECT_EQ(r.definition->entries[0].LocalName, "ソ表\\ソ.dat");
}

TEST(Definition, LoadChecksCompletenessAgainstTheFolder) {
  const auto dir = std::filesystem::path(::testing::TempDir()) / "quillget_load";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "sub" / "folder.dat");
  EXPECT_EQ(LoadDefinition(dir).error.message, 803);
  std::ofstream(dir / "sub" / "right.dat") << "12345";
  std::ofstream(dir / "wrong.dat") << "12";
  std::ofstream(dir / "empty.dat");
  std::ofstream(dir / kDefinitionName) << "T\n" << Line("http://h/1", "sub\\right.dat", "5")
                                       << Line("http://h/2", "wrong.dat", "5") << Line("http://h/3", "missing", "0")
                                       << Line("http://h/4", "empty.dat", "0")
                                       << Line("http://h/5", "sub/folder.dat", "0");
  const auto r = LoadDefinition(dir);
  ASSERT_TRUE(r.definition) << r.error.detail;
  std::vector<bool> complete;
  for (const auto& e : r.definition->entries) complete.push_back(e.Complete);
  EXPECT_EQ(complete, (std::vector<bool>{true, false, false, true, false}));
  EXPECT_FALSE(AllComplete(r.definition->entries, dir));
  auto two = r.definition->entries;
  two.resize(1);
  EXPECT_TRUE(AllComplete(two, dir));
  EXPECT_TRUE(AllComplete({}, dir));
  CompleteAddresses(two, "https://base/");
  EXPECT_EQ(two[0].Url, "https://base/http://h/1");
}

}  // namespace
}  // namespace quillget
