// Runs "mavtool web" as a user would: a site holds the player, the title's files with their
// manifest and the fonts with their table, drawing the desktop's pixels; a failure leaves no
// site and no half-written folder behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "player/backend/font_table.h"
#include "player/backend/fontconfig/fontconfig_locator.h"
#include "player/backend/fonts/freetype_glyphs.h"
#include "player/backend/fonts/table_face_locator.h"
#include "player/backend/title_manifest.h"
#include "player/common/encoding.h"
#include "player/vars/font_list.h"
#include "tests/support/file_builders.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing::ReadText;
using testing::WriteFile;

class WebVerbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"index.html", "mavlet.js", "mavlet.wasm", "drop.html"})
      WriteFile(dir / "player" / name, std::string("player file ") + name);
    WriteFile(dir / "game" / "Pmx" / "Global.pmx", "global");
    WriteFile(dir / "game" / "Pmx" / "1.pmx", "scenario one");
    WriteFile(dir / "game" / "PMP" / "bg01.pmp", std::string(1000, 'p'));
    WriteFile(dir / "game" / "Sound" / "\xE6\x9B\xB2.wav", "wave");  // 曲.wav
  }
  testing::ProgramResult Web(std::vector<std::string> args) {
    args.insert(args.begin(), "web");
    return testing::RunProgram(MAVTOOL, args, dir);
  }
  std::string P(const std::string& name) const { return (dir / name).string(); }
  // Entries of the test folder besides what SetUp made: a failed run must add none.
  std::vector<std::string> Extra() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) {
      const std::string name = e.path().filename().string();
      const std::vector<std::string> made = {"player", "game", "stderr", "file", "busy", "no-pmx", "half-player"};
      if (std::find(made.begin(), made.end(), name) == made.end()) out.push_back(name);
    }
    return out;
  }

  testing::TempFolder temp{"mavtool-web"};
  const fs::path dir = temp.path();
};

TEST_F(WebVerbTest, SiteHoldsPlayerTitleManifestAndFonts) {
  const testing::ProgramResult r = Web({P("game"), P("site"), "--player", P("player")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("4 title files"));
  for (const char* name : {"index.html", "mavlet.js", "mavlet.wasm", "drop.html"})
    EXPECT_EQ(ReadText(dir / "site" / name), std::string("player file ") + name);
  EXPECT_EQ(ReadText(dir / "site" / "title" / "Sound" / "\xE6\x9B\xB2.wav"), "wave");
  EXPECT_EQ(
      ReadText(dir / "site" / "title.txt"),
      "mavlet-title 1\nprefetch\n1000\tPMP/bg01.pmp\n12\tPmx/1.pmx\n6\tPmx/Global.pmx\n4\tSound/\xE6\x9B\xB2.wav\n");

  // The table draws what the desktop draws and lists what the desktop lists.
  const FontTable table = ParseFontTable(ReadText(dir / "site" / "fonts" / "fonts.txt"), "fonts.txt");
  ASSERT_FALSE(table.faces.empty());
  EXPECT_EQ(table.faces[0].first, SjisToUtf8(kDefaultFontName));
  ASSERT_TRUE(table.fallback.has_value());
  FreeTypeGlyphs native(std::make_unique<FontconfigLocator>());
  FreeTypeGlyphs site(std::make_unique<TableFaceLocator>(table, (dir / "site" / "fonts").string()));
  EXPECT_EQ(site.FaceNames(), native.FaceNames());
  for (const std::string& name : UsableFonts(native.FaceNames())) {
    const fs::path file = site.FaceFile(name);
    EXPECT_TRUE(fs::equivalent(file.parent_path(), dir / "site" / "fonts")) << file;
    EXPECT_EQ(fs::file_size(file), fs::file_size(native.FaceFile(name))) << SjisToUtf8(name);
  }
  for (const std::string& face : {std::string(kDefaultFontName), std::string("no such face")})
    EXPECT_EQ(site.Glyph(face, 24, false, U'\u6F22').coverage, native.Glyph(face, 24, false, U'\u6F22').coverage);
}

TEST_F(WebVerbTest, EarlierSiteIsReplacedWholeAndBigTitlesAreFetchedOnDemand) {
  ASSERT_EQ(Web({P("game"), P("site"), "--player", P("player")}).code, 0);
  WriteFile(dir / "site" / "title" / "stale.txt", "left from before");
  WriteFile(dir / "game" / "Movie" / "op.avi", std::string((4u << 20) + 1, 'm'));
  const testing::ProgramResult r = Web({P("game"), P("site") + "/", "--player", P("player")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_FALSE(fs::exists(dir / "site" / "title" / "stale.txt"));
  const TitleManifest m = ParseTitleManifest(ReadText(dir / "site" / "title.txt"), "title.txt");
  EXPECT_FALSE(m.prefetch);
  EXPECT_EQ(m.files.size(), 5u);
  EXPECT_EQ(Extra(), std::vector<std::string>{"site"});
}

TEST_F(WebVerbTest, FailuresLeaveNoSite) {
  WriteFile(dir / "file", "a plain file");
  WriteFile(dir / "busy" / "notes.txt", "someone's folder");
  WriteFile(dir / "no-pmx" / "PMP" / "bg.pmp", "x");
  WriteFile(dir / "half-player" / "index.html", "x");
  WriteFile(dir / "half-player" / "mavlet.js", "x");
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  const std::vector<Case> cases = {
      {{P("game"), P("site"), "--player", P("half-player")}, "half-player: no mavlet.wasm"},
      {{P("game"), P("site"), "--player", P("nowhere")}, "nowhere: no index.html"},
      {{P("game"), P("site")}, "build/web/player: no index.html"},
      {{P("no-pmx"), P("site"), "--player", P("player")}, "no-pmx: not a title folder (no Pmx/Global.pmx)"},
      {{P("missing"), P("site"), "--player", P("player")}, "missing: no such title folder"},
      {{P("game"), P("file"), "--player", P("player")}, "file: is a file, not a site folder"},
      {{P("game"), P("busy"), "--player", P("player")}, "busy: the folder holds files and is no earlier site"},
      {{P("game"), P("game/site"), "--player", P("player")}, "cannot be written inside the title folder"},
      {{P("game"), P("nowhere/site"), "--player", P("player")}, "nowhere: no such folder"},
      {{P("game")}, "usage: mavtool web"},
      {{P("game"), P("site"), "--colour"}, "unknown option --colour"},
  };
  for (const Case& c : cases) {
    const testing::ProgramResult r = Web(c.args);
    EXPECT_EQ(r.code, 1) << c.error;
    EXPECT_THAT(r.err, HasSubstr(c.error));
    EXPECT_EQ(Extra(), std::vector<std::string>{}) << c.error;
  }
  EXPECT_EQ(ReadText(dir / "busy" / "notes.txt"), "someone's folder");

  // A title file the site cannot name: everything copied so far goes again.
  WriteFile(dir / "game" / "PMP" / "\x82\xA0.pmp", "Shift-JIS name");
  const testing::ProgramResult r = Web({P("game"), P("site"), "--player", P("player")});
  EXPECT_EQ(r.code, 1);
  EXPECT_THAT(r.err, HasSubstr("the path is not UTF-8"));
  EXPECT_EQ(Extra(), std::vector<std::string>{});
}

}  // namespace
}  // namespace mavlet
