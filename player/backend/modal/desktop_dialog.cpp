#include "player/backend/modal/desktop_dialog.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <thread>

extern char** environ;

namespace mavlet {
namespace {

constexpr std::size_t kMaxOutput = 64 * 1024;

// Ends a child that is no longer wanted: politely first, then for good.
void EndChild(pid_t pid) {
  ::kill(pid, SIGTERM);
  int status = 0;
  for (int i = 0; i < 50; ++i) {
    if (::waitpid(pid, &status, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(pid, SIGKILL);
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
}

ChildRun Finished(int status, std::string out) {
  ChildRun r;
  r.out = std::move(out);
  if (WIFEXITED(status)) {
    r.outcome = ChildRun::Outcome::kExited;
    r.status = WEXITSTATUS(status);
  }
  return r;
}

}  // namespace

std::vector<std::filesystem::path> SplitSearchPath(std::string_view path) {
  std::vector<std::filesystem::path> folders;
  while (!path.empty()) {
    const std::size_t colon = path.find(':');
    if (colon != 0) folders.emplace_back(std::string(path.substr(0, colon)));
    if (colon == std::string_view::npos) break;
    path.remove_prefix(colon + 1);
  }
  return folders;
}

std::optional<DesktopDialogProgram> FindDesktopDialog(const std::vector<std::filesystem::path>& folders) {
  using Kind = DesktopDialogProgram::Kind;
  for (const auto& [kind, name] : {std::pair{Kind::kZenity, "zenity"}, std::pair{Kind::kKdialog, "kdialog"}}) {
    for (const std::filesystem::path& f : folders) {
      const std::filesystem::path candidate = f / name;
      std::error_code ec;
      if (std::filesystem::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0)
        return DesktopDialogProgram{kind, candidate};
    }
  }
  return std::nullopt;
}

std::vector<std::string> MessageArgv(const DesktopDialogProgram& p, bool question, std::string_view caption,
                                     std::string_view text) {
  const std::string c(caption), t(text);
  if (p.kind == DesktopDialogProgram::Kind::kKdialog)
    return {p.program.string(), "--title", c, question ? "--yesno" : "--msgbox", t};
  std::vector<std::string> argv = {p.program.string(), question ? "--question" : "--info", "--no-markup",
                                   "--title=" + c, "--text=" + t};
  if (question) {
    argv.push_back("--ok-label=OK");
    argv.push_back("--cancel-label=キャンセル");
  }
  return argv;
}

std::vector<std::string> FolderArgv(const DesktopDialogProgram& p, std::string_view prompt,
                                    const std::filesystem::path& start) {
  if (p.kind == DesktopDialogProgram::Kind::kKdialog)
    return {p.program.string(), "--title", std::string(prompt), "--getexistingdirectory", start.string()};
  // The trailing slash makes zenity open the folder itself rather than its parent.
  return {p.program.string(), "--file-selection", "--directory", "--title=" + std::string(prompt),
          "--filename=" + (start / "").string()};
}

ChildRun RunDesktopDialog(const std::vector<std::string>& argv, const std::function<bool()>& close_requested,
                          std::chrono::milliseconds poll_interval) {
  if (argv.empty()) return {};
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  // The child starts with the default signal actions and nothing blocked, whatever the player
  // (or its toolkit) set up for itself.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults, none;
  sigemptyset(&defaults);
  for (int s : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGCHLD}) sigaddset(&defaults, s);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, args[0], &actions, &attr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  ::close(fds[1]);
  int fd = fds[0];
  if (rc != 0) {
    ::close(fd);
    return {};
  }
  const int wait_ms = static_cast<int>(std::max<std::chrono::milliseconds::rep>(1, poll_interval.count()));
  std::string out;
  int idle_waits = 0;
  for (;;) {
    if (close_requested && close_requested()) {
      if (fd >= 0) ::close(fd);
      EndChild(pid);
      ChildRun r;
      r.outcome = ChildRun::Outcome::kClosed;
      return r;
    }
    if (fd >= 0) {
      pollfd p{fd, POLLIN, 0};
      // A signal ends the sleep early (EINTR); the loop then asks close_requested again.
      if (::poll(&p, 1, wait_ms) <= 0) continue;
      std::array<char, 4096> buf;
      const ssize_t n = ::read(fd, buf.data(), buf.size());
      if (n > 0) {
        if (out.size() < kMaxOutput)
          out.append(buf.data(), std::min(static_cast<std::size_t>(n), kMaxOutput - out.size()));
        continue;
      }
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      ::close(fd);
      fd = -1;
    }
    // The output is closed: the child is ending (or handed its output away and lives on).
    int status = 0;
    const pid_t w = ::waitpid(pid, &status, WNOHANG);
    if (w == pid) return Finished(status, std::move(out));
    if (w < 0 && errno != EINTR) return {};
    // An ending child is reaped within moments; one that lives on is looked at less often.
    std::this_thread::sleep_for(std::min(poll_interval, std::chrono::milliseconds(++idle_waits < 10 ? 5 : 100)));
  }
}

}  // namespace mavlet
