#include "player/backend/posix/path_resolver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

TEST(SplitTitlePath, SeparatorsAndDoubleByteNames) {
  struct Case {
    std::string path;
    std::optional<std::vector<std::string>> parts;
  };
  const std::string hyo = "\x95\x5C\x8E\xA6.bmp";  // "表示.bmp": 95 5C is one character
  const std::vector<Case> cases = {
      {"Pmx\\Global.pmx", std::vector<std::string>{"Pmx", "Global.pmx"}},
      {"PMP/bg01.pmp", std::vector<std::string>{"PMP", "bg01.pmp"}},
      {"\\\\a\\\\b\\", std::vector<std::string>{"a", "b"}},
      {"PMP\\" + hyo, std::vector<std::string>{"PMP", hyo}},
      {"a\\.\\b\\..\\c", std::vector<std::string>{"a", "c"}},
      {"", std::vector<std::string>{}},
      {"..\\etc\\passwd", std::nullopt},
      {"a\\..\\..\\b", std::nullopt},
      {std::string("a\0b", 3), std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitTitlePath(c.path), c.parts) << c.path;
}

TEST(PathResolver, LetterCaseVariants) {
  struct Case {
    std::string on_disk;
    std::string asked;
  };
  const std::vector<Case> cases = {
      {"Pmx/Global.pmx", "Pmx\\Global.pmx"},
      {"PMX/GLOBAL.PMX", "Pmx\\Global.pmx"},
      {"pmx/global.pmx", "Pmx\\Global.pmx"},
      {"pmx/global.pmx", "PMX/GLOBAL.PMX"},
      {"Wav/Data1.PMW", "WAV\\data1.pmw"},
  };
  for (const auto& c : cases) {
    TempFolder tree;
    const fs::path file = tree.File(c.on_disk);
    PathResolver resolver;
    EXPECT_EQ(resolver.Resolve(tree.path(), c.asked), file) << c.on_disk << " <- " << c.asked;
  }
}

TEST(PathResolver, ExactNamePreferredOverOtherCase) {
  TempFolder tree;
  const fs::path lower = tree.File("pmp/a.pmp");
  const fs::path upper = tree.File("pmp/A.PMP");
  PathResolver resolver;
  EXPECT_EQ(resolver.Resolve(tree.path(), "pmp\\a.pmp"), lower);
  EXPECT_EQ(resolver.Resolve(tree.path(), "pmp\\A.PMP"), upper);
  // Neither exact: the smallest name wins whatever the listing order.
  EXPECT_EQ(resolver.Resolve(tree.path(), "PMP\\a.Pmp"), upper);
}

TEST(PathResolver, ShiftJisNamesRawAndUtf8OnDisk) {
  const std::string sjis_name = "\x95\x5C\x8E\xA6.bmp";  // 表示.bmp with a 0x5C trail byte
  const std::string utf8_name = "表示.bmp";
  TempFolder tree;
  const fs::path utf8_file = tree.File("PMP/" + utf8_name);
  const fs::path raw_file = tree.File("Raw/" + sjis_name);
  const fs::path upper_file = tree.File("Mix/\xE3\x82\xBD" "A.PMP");  // ソA.PMP in UTF-8
  PathResolver resolver;
  EXPECT_EQ(resolver.Resolve(tree.path(), "PMP\\" + sjis_name), utf8_file);
  EXPECT_EQ(resolver.Resolve(tree.path(), "raw\\" + sjis_name), raw_file);
  EXPECT_EQ(resolver.Resolve(tree.path(), "mix\\\x83\x5C" "a.pmp"), upper_file);
  EXPECT_FALSE(resolver.Resolve(tree.path(), "PMP\\\x95\x5C").has_value());
}

TEST(PathResolver, MissesAndFolders) {
  TempFolder tree;
  tree.File("Pmx/Global.pmx");
  PathResolver resolver;
  EXPECT_FALSE(resolver.Resolve(tree.path(), "Pmx\\1.pmx"));
  EXPECT_FALSE(resolver.Resolve(tree.path(), "Pmx\\Global.pmx\\x"));
  EXPECT_FALSE(resolver.Resolve(tree.path(), "..\\x"));
  EXPECT_FALSE(resolver.Resolve(tree.path() / "nowhere", "Pmx\\Global.pmx"));
  EXPECT_EQ(resolver.Resolve(tree.path(), "PMX"), tree.path() / "Pmx");
  EXPECT_EQ(resolver.Resolve(tree.path(), ""), tree.path());
}

TEST(PathResolver, ListsOnceAndRefreshesOnMiss) {
  TempFolder tree;
  tree.File("Save/a");
  PathResolver resolver;
  ASSERT_TRUE(resolver.Resolve(tree.path(), "save\\a"));
  const std::size_t listed = resolver.ListingCount();
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(resolver.Resolve(tree.path(), "SAVE\\A"));
  EXPECT_EQ(resolver.ListingCount(), listed);  // hits come from the index

  // A miss in a folder that did not change reads nothing again.
  EXPECT_FALSE(resolver.Resolve(tree.path(), "save\\save03"));
  EXPECT_FALSE(resolver.Resolve(tree.path(), "save\\save03"));
  EXPECT_EQ(resolver.ListingCount(), listed);
  const fs::path exact = tree.File("Save/save04");
  EXPECT_EQ(resolver.Resolve(tree.path(), "Save\\save04"), exact);
  const fs::path later = tree.File("Save/SAVE03");
  EXPECT_EQ(resolver.Resolve(tree.path(), "save\\save03"), later);
}

TEST(PathResolver, StaleEntriesAreDropped) {
  TempFolder tree;
  const fs::path first = tree.File("PMP/bg.pmp");
  PathResolver resolver;
  ASSERT_EQ(resolver.Resolve(tree.path(), "PMP\\bg.pmp"), first);
  // The folder is renamed to another letter case and the file replaced.
  fs::rename(tree.path() / "PMP", tree.path() / "pmp");
  EXPECT_EQ(resolver.Resolve(tree.path(), "PMP\\bg.pmp"), tree.path() / "pmp" / "bg.pmp");
  fs::remove(tree.path() / "pmp" / "bg.pmp");
  EXPECT_FALSE(resolver.Resolve(tree.path(), "PMP\\bg.pmp"));
  const fs::path upper = tree.File("pmp/BG.PMP");
  EXPECT_EQ(resolver.Resolve(tree.path(), "PMP\\bg.pmp"), upper);
}

}  // namespace
}  // namespace mavlet
