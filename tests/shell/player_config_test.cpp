#include "player/shell/player_config.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "player/common/error.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;

TEST(PlayerConfigTest, DefaultsWhenEmptyOrOtherSection) {
  for (const char* text : {"", "[OTHER]\nInterval=5\n", "Interval=5\n"}) {
    PlayerConfig c = ParsePlayerConfig(text);
    EXPECT_TRUE(c.has_joy_pad && c.fade_in_draw && c.anti_alias && c.has_sound) << text;
    EXPECT_TRUE(c.wait_vblank && c.use_system_memory) << text;
    EXPECT_FALSE(c.full_screen) << text;
    EXPECT_EQ(c.sound_buffer, 5000) << text;
    EXPECT_EQ(c.interval, 30) << text;
    EXPECT_EQ(c.image_cache, 8) << text;
    EXPECT_EQ(c.use_fonts, "") << text;
    EXPECT_EQ(c.window_scale, 0) << text;
    EXPECT_EQ(c.scale_filter, 0) << text;
  }
}

TEST(PlayerConfigTest, ReadsEveryKey) {
  const char* text =
      "\xEF\xBB\xBF; comment\r\n"
      "[status]\r\n"
      "hasjoypad=0\r\n"
      "FadeinDraw = 0\r\n"
      "AntiAlias=0\r\n"
      "HasSound=0\r\n"
      "SoundBuffer=2000\r\n"
      "FullScreen=7\r\n"
      "WaitVBlank=0\r\n"
      "UseSystemMemory=0\r\n"
      "Interval=16\r\n"
      "UseFonts=\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e,IPAGothic\r\n"
      "ImageCache=20\r\n"
      "WindowScale=3\r\n"
      "ScaleFilter=1\r\n"
      "Interval=99\r\n";  // the first occurrence counts
  PlayerConfig c = ParsePlayerConfig(text);
  EXPECT_FALSE(c.has_joy_pad);
  EXPECT_FALSE(c.fade_in_draw);
  EXPECT_FALSE(c.anti_alias);
  EXPECT_FALSE(c.has_sound);
  EXPECT_EQ(c.sound_buffer, 2000);
  EXPECT_TRUE(c.full_screen) << "any non-zero value is true";
  EXPECT_FALSE(c.wait_vblank);
  EXPECT_FALSE(c.use_system_memory);
  EXPECT_EQ(c.interval, 16);
  EXPECT_EQ(c.use_fonts, "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e,IPAGothic") << "bytes kept";
  EXPECT_EQ(c.image_cache, 20);
  EXPECT_EQ(c.window_scale, 3);
  EXPECT_EQ(c.scale_filter, 1);
}

TEST(PlayerConfigTest, CorrectionsAndBadNumbers) {
  struct Case {
    const char* line;
    int interval, image_cache, window_scale, scale_filter;
    bool warned;
  };
  const Case cases[] = {
      {"ImageCache=0", 30, 1, 0, 0, false},
      {"ImageCache=-5", 30, 1, 0, 0, false},
      {"Interval=0", 1, 8, 0, 0, false},
      {"Interval=-30", 1, 8, 0, 0, false},
      {"Interval=0x20", 32, 8, 0, 0, false},
      {"Interval=$10", 16, 8, 0, 0, false},
      {"Interval=fast", 30, 8, 0, 0, true},
      {"Interval=12ms", 30, 8, 0, 0, true},
      {"Interval=99999999999", 30, 8, 0, 0, true},
      {"Interval=", 30, 8, 0, 0, true},
      {"WindowScale=-2", 30, 8, 0, 0, false},
      {"ScaleFilter=5", 30, 8, 0, 1, false},
  };
  for (const Case& c : cases) {
    MemoryLog log;
    PlayerConfig cfg = ParsePlayerConfig(std::string("[STATUS]\n") + c.line + "\n", "t.ini", &log);
    EXPECT_EQ(cfg.interval, c.interval) << c.line;
    EXPECT_EQ(cfg.image_cache, c.image_cache) << c.line;
    EXPECT_EQ(cfg.window_scale, c.window_scale) << c.line;
    EXPECT_EQ(cfg.scale_filter, c.scale_filter) << c.line;
    EXPECT_EQ(!log.entries.empty(), c.warned) << c.line;
    if (!log.entries.empty()) {
      EXPECT_NE(log.entries[0].message.find("t.ini"), std::string::npos);
    }
  }
}

TEST(PlayerConfigTest, SectionsEndAndMalformedLinesAreSkipped) {
  PlayerConfig c = ParsePlayerConfig(
      "[STATUS\nInterval=5\n[ STATUS ]\ngarbage line\n=7\nImageCache=3\n[Next]\nImageCache=4\n");
  EXPECT_EQ(c.interval, 30) << "an unclosed header opens no section";
  EXPECT_EQ(c.image_cache, 3);
}

class ConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir_ / "player"); }
  testing::TempFolder temp_{"config"};
  const fs::path dir_ = temp_.path();
};

TEST_F(ConfigFileTest, LocationBesidePlayerThenXdg) {
  const fs::path player = dir_ / "player";
  EXPECT_EQ(FindConfigFile(player, "/cfg", "/home/u"), fs::path("/cfg/mavlet/mavlet.ini"));
  EXPECT_EQ(FindConfigFile(player, std::nullopt, "/home/u"), fs::path("/home/u/.config/mavlet/mavlet.ini"));
  EXPECT_EQ(FindConfigFile(player, "relative", "/home/u"), fs::path("/home/u/.config/mavlet/mavlet.ini"));
  EXPECT_EQ(FindConfigFile(player, std::nullopt, std::nullopt), player / "mavlet.ini");
  std::ofstream(player / "mavlet.ini") << "[STATUS]\nInterval=10\n";
  EXPECT_EQ(FindConfigFile(player, "/cfg", "/home/u"), player / "mavlet.ini");
  EXPECT_EQ(LoadPlayerConfig(player / "mavlet.ini").interval, 10);
}

TEST_F(ConfigFileTest, MissingFileGivesDefaultsAndUnreadableOneNamesIt) {
  EXPECT_EQ(LoadPlayerConfig(dir_ / "none.ini").interval, 30);
  fs::create_directories(dir_ / "dir.ini");
  try {
    LoadPlayerConfig(dir_ / "dir.ini");
    FAIL() << "a folder is not a configuration file";
  } catch (const MavError& e) {
    EXPECT_NE(std::string(e.what()).find("dir.ini"), std::string::npos);
  }
}

}  // namespace
}  // namespace mavlet
