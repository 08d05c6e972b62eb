// Runs the player program itself under the offscreen video driver: its options and exit codes,
// and a title from its start to its end. A title with a settings key and no save folder yet has
// the player ask for one at start: the desktop's dialog (a stand-in zenity on PATH) answered,
// cancelled, and SIGTERM while it is open (the player ends promptly and leaves no dialog program
// behind); without any screen the question goes to the error stream and the player does not
// wait for an answer nobody can give. A title without a key plays until interrupted.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "player/engine/global_file.h"
#include "player/storage/packed_file.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The player started with the offscreen drivers and a home in `folder`; standard output and
// error go together to a log there. Killed at the end of the test if still running.
class PlayerProcess {
 public:
  PlayerProcess(const std::vector<std::string>& args, const fs::path& folder, std::vector<std::string> env = {})
      : log_(folder / "player.log") {
    fs::create_directories(folder / "home");
    env.insert(env.end(), {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy", "SDL_RENDER_DRIVER=software",
                           "SDL_FRAMEBUFFER_ACCELERATION=0", "HOME=" + (folder / "home").string(),
                           "XDG_RUNTIME_DIR=" + folder.string()});
    // The sanitizers' settings (leak suppressions for system libraries) reach the player too.
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"}) {
      if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argv_s = {MAVLET_BINARY};
    argv_s.insert(argv_s.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : argv_s) argv.push_back(s.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&fa, STDOUT_FILENO, STDERR_FILENO);
    if (posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), envp.data()) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&fa);
  }
  ~PlayerProcess() {
    if (pid_ > 0 && !status_) {
      ::kill(pid_, SIGKILL);
      WaitEnd(std::chrono::seconds(5));
    }
  }
  PlayerProcess(const PlayerProcess&) = delete;
  PlayerProcess& operator=(const PlayerProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  void Signal(int sig) const { ::kill(pid_, sig); }
  // The wait status once the player has ended, waiting at most `limit`; nullopt while it runs.
  std::optional<int> WaitEnd(std::chrono::milliseconds limit) {
    const auto until = Clock::now() + limit;
    while (!status_) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = status;
      } else if (Clock::now() >= until) {
        break;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
    return status_;
  }
  std::string Output() const {
    std::ifstream in(log_);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  fs::path log_;
  pid_t pid_ = 0;
  std::optional<int> status_;
};

TEST(MavletProgramTest, OptionsAndExitCodes) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {{"--help"}, 0, "usage: mavlet"},
      {{"--version"}, 0, "mavlet "},
      {{"--fullscreen"}, 2, "unknown option --fullscreen"},
      {{"/no/such/title"}, 1, "/no/such/title/Pmx/Global.pmx"},
  };
  for (const Case& c : cases) {
    testing::TempFolder temp{"program"};
    PlayerProcess p(c.args, temp.path());
    ASSERT_TRUE(p.Started());
    const std::optional<int> status = p.WaitEnd(std::chrono::seconds(20));
    ASSERT_TRUE(status.has_value()) << c.args[0];
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == c.status) << c.args[0] << ": " << p.Output();
    EXPECT_NE(p.Output().find(c.says), std::string::npos) << c.args[0] << ": " << p.Output();
  }
}

// A title that waits for a click, with a settings key (the player then asks for a save folder
// at start) or without.
void WriteTitle(const fs::path& title, bool settings_key) {
  fs::create_directories(title / "Pmx");
  TGlobalData g;
  g.Title = "Question";
  g.ScreenMode = 1;
  g.StartPage = 1;
  if (settings_key)
    g.RegKey = "Software\\Mavlet\\Question";
  else
    g.NoRegistry = 1;
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

TEST(MavletProgramTest, TitlesRunToTheirEndWithTheSaveFolderQuestion) {
  struct Case {
    const char* name;
    bool settings_key;          // the player asks for a save folder
    bool desktop;               // a DISPLAY and a zenity on PATH
    const char* folder_dialog;  // what the stand-in does for the folder chooser (sh)
    bool sigterm;               // sent once the question is open
    bool ends_by_itself;        // the player ends without being told to
    bool folder_made;
  };
  const Case cases[] = {
      {"no question: plays until interrupted", false, false, "", false, false, false},
      {"desktop dialog answered", true, true, "echo \"$ANSWER\"; exit 0", false, false, true},
      {"desktop dialog cancelled", true, true, "exit 1", false, true, false},
      {"SIGTERM during the desktop dialog", true, true, "echo $$ > \"$PIDFILE\"; exec sleep 60", true, false, false},
      // No desktop and a window on no screen: nobody could answer, so the player does not wait.
      {"no screen at all", true, false, "", false, true, false},
  };
  for (const Case& c : cases) {
    testing::TempFolder temp{"question"};
    const fs::path title = temp / "title", bin = temp / "bin", pidfile = temp / "dialog.pid";
    const fs::path answer = temp / "chosen" / "saves";
    WriteTitle(title, c.settings_key);
    fs::create_directories(bin);
    {
      // Messages are answered at once; the folder chooser does what the case says.
      std::ofstream(bin / "zenity") << "#!/bin/sh\ncase \"$*\" in *--file-selection*) " << c.folder_dialog
                                    << " ;; esac\nexit 0\n";
      ::chmod((bin / "zenity").c_str(), 0755);
    }
    std::vector<std::string> env = {"ANSWER=" + answer.string(), "PIDFILE=" + pidfile.string()};
    if (c.desktop) {
      // The offscreen driver ignores DISPLAY; the player only looks for desktop dialogs with one.
      env.push_back("DISPLAY=:77");
      env.push_back("PATH=" + bin.string() + ":/usr/bin:/bin");
    } else {
      env.push_back("PATH=/usr/bin:/bin");
    }
    PlayerProcess p({title.string()}, temp.path(), env);
    ASSERT_TRUE(p.Started()) << c.name;

    std::optional<pid_t> dialog;
    if (c.sigterm) {
      const auto until = Clock::now() + std::chrono::seconds(10);
      while (!(dialog = ReadPid(pidfile)) && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      ASSERT_TRUE(dialog.has_value()) << c.name << ": the folder chooser never ran";
    }
    // A question or a title holds the player: it is still there after a while (or ended, when
    // the question was cancelled).
    std::optional<int> status = p.WaitEnd(std::chrono::milliseconds(1500));
    EXPECT_EQ(status.has_value(), c.ends_by_itself) << c.name;
    if (!status) {
      const auto signalled = Clock::now();
      p.Signal(c.sigterm ? SIGTERM : SIGINT);
      status = p.WaitEnd(std::chrono::seconds(5));
      EXPECT_LT(Clock::now() - signalled, std::chrono::seconds(3)) << c.name << ": the player ends promptly";
    }
    ASSERT_TRUE(status.has_value()) << c.name;
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
        << c.name << ": the player ends in order, not by the signal: " << p.Output();
    if (dialog) {
      EXPECT_FALSE(Alive(*dialog)) << c.name << ": the dialog program was left running";
    }
    EXPECT_EQ(fs::is_directory(answer), c.folder_made) << c.name;
    const std::string out = p.Output();
    // Only a question without any screen is left to the error stream.
    const bool on_stderr = c.settings_key && !c.desktop;
    EXPECT_EQ(out.find("(no message box)") != std::string::npos, on_stderr) << c.name << ": " << out;
    EXPECT_EQ(out.find("no way to ask; cancelled") != std::string::npos, on_stderr) << c.name << ": " << out;
  }
}

}  // namespace
}  // namespace mavlet
