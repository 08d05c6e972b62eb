// Runs the player program itself under the offscreen video driver.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "player/engine/global_file.h"
#include "player/storage/packed_file.h"

extern char** environ;

namespace mavlet {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out;  // stdout and stderr together
};

// Starts the player with the offscreen drivers; interrupts it after `run_for` when given.
Outcome RunPlayer(const std::vector<std::string>& args, std::chrono::milliseconds run_for = {}) {
  const fs::path log = fs::temp_directory_path() / ("mavlet-program-" + std::to_string(::getpid()) + ".log");
  std::vector<std::string> env_s = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy",
                                    "SDL_RENDER_DRIVER=software", "SDL_FRAMEBUFFER_ACCELERATION=0",
                                    "HOME=" + fs::temp_directory_path().string(),
                                    "XDG_RUNTIME_DIR=" + fs::temp_directory_path().string()};
  std::vector<char*> env;
  for (std::string& s : env_s) env.push_back(s.data());
  env.push_back(nullptr);
  std::vector<std::string> argv_s = {MAVLET_BINARY};
  argv_s.insert(argv_s.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : argv_s) argv.push_back(s.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&fa, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = 0;
  Outcome o;
  const int spawned = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), env.data());
  posix_spawn_file_actions_destroy(&fa);
  if (spawned != 0) return o;
  if (run_for.count() > 0) {
    std::this_thread::sleep_for(run_for);
    ::kill(pid, SIGINT);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::ifstream in(log);
  o.out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  fs::remove(log);
  return o;
}

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
    Outcome o = RunPlayer(c.args);
    EXPECT_EQ(o.status, c.status) << c.args[0] << ": " << o.out;
    EXPECT_NE(o.out.find(c.says), std::string::npos) << c.args[0] << ": " << o.out;
  }
}

TEST(MavletProgramTest, PlaysATitleUntilInterrupted) {
  const fs::path title = fs::temp_directory_path() / ("mavlet-program-title-" + std::to_string(::getpid()));
  fs::create_directories(title / "Pmx");
  TGlobalData g;
  g.Title = "Program";
  g.ScreenMode = 1;
  g.StartPage = 1;
  g.NoRegistry = 1;
  WriteGlobalFile(title / "Pmx" / "Global.pmx", g);
  const std::string page = "WaitClick 0,\r\n";
  PackToFile(title / "Pmx" / "1.pmx",
             std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(page.data()), page.size()));
  Outcome o = RunPlayer({title.string()}, std::chrono::milliseconds(1500));
  EXPECT_EQ(o.status, 0) << o.out;
  fs::remove_all(title);
}

}  // namespace
}  // namespace mavlet
