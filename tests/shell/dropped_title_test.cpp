// Titles dropped onto the browser's page: which folder is the title's, and a zip unpacked below
// the drop folder.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "player/common/error.h"
#include "player/runner/dropped_title.h"
#include "player/storage/zip_archive.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

TEST(DroppedTitle, PrefixIsTheShallowestTitleFolder) {
  struct Case {
    std::vector<std::string> names;
    std::optional<std::string> prefix;
  };
  const Case cases[] = {
      {{"Pmx/Global.pmx", "BMP/a.bmp"}, ""},
      {{"MyGame/BMP/a.bmp", "MyGame/PMX/GLOBAL.PMX"}, "MyGame/"},
      // A copy deeper down (a backup folder inside the title) does not win.
      {{"G/old/Pmx/Global.pmx", "G/Pmx/Global.pmx"}, "G/"},
      // Two at the same depth: the first by name, whatever the order of the drop.
      {{"b/Pmx/Global.pmx", "a/Pmx/Global.pmx"}, "a/"},
      // Whole components only, and the file itself, not a folder of that name.
      {{"XPmx/Global.pmx", "Pmx/Global.pmx.bak"}, std::nullopt},
      {{}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.names.empty() ? "" : c.names[0]);
    EXPECT_EQ(DroppedTitlePrefix(c.names), c.prefix);
  }
}

TEST(DroppedTitle, ZipUnpacksBelowTheDropFolder) {
  testing::TempFolder tmp("drop");
  const std::string zip = WriteZip({{"Game/Pmx/Global.pmx", "G"}, {"Game/BMP/x.bmp", "BM"}, {"readme.txt", "r"}});
  UnpackDroppedZip(zip, "game.zip", tmp / "title");
  const std::filesystem::path title = FindDroppedTitle(tmp / "title");
  EXPECT_EQ(title, tmp / "title" / "Game");
  std::ifstream in(tmp / "title" / "Game" / "BMP" / "x.bmp", std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  EXPECT_EQ(s.str(), "BM");
}

TEST(DroppedTitle, DropsWithoutATitleSayWhy) {
  testing::TempFolder tmp("drop");
  UnpackDroppedZip(WriteZip({{"notes/a.txt", "a"}}), "notes.zip", tmp / "title");
  try {
    FindDroppedTitle(tmp / "title");
    ADD_FAILURE() << "no error";
  } catch (const MavError& e) {
    EXPECT_NE(std::string(e.what()).find("no Pmx/Global.pmx"), std::string::npos) << e.what();
  }
  // A file and a folder of one name: the entry that cannot be written is named.
  try {
    UnpackDroppedZip(WriteZip({{"a", "x"}, {"a/b", "y"}}), "clash.zip", tmp / "t2");
    ADD_FAILURE() << "no error";
  } catch (const MavError& e) {
    EXPECT_NE(std::string(e.what()).find("clash.zip: a/b"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace mavlet
