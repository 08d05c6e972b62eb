// The desktop's dialog programs: which one is found, the argument vectors (texts pass as single
// arguments, never through a shell), how a run ends, and a close request or SIGTERM during a
// run ending the child at once.
#include "player/backend/modal/desktop_dialog.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <optional>
#include <thread>

#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Outcome = ChildRun::Outcome;

void MakeExecutable(const fs::path& p) {
  std::ofstream(p) << "#!/bin/sh\nexit 0\n";
  ::chmod(p.c_str(), 0755);
}

TEST(DesktopDialog, ZenityIsPreferredThenKdialog) {
  testing::TempFolder temp{"desktop-dialog"};
  const fs::path a = temp.path() / "a", b = temp.path() / "b", empty = temp.path() / "empty";
  fs::create_directories(a);
  fs::create_directories(b);
  fs::create_directories(empty);
  MakeExecutable(a / "kdialog");
  MakeExecutable(b / "zenity");
  std::ofstream(empty / "zenity") << "not executable";
  using Kind = DesktopDialogProgram::Kind;
  auto found = FindDesktopDialog({empty, a, b});
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->kind, Kind::kZenity);
  EXPECT_EQ(found->program, b / "zenity");
  found = FindDesktopDialog({empty, a});
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->kind, Kind::kKdialog);
  EXPECT_FALSE(FindDesktopDialog({empty}).has_value());
  EXPECT_EQ(SplitSearchPath("/x::/y:"), (std::vector<fs::path>{"/x", "/y"}));
}

TEST(DesktopDialog, ArgumentVectors) {
  const DesktopDialogProgram zenity{DesktopDialogProgram::Kind::kZenity, "/usr/bin/zenity"};
  const DesktopDialogProgram kdialog{DesktopDialogProgram::Kind::kKdialog, "/usr/bin/kdialog"};
  using V = std::vector<std::string>;
  struct Case {
    V got;
    V expected;
  };
  const std::string text = "保存しますか? $(touch x); `id` \"'";
  const Case cases[] = {
      {MessageArgv(zenity, false, "Mavlet", text),
       V{"/usr/bin/zenity", "--info", "--no-markup", "--title=Mavlet", "--text=" + text}},
      {MessageArgv(zenity, true, "Mavlet", text), V{"/usr/bin/zenity", "--question", "--no-markup", "--title=Mavlet",
                                                    "--text=" + text, "--ok-label=OK", "--cancel-label=キャンセル"}},
      {MessageArgv(kdialog, false, "Mavlet", text), V{"/usr/bin/kdialog", "--title", "Mavlet", "--msgbox", text}},
      {MessageArgv(kdialog, true, "Mavlet", "-x"), V{"/usr/bin/kdialog", "--title", "Mavlet", "--yesno", "-x"}},
      {FolderArgv(zenity, "フォルダ", "/home/u/saves"),
       V{"/usr/bin/zenity", "--file-selection", "--directory", "--title=フォルダ", "--filename=/home/u/saves/"}},
      {FolderArgv(kdialog, "フォルダ", "/home/u/saves"),
       V{"/usr/bin/kdialog", "--title", "フォルダ", "--getexistingdirectory", "/home/u/saves"}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(DesktopDialog, RunOutcomes) {
  testing::TempFolder temp{"desktop-dialog"};
  const fs::path marker = temp.path() / "marker";
  const std::string nasty = "a; touch " + marker.string() + " $(touch " + marker.string() + ")";
  struct Case {
    std::vector<std::string> argv;
    Outcome outcome;
    int status;
    std::string out;
  };
  const Case cases[] = {
      {{"/usr/bin/echo", nasty, "`id`"}, Outcome::kExited, 0, nasty + " `id`\n"},
      {{"/usr/bin/true"}, Outcome::kExited, 0, ""},
      {{"/usr/bin/false"}, Outcome::kExited, 1, ""},
      {{"/bin/sh", "-c", "printf /chosen/folder; exit 5"}, Outcome::kExited, 5, "/chosen/folder"},
      {{"/bin/sh", "-c", "kill -9 $$"}, Outcome::kFailed, -1, ""},
      {{(temp.path() / "missing").string()}, Outcome::kFailed, -1, ""},
      {{}, Outcome::kFailed, -1, ""},
  };
  for (const Case& c : cases) {
    const ChildRun r = RunDesktopDialog(c.argv, [] { return false; });
    const std::string name = c.argv.empty() ? "(empty)" : c.argv[0];
    EXPECT_EQ(r.outcome, c.outcome) << name;
    EXPECT_EQ(r.status, c.status) << name;
    EXPECT_EQ(r.out, c.out) << name;
  }
  EXPECT_FALSE(fs::exists(marker)) << "a text was run by a shell";
}

TEST(DesktopDialog, OutputIsBounded) {
  const ChildRun r = RunDesktopDialog({"/bin/sh", "-c", "head -c 200000 /dev/zero"}, [] { return false; });
  EXPECT_EQ(r.outcome, Outcome::kExited);
  EXPECT_EQ(r.out.size(), 64u * 1024u);
}

std::optional<pid_t> ReadPid(const fs::path& file) {
  std::ifstream in(file);
  long pid = 0;
  if (in >> pid && pid > 0) return static_cast<pid_t>(pid);
  return std::nullopt;
}

std::atomic<bool> g_terminated{false};  // set by the test's own SIGTERM handler
void OnTerm(int) { g_terminated = true; }

// A close request ends the child, which is reaped before the run returns: no process and no
// zombie is left, also when the child ignores the polite SIGTERM. A SIGTERM to the player wakes
// the run's default wait at once (the close request then being the handler's flag).
TEST(DesktopDialog, CloseRequestEndsAndReapsTheChild) {
  struct Case {
    const char* name;
    const char* script;  // writes its pid to $1 first
    bool sigterm;        // the close request comes as a SIGTERM to this process
  };
  const Case cases[] = {
      {"ends on SIGTERM", "echo $$ > \"$1\"; exec sleep 30", false},
      {"ignores SIGTERM", "trap '' TERM; echo $$ > \"$1\"; exec sleep 30", false},
      {"SIGTERM to the player", "echo $$ > \"$1\"; exec sleep 30", true},
  };
  for (const Case& c : cases) {
    testing::TempFolder temp{"desktop-dialog"};
    const fs::path pidfile = temp.path() / "pid";
    const std::vector<std::string> argv = {"/bin/sh", "-c", c.script, "sh", pidfile.string()};
    const auto start = Clock::now();
    ChildRun r;
    if (c.sigterm) {
      struct sigaction action {
      }, old{};
      action.sa_handler = OnTerm;
      sigemptyset(&action.sa_mask);
      ASSERT_EQ(::sigaction(SIGTERM, &action, &old), 0);
      g_terminated = false;
      std::thread sender([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ::kill(::getpid(), SIGTERM);
      });
      r = RunDesktopDialog(argv, [] { return g_terminated.load(); });
      sender.join();
      ::sigaction(SIGTERM, &old, nullptr);
    } else {
      r = RunDesktopDialog(
          argv, [&] { return ReadPid(pidfile).has_value() || Clock::now() - start > std::chrono::seconds(5); },
          std::chrono::milliseconds(20));
    }
    EXPECT_EQ(r.outcome, Outcome::kClosed) << c.name;
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(4)) << c.name;
    const std::optional<pid_t> pid = ReadPid(pidfile);
    ASSERT_TRUE(pid.has_value()) << c.name;
    // kill() still reaches a zombie; only a reaped child is gone.
    EXPECT_EQ(::kill(*pid, 0), -1) << c.name << ": the child is still there (running or a zombie)";
    EXPECT_EQ(errno, ESRCH) << c.name;
  }
}

}  // namespace
}  // namespace mavlet
