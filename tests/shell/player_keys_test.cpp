// The player's own keys and what it keeps for the user: full screen (F11, Alt+Enter) through
// the title's switch and kept in the settings file, screenshots (F12) with the window title's
// notice, the window's place per title, and a minimised window that draws nothing.
#include <gtest/gtest.h>

#include <fstream>

#include "player/common/ini_document.h"
#include "player/engine/book_manager.h"
#include "player/shell/player_prefs.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_title.h"

namespace mavlet {
namespace {

using testing::TestTitle;
using testing::TitleRun;
namespace fs = std::filesystem;

std::optional<std::string> Setting(const fs::path& file, const std::string& section, const std::string& name) {
  return IniDocument::Parse(testing::ReadText(file), IniDialect::kTolerant).Find(section, name);
}

// Blue and red in turn, for ever: every other frame shows something new.
constexpr const char* kBlinking =
    "Label ,,top\n"
    "Calc ,,N = N + 1\n"
    "FillSfc ,,0,0,0,64,48,$FF0000,255,1\n"
    "Wait ,,60\n"
    "FillSfc ,,0,0,0,64,48,$0000FF,255,1\n"
    "Wait ,,60\n"
    "Jump ,,1,top,0\n";

TestTitle& Blinking(TestTitle& t) {
  t.Registry("Software\\Mavlet\\Keys");
  t.Nums({"N"});
  t.Scenario(1, kBlinking);
  return t;
}

TEST(PlayerKeys, FullScreenKeysGoThroughTheTitlesSwitchAndAreKept) {
  TestTitle t;
  Blinking(t);
  const fs::path ini = t.Folder() / "config" / "mavlet.ini";
  fs::create_directories(ini.parent_path());
  std::ofstream(ini) << "; my settings\n[STATUS]\nInterval=30\n";
  RunOptions o = WithSaves(t);
  o.config_file = ini;
  o.input = ParseInputScript("3 f11\n5 alt+return\n7 f11\n", "keys");
  TitleRun r(t, o);
  r.Load();
  struct Step {
    int events;
    bool full;
  };
  for (const Step& s : {Step{3, true}, Step{2, false}, Step{2, true}}) {
    r.Events(s.events);
    EXPECT_EQ(r.Book().FullScreenOn(), s.full) << "after event " << r.R().EventsRun();
    EXPECT_EQ(r.R().Screen().FullScreen(), s.full);
    EXPECT_EQ(Setting(ini, "STATUS", "FullScreen"), std::string(s.full ? "1" : "0"));
  }
  const std::string text = testing::ReadText(ini);
  EXPECT_EQ(text.rfind("; my settings\n[STATUS]\nInterval=30\n", 0), 0u) << text;
  EXPECT_GT(r.Num("N"), 0) << "the title ran on";
}

TEST(PlayerKeys, FullScreenKeyWithoutASettingsFileStillSwitches) {
  TestTitle t;
  Blinking(t);
  RunOptions o = WithSaves(t);
  o.input = ParseInputScript("3 f11\n", "keys");
  TitleRun r(t, o);
  r.Load();
  r.Events(3);
  EXPECT_TRUE(r.Book().FullScreenOn());
  EXPECT_EQ(r.Errors().find("not kept"), std::string::npos) << r.Errors();
}

TEST(PlayerKeys, ScreenshotKeySavesNumberedPicturesAndSaysSoForTwoSeconds) {
  TestTitle t;
  Blinking(t);
  RunOptions o = WithSaves(t);
  o.screenshots_dir = t.Folder() / "shots";
  o.input = ParseInputScript("4 f12\n5 f12\n", "keys");
  TitleRun r(t, o);
  r.Load();
  const std::string caption = r.R().Screen().Caption();
  r.Events(4);
  const fs::path first = r.R().Session().LastScreenshot();
  ASSERT_FALSE(first.empty()) << r.Errors();
  EXPECT_TRUE(first.filename().string().ends_with("-20000101-1.png")) << first;
  const std::string png = testing::ReadText(first);
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  // IHDR: the game's own size, not the window's.
  EXPECT_EQ(static_cast<unsigned char>(png[18]) * 256 + static_cast<unsigned char>(png[19]), 640);
  EXPECT_NE(r.R().Screen().Caption().find(first.filename().string()), std::string::npos) << r.R().Screen().Caption();

  r.Events(1);
  EXPECT_TRUE(r.R().Session().LastScreenshot().filename().string().ends_with("-20000101-2.png"));
  // 2 s at 30 ms an event: the caption is the title's again after 67 events, not before.
  r.Events(66);
  EXPECT_NE(r.R().Screen().Caption(), caption);
  r.Events(1);
  EXPECT_EQ(r.R().Screen().Caption(), caption);
  EXPECT_EQ(std::distance(fs::directory_iterator(t.Folder() / "shots"), fs::directory_iterator()), 2);
}

TEST(PlayerKeys, ScreenshotKeyWithoutAFolderOnlySaysSo) {
  TestTitle t;
  Blinking(t);
  RunOptions o = WithSaves(t);
  o.input = ParseInputScript("2 f12\n", "keys");
  TitleRun r(t, o);
  r.Load();
  r.Events(3);
  EXPECT_TRUE(r.R().Session().LastScreenshot().empty());
  EXPECT_NE(r.Errors().find("no folder for screenshots"), std::string::npos) << r.Errors();
}

TEST(PlayerKeys, WindowPlaceIsReadAtStartAndKeptPerTitle) {
  TestTitle t;
  Blinking(t);
  const fs::path ini = t.Folder() / "mavlet.ini";
  std::ofstream(ini) << "[Window Software\\Mavlet\\Other]\nScale=4\nX=1\nY=2\n"
                        "[Window Software\\Mavlet\\Keys]\nScale=3\nX=40\nY=-50\n";
  RunOptions o = WithSaves(t);
  o.config_file = ini;
  TitleRun r(t, o);
  r.Load();
  EXPECT_EQ(r.R().Screen().Placement(), (WindowPlacement{3, 40, -50}));

  r.R().Screen().SetPlacement(WindowPlacement{2, 7, 8});
  r.R().Session().KeepWindowPlace();
  EXPECT_EQ(LoadWindowPlacement(ini, "Software\\Mavlet\\Keys"), (WindowPlacement{2, 7, 8}));
  EXPECT_EQ(LoadWindowPlacement(ini, "Software\\Mavlet\\Other"), (WindowPlacement{4, 1, 2}));

  // Full screen has no window place: the last one stays.
  r.R().Screen().SetFullScreen(true);
  r.R().Screen().SetPlacement(WindowPlacement{1, 0, 0});
  r.R().Session().KeepWindowPlace();
  EXPECT_EQ(LoadWindowPlacement(ini, "Software\\Mavlet\\Keys"), (WindowPlacement{2, 7, 8}));
}

TEST(PlayerKeys, TitleWithoutSettingsKeyKeepsItsPlaceUnderItsCaption) {
  TestTitle t;
  t.Nums({"N"});
  t.Scenario(1, kBlinking);
  const fs::path ini = t.Folder() / "mavlet.ini";
  RunOptions o;
  o.config_file = ini;
  TitleRun r(t, o);
  r.Load();
  r.R().Screen().SetPlacement(WindowPlacement{2, 30, 40});
  r.R().Session().KeepWindowPlace();
  const std::string caption = r.R().Screen().Caption();
  EXPECT_EQ(LoadWindowPlacement(ini, caption.empty() ? "untitled" : caption), (WindowPlacement{2, 30, 40}))
      << testing::ReadText(ini);
}

TEST(PlayerKeys, MinimisedWindowDrawsNothingAndIsFlippedWhenShownAgain) {
  TestTitle t;
  Blinking(t);
  TitleRun r(t, WithSaves(t));
  r.Load();
  r.Events(10);
  auto& screen = r.R().Screen();
  const auto presents = screen.PresentCount();
  EXPECT_GT(presents, 0u);

  screen.SetVisible(false);
  const std::int32_t n = r.Num("N");
  const auto shows_screen = [&] { return screen.VisibleSurface().RawPixel(0, 0) == screen.ScreenSurface().RawPixel(0, 0); };
  r.Events(10);
  // On until the screen holds the other colour than the one the window last showed.
  for (int i = 0; i < 20 && shows_screen(); ++i) r.Events(1);
  EXPECT_FALSE(shows_screen());
  EXPECT_EQ(screen.PresentCount(), presents) << "nothing drawn while minimised";
  EXPECT_GT(r.Num("N"), n) << "the title runs on";

  screen.SetVisible(true);
  r.Events(1);
  EXPECT_GT(screen.PresentCount(), presents);
  EXPECT_TRUE(shows_screen()) << "flipped when shown again";
}

TEST(PlayerPrefs, ScreenshotNamesAndFolders) {
  mavlet::testing::TempFolder dir("shots");
  const LocalDateTime day{2026, 12, 7};
  EXPECT_EQ(NextScreenshotFile(dir.path(), "Mavlet デモ", day).filename(), "Mavlet デモ-20261207-1.png");
  dir.File("Mavlet デモ-20261207-1.png");
  EXPECT_EQ(NextScreenshotFile(dir.path(), "Mavlet デモ", day).filename(), "Mavlet デモ-20261207-2.png");
  EXPECT_EQ(NextScreenshotFile(dir.path(), "a/b\\c:d\n", day).filename(), "a_b_c_d_-20261207-1.png");
  EXPECT_EQ(NextScreenshotFile(dir.path(), "..", day).filename(), "mavlet-20261207-1.png");
  EXPECT_EQ(NextScreenshotFile(dir.path(), "", day).filename(), "mavlet-20261207-1.png");

  const fs::path config = dir.Folder("config");
  std::ofstream(config / "user-dirs.dirs") << "# made by xdg-user-dirs\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
  struct Case {
    std::optional<std::string> pictures, config_home, home;
    fs::path expected;
  };
  const Case cases[] = {
      {"/p", std::nullopt, "/h", "/p/mavlet"},
      {std::nullopt, config.string(), "/h", "/h/Bilder/mavlet"},  // the desktop's own record
      {std::nullopt, "/nowhere", "/h", "/h/Pictures/mavlet"},
      {"relative", std::nullopt, "/h", "/h/Pictures/mavlet"},  // not a place: ignored
      {std::nullopt, std::nullopt, std::nullopt, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DefaultScreenshotFolder(c.pictures, c.config_home, c.home), c.expected) << c.expected;
}

TEST(PlayerPrefs, BadWindowPlacesAreIgnored) {
  mavlet::testing::TempFolder dir("prefs");
  const char* texts[] = {
      "[Window k]\nScale=0\nX=1\nY=1\n", "[Window k]\nScale=17\nX=1\nY=1\n", "[Window k]\nScale=2\nX=1\n",
      "[Window k]\nScale=2\nX=one\nY=1\n", "[Window k]\nScale=2\nX=99999999999\nY=1\n",
  };
  for (const char* text : texts) {
    const fs::path ini = dir.File("mavlet.ini", text);
    EXPECT_EQ(LoadWindowPlacement(ini, "k"), std::nullopt) << text;
  }
  EXPECT_EQ(LoadWindowPlacement(dir / "missing.ini", "k"), std::nullopt);
  EXPECT_EQ(WindowSection("a]b\nc"), "Window a_b_c");
  EXPECT_EQ(WindowSection("k "), "Window k");

  // Kept three values in one section, each once.
  const fs::path ini = dir / "kept.ini";
  KeepWindowPlacement(ini, "t", WindowPlacement{2, 3, 4});
  KeepWindowPlacement(ini, "t", WindowPlacement{5, 6, 7});
  EXPECT_EQ(testing::ReadText(ini), "[Window t]\nScale=5\nX=6\nY=7\n");
}

}  // namespace
}  // namespace mavlet
