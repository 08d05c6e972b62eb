#include "player/backend/sdl/sdl_dialogs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;

TEST(SdlDialogsTest, DefaultSaveFolderFromKey) {
  struct Case {
    std::optional<std::string> xdg, home;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      {"/data", "/home/u", "Software\\Maker\\Game", "/data/mavlet/saves/Maker/Game"},
      {std::nullopt, "/home/u", "Software\\Maker\\Game", "/home/u/.local/share/mavlet/saves/Maker/Game"},
      {"relative", "/home/u", "Software\\A", "/home/u/.local/share/mavlet/saves/A"},
      {"/data", "/home/u", "Software\\..\\..\\etc\\\\x", "/data/mavlet/saves/etc/x"},  // cannot climb out
      {"/data", "/home/u", "Software\\C:\\x", "/data/mavlet/saves/C_/x"},
      {"/data", "/home/u", "Soft/ware", "/data/mavlet/saves/Soft/ware"},
      {"/data", "/home/u", "", "/data/mavlet/saves"},
      {std::nullopt, std::nullopt, "Software\\A", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DefaultSaveFolder(c.xdg, c.home, c.key), fs::path(c.expected)) << c.key;
  }
}

class FolderPromptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "bin");
    // No box may open on a developer's screen and wait for a click.
    ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
  }
  // A stand-in chooser program: prints `answer` and exits with `status`.
  void FakeChooser(const std::string& name, const std::string& answer, int status) {
    const fs::path p = dir_ / "bin" / name;
    std::ofstream(p) << "#!/bin/sh\necho \"$@\" > '" << (dir_ / "args").string() << "'\nprintf '%s\\n' '" << answer
                     << "'\nexit " << status << "\n";
    ::chmod(p.c_str(), 0755);
  }
  std::string Args() {
    std::ifstream in(dir_ / "args");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  testing::TempFolder temp_{"dialogs"};
  const fs::path dir_ = temp_.path();
  std::ostringstream err_;
};

TEST_F(FolderPromptTest, ZenityAnswerIsCreatedAndReturned) {
  const fs::path chosen = dir_ / "chosen" / "saves";
  FakeChooser("zenity", chosen.string(), 0);
  SdlDialogs d(&err_);
  d.SetSearchPath({dir_ / "bin"});
  d.SetFallbackFolder(dir_ / "offer");
  std::optional<fs::path> got = d.AskFolder("Save folder", "/tmp");
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(*got, chosen);
  EXPECT_TRUE(fs::is_directory(chosen));
  EXPECT_NE(Args().find("--directory"), std::string::npos);
  EXPECT_NE(Args().find("--filename=" + (dir_ / "offer").string() + "/"), std::string::npos)
      << "starts in the offered folder: " << Args();
}

TEST_F(FolderPromptTest, CancelInChooserCancels) {
  FakeChooser("kdialog", "", 1);
  SdlDialogs d(&err_);
  d.SetSearchPath({dir_ / "bin"});
  EXPECT_FALSE(d.AskFolder("Save folder", dir_).has_value());
  EXPECT_NE(Args().find("--getexistingdirectory"), std::string::npos);
}

TEST_F(FolderPromptTest, WithoutChooserOrScreenTheAnswerIsCancelAndSaidOnStderr) {
  SdlDialogs d(&err_);
  d.SetSearchPath({dir_ / "empty"});
  EXPECT_TRUE(d.FolderChooserCommand("x", dir_).empty());
  d.SetFallbackFolder(dir_ / "offer");
  EXPECT_FALSE(d.AskFolder("Save folder", "/tmp").has_value());
  EXPECT_NE(err_.str().find((dir_ / "offer").string()), std::string::npos) << err_.str();
  EXPECT_FALSE(fs::exists(dir_ / "offer")) << "nothing created without a yes";
}

TEST_F(FolderPromptTest, BoxesFallBackToTheDialogProgram) {
  for (int status : {0, 1}) {
    FakeChooser("zenity", "", status);
    SdlDialogs d(&err_);
    d.SetSearchPath({dir_ / "bin"});
    EXPECT_EQ(d.AskOkCancel("Mavlet", "Go on?"), status == 0);
    EXPECT_NE(Args().find("--question"), std::string::npos) << Args();
    d.ShowMessage("Mavlet", "saved");
    EXPECT_NE(Args().find("--info"), std::string::npos) << Args();
    EXPECT_NE(Args().find("--text=saved"), std::string::npos) << Args();
  }
  EXPECT_EQ(err_.str(), "") << "nothing left for the error stream";
}

}  // namespace
}  // namespace mavlet
