// The window session's questions: the default save folder from a title's key, the desktop's
// dialog program (a stand-in script) answering, cancelling and being ended by SIGTERM or the
// window's close button, and the box drawn in an offscreen game window answered from the
// window's events.
#include "player/backend/sdl/sdl_dialogs.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "player/backend/fontconfig/fontconfig_locator.h"
#include "player/backend/fonts/freetype_glyphs.h"
#include "player/backend/sdl/sdl_display.h"
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

// SIGTERM or the window's close button while the desktop's dialog is open: SDL turns SIGTERM
// into a quit event, the dialog program is ended at once, the question counts as cancelled and
// the close request stays queued for the frame loop.
TEST_F(FolderPromptTest, CloseRequestDuringTheDesktopDialogEndsIt) {
  const fs::path p = dir_ / "bin" / "zenity";
  std::ofstream(p) << "#!/bin/sh\nexec sleep 30\n";
  ::chmod(p.c_str(), 0755);
  ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
  struct sigaction current {};
  ::sigaction(SIGTERM, nullptr, &current);
  ASSERT_NE(current.sa_handler, SIG_DFL) << "SDL's signal handler is missing: SIGTERM would end the test";
  struct Case {
    const char* name;
    std::function<void()> close;
    std::uint32_t queued;  // the event left for the frame loop
  };
  const Case cases[] = {
      {"SIGTERM", [] { ::kill(::getpid(), SIGTERM); }, SDL_QUIT},
      {"window close",
       [] {
         SDL_Event e{};
         e.type = SDL_WINDOWEVENT;
         e.window.event = SDL_WINDOWEVENT_CLOSE;
         e.window.windowID = 1;
         SDL_PushEvent(&e);
       },
       SDL_WINDOWEVENT},
  };
  for (const Case& c : cases) {
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    SdlDialogs d(&err_);
    d.SetSearchPath({dir_ / "bin"});
    std::thread sender([&c] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      c.close();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(d.AskOkCancel("Mavlet", "続けますか?")) << c.name;
    const auto took = std::chrono::steady_clock::now() - start;
    sender.join();
    EXPECT_LT(took, std::chrono::seconds(5)) << c.name;
    EXPECT_TRUE(d.CloseRequested()) << c.name;
    EXPECT_FALSE(d.AskFolder("Save folder", dir_).has_value()) << c.name << ": no question after a close request";
    SDL_PumpEvents();
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, c.queued, c.queued), 1) << c.name;
  }
  SDL_Quit();
}

// With a desktop to show on, the dialog program is looked for on PATH.
TEST_F(FolderPromptTest, DialogProgramFoundOnPath) {
  const std::string old_path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  struct Case {
    const char* display;
    bool asked;
  };
  const Case cases[] = {{":77", true}, {nullptr, false}};
  for (const Case& c : cases) {
    fs::remove(dir_ / "args");
    FakeChooser("zenity", "", 0);
    ::setenv("PATH", (dir_ / "bin").c_str(), 1);
    if (c.display != nullptr) ::setenv("DISPLAY", c.display, 1);
    SdlDialogs d(&err_);
    const bool ok = d.AskOkCancel("Mavlet", "セーブしますか?");
    ::setenv("PATH", old_path.c_str(), 1);
    ::unsetenv("DISPLAY");
    EXPECT_EQ(ok, c.asked) << (c.display ? c.display : "no display");
    EXPECT_EQ(Args().find("--text=セーブしますか?") != std::string::npos, c.asked) << Args();
  }
}

// Without a desktop dialog the box is drawn in the game window (offscreen here) and answered
// from the window's events.
class InWindowBoxTest : public FolderPromptTest {
 protected:
  void SetUp() override {
    FolderPromptTest::SetUp();
    ::setenv("SDL_RENDER_DRIVER", "software", 1);
    ::setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
    SdlWindowOptions o;
    o.window_scale = 1;
    o.vsync = false;
    o.hidden = true;
    display_ = std::make_unique<SdlDisplay>(o);
  }
  void TearDown() override { display_.reset(); }
  std::unique_ptr<SdlDialogs> Dialogs() {
    auto d = std::make_unique<SdlDialogs>(&err_);
    d->SetSearchPath({dir_ / "empty"});
    d->SetDisplay(display_.get());
    d->SetGlyphs([] { return InstalledGlyphs(); }, "no such face");
    return d;
  }
  static void Key(SDL_Keycode k) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = k;
    SDL_PushEvent(&e);
  }
  static void Type(const char* text) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::strncpy(e.text.text, text, sizeof e.text.text - 1);
    SDL_PushEvent(&e);
  }
  static void CloseWindow(std::uint32_t id) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    e.window.windowID = id;
    SDL_PushEvent(&e);
  }
  // Sends sig to this process once the box is open.
  void Signal(int sig) {
    sender_ = std::thread([sig] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      ::kill(::getpid(), sig);
    });
  }
  static void Quit() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
  }
  std::unique_ptr<SdlDisplay> display_;
  std::thread sender_;
};

TEST_F(InWindowBoxTest, QuestionsAnsweredFromTheWindow) {
  struct Case {
    const char* name;
    std::function<void()> events;
    bool ok;
    bool closed;
  };
  const Case cases[] = {
      {"Return", [] { Key(SDLK_RETURN); }, true, false},
      {"Escape", [] { Key(SDLK_ESCAPE); }, false, false},
      {"Tab to Cancel",
       [] {
         Key(SDLK_TAB);
         Key(SDLK_KP_ENTER);
       },
       false, false},
      {"close request", [] { Quit(); }, false, true},
      {"window close button", [this] { CloseWindow(display_->WindowId()); }, false, true},
      {"SIGTERM", [this] { Signal(SIGTERM); }, false, true},
      {"another window's close button",
       [] {
         CloseWindow(0xFFFF);
         Key(SDLK_ESCAPE);
       },
       false, false},
  };
  struct sigaction current {};
  ::sigaction(SIGTERM, nullptr, &current);
  ASSERT_NE(current.sa_handler, SIG_DFL) << "SDL's signal handler is missing: SIGTERM would end the test";
  for (const Case& c : cases) {
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    auto d = Dialogs();
    c.events();
    EXPECT_EQ(d->AskOkCancel("Mavlet", "セーブしますか?"), c.ok) << c.name;
    if (sender_.joinable()) sender_.join();
    EXPECT_EQ(d->CloseRequested(), c.closed) << c.name;
    SDL_PumpEvents();
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT), c.closed ? 1 : 0) << c.name;
  }
  EXPECT_EQ(err_.str(), "");
}

TEST_F(InWindowBoxTest, FolderTypedInTheWindowIsCreated) {
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  auto d = Dialogs();
  d->SetFallbackFolder(dir_ / "offer");
  Type("/game");
  Key(SDLK_RETURN);
  std::optional<fs::path> got = d->AskFolder("セーブデータを保存するフォルダ", "/tmp");
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(*got, dir_ / "offer" / "game");
  EXPECT_TRUE(fs::is_directory(*got));

  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  auto closing = Dialogs();
  closing->SetFallbackFolder(dir_ / "other");
  Quit();
  EXPECT_FALSE(closing->AskFolder("セーブデータを保存するフォルダ", "/tmp").has_value());
  EXPECT_TRUE(closing->CloseRequested());
  EXPECT_FALSE(fs::exists(dir_ / "other"));
}

}  // namespace
}  // namespace mavlet
