// The player program asking for its save folder: the desktop's dialog (a stand-in zenity on
// PATH) answered, cancelled, and SIGTERM while it is open (the player ends promptly and leaves
// no dialog program behind); without any screen the question goes to the error stream and the
// player does not wait for an answer nobody can give.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "player/engine/global_file.h"
#include "player/storage/packed_file.h"
#include "tests/support/temp_folder.h"

extern char** environ;

namespace mavlet {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A title with a settings key and no save folder yet: the player asks for one at start.
void WriteTitle(const fs::path& title) {
  fs::create_directories(title / "Pmx");
  TGlobalData g;
  g.Title = "Question";
  g.ScreenMode = 1;
  g.StartPage = 1;
  g.RegKey = "Software\\Mavlet\\Question";
  WriteGlobalFile(title / "Pmx" / "Global.pmx", g);
  const std::string page = "WaitClick 0,\r\n";
  PackToFile(title / "Pmx" / "1.pmx",
             std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(page.data()), page.size()));
}

bool Alive(pid_t pid) { return ::kill(pid, 0) == 0; }

std::optional<pid_t> ReadPid(const fs::path& file) {
  std::ifstream in(file);
  long pid = 0;
  if (in >> pid && pid > 0) return static_cast<pid_t>(pid);
  return std::nullopt;
}

TEST(MavletQuestionTest, SaveFolderQuestionAnsweredCancelledAndInterrupted) {
  struct Case {
    const char* name;
    bool desktop;               // a DISPLAY and a zenity on PATH
    const char* folder_dialog;  // what the stand-in does for the folder chooser (sh)
    bool sigterm;               // sent once the question is open
    bool ends_by_itself;        // the player ends without being told to
    bool folder_made;
  };
  const Case cases[] = {
      {"desktop dialog answered", true, "echo \"$ANSWER\"; exit 0", false, false, true},
      {"desktop dialog cancelled", true, "exit 1", false, true, false},
      {"SIGTERM during the desktop dialog", true, "echo $$ > \"$PIDFILE\"; exec sleep 60", true, false, false},
      // No desktop and a window on no screen: nobody could answer, so the player does not wait.
      {"no screen at all", false, "", false, true, false},
  };
  for (const Case& c : cases) {
    testing::TempFolder temp{"question"};
    const fs::path title = temp / "title", bin = temp / "bin", home = temp / "home", pidfile = temp / "dialog.pid";
    const fs::path answer = temp / "chosen" / "saves";
    WriteTitle(title);
    fs::create_directories(bin);
    fs::create_directories(home);
    {
      // Messages are answered at once; the folder chooser does what the case says.
      std::ofstream(bin / "zenity") << "#!/bin/sh\ncase \"$*\" in *--file-selection*) " << c.folder_dialog
                                    << " ;; esac\nexit 0\n";
      ::chmod((bin / "zenity").c_str(), 0755);
    }
    std::vector<std::string> env_s = {"SDL_VIDEODRIVER=offscreen",  "SDL_AUDIODRIVER=dummy",
                                      "SDL_RENDER_DRIVER=software", "SDL_FRAMEBUFFER_ACCELERATION=0",
                                      "HOME=" + home.string(),      "XDG_RUNTIME_DIR=" + temp.path().string(),
                                      "ANSWER=" + answer.string(),  "PIDFILE=" + pidfile.string()};
    if (c.desktop) {
      // The offscreen driver ignores DISPLAY; the player only looks for desktop dialogs with one.
      env_s.push_back("DISPLAY=:77");
      env_s.push_back("PATH=" + bin.string() + ":/usr/bin:/bin");
    } else {
      env_s.push_back("PATH=/usr/bin:/bin");
    }
    std::vector<char*> env;
    for (std::string& s : env_s) env.push_back(s.data());
    env.push_back(nullptr);
    std::vector<std::string> argv_s = {MAVLET_BINARY, title.string()};
    std::vector<char*> argv;
    for (std::string& s : argv_s) argv.push_back(s.data());
    argv.push_back(nullptr);
    const fs::path log = temp / "log";
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&fa, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), env.data()), 0) << c.name;
    posix_spawn_file_actions_destroy(&fa);

    // Waits for the player to end by itself, at most `limit`.
    auto wait_end = [&](std::chrono::milliseconds limit) -> std::optional<int> {
      const auto until = Clock::now() + limit;
      int status = 0;
      do {
        if (::waitpid(pid, &status, WNOHANG) == pid) return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      } while (Clock::now() < until);
      return std::nullopt;
    };
    std::optional<pid_t> dialog;
    if (c.sigterm && c.desktop) {
      const auto until = Clock::now() + std::chrono::seconds(10);
      while (!(dialog = ReadPid(pidfile)) && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      ASSERT_TRUE(dialog.has_value()) << c.name << ": the folder chooser never ran";
    }
    // A question holds the player: it is still there after a while (or ended, when cancelled).
    std::optional<int> status = wait_end(std::chrono::milliseconds(1500));
    EXPECT_EQ(status.has_value(), c.ends_by_itself) << c.name;
    if (!status) {
      const auto signalled = Clock::now();
      ::kill(pid, c.sigterm ? SIGTERM : SIGINT);
      status = wait_end(std::chrono::seconds(5));
      EXPECT_LT(Clock::now() - signalled, std::chrono::seconds(3)) << c.name << ": the player ends promptly";
      if (!status) {
        ::kill(pid, SIGKILL);
        status = wait_end(std::chrono::seconds(5));
      }
    }
    ASSERT_TRUE(status.has_value()) << c.name;
    EXPECT_TRUE(WIFEXITED(*status)) << c.name << ": the player ends in order, not by the signal";
    if (dialog) {
      EXPECT_FALSE(Alive(*dialog)) << c.name << ": the dialog program was left running";
    }
    EXPECT_EQ(fs::is_directory(answer), c.folder_made) << c.name;
    std::ifstream in(log);
    const std::string out{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // Only without any screen is the question left to the error stream.
    EXPECT_EQ(out.find("(no message box)") != std::string::npos, !c.desktop) << c.name << ": " << out;
    EXPECT_EQ(out.find("no way to ask; cancelled") != std::string::npos, !c.desktop) << c.name << ": " << out;
  }
}

}  // namespace
}  // namespace mavlet
