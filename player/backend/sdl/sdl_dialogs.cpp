#include "player/backend/sdl/sdl_dialogs.h"

#include <SDL.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace mavlet {
namespace {

// Runs a program without a shell and returns its exit status and what it printed (bounded).
struct RunResult {
  int status = -1;
  std::string out;
};

RunResult RunCapture(const std::vector<std::string>& argv) {
  RunResult result;
  int fds[2];
  if (::pipe(fds) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    return result;
  }
  std::array<char, 4096> buf;
  ssize_t n;
  while ((n = ::read(fds[0], buf.data(), buf.size())) > 0) {
    if (result.out.size() < 65536) result.out.append(buf.data(), static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return result;
  }
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Lines(std::string_view a, std::string_view b) {
  std::string s(a);
  if (!b.empty()) s.append("\n\n").append(b);
  return s;
}

}  // namespace

std::optional<bool> SdlDialogs::AskThroughProgram(bool question, const std::string& caption,
                                                  const std::string& text) const {
  std::vector<std::string> cmd;
  if (std::optional<std::filesystem::path> z = FindProgram("zenity")) {
    cmd = {z->string(), question ? "--question" : "--info", "--no-markup", "--title=" + caption, "--text=" + text};
    if (question) {
      cmd.push_back("--ok-label=OK");
      cmd.push_back("--cancel-label=Cancel");
    }
  } else if (std::optional<std::filesystem::path> k = FindProgram("kdialog")) {
    cmd = {k->string(), "--title", caption, question ? "--yesno" : "--msgbox", text};
  } else {
    return std::nullopt;
  }
  const RunResult r = RunCapture(cmd);
  if (r.status == 0) return true;
  if (r.status == 1) return false;
  return std::nullopt;
}

void SdlDialogs::ShowMessage(std::string_view caption, std::string_view text) {
  const std::string c(caption), t(text);
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, c.c_str(), t.c_str(), window_) == 0) return;
  // SDL's own box needs the X core fonts; the desktop's dialog program may still work.
  const std::string why = SDL_GetError();
  if (AskThroughProgram(false, c, t).has_value()) return;
  if (err_) *err_ << c << ": " << t << " (no message box: " << why << ")\n";
}

bool SdlDialogs::AskOkCancel(std::string_view caption, std::string_view text) {
  const std::string c(caption), t(text);
  const SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "Cancel"},
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"},
  };
  const SDL_MessageBoxData box{SDL_MESSAGEBOX_INFORMATION, window_, c.c_str(), t.c_str(), 2, buttons, nullptr};
  int pressed = 0;
  if (SDL_ShowMessageBox(&box, &pressed) == 0) return pressed == 1;
  if (std::optional<bool> answer = AskThroughProgram(true, c, t)) return *answer;
  // Nobody can answer: the cautious answer.
  if (err_) *err_ << c << ": " << t << " (no way to ask; cancelled)\n";
  return false;
}

std::optional<std::filesystem::path> SdlDialogs::FindProgram(std::string_view name) const {
  std::vector<std::filesystem::path> folders;
  if (search_path_) {
    folders = *search_path_;
  } else if (const char* path = std::getenv("PATH")) {
    std::string_view p(path);
    while (!p.empty()) {
      const std::size_t colon = p.find(':');
      if (colon != 0) folders.emplace_back(std::string(p.substr(0, colon)));
      if (colon == std::string_view::npos) break;
      p.remove_prefix(colon + 1);
    }
  }
  for (const std::filesystem::path& f : folders) {
    const std::filesystem::path candidate = f / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

std::vector<std::string> SdlDialogs::FolderChooserCommand(std::string_view prompt,
                                                          const std::filesystem::path& start) const {
  if (std::optional<std::filesystem::path> z = FindProgram("zenity")) {
    // The trailing slash makes zenity open the folder itself rather than its parent.
    return {z->string(), "--file-selection", "--directory", "--title=" + std::string(prompt),
            "--filename=" + (start / "").string()};
  }
  if (std::optional<std::filesystem::path> k = FindProgram("kdialog")) {
    return {k->string(), "--title", std::string(prompt), "--getexistingdirectory", start.string()};
  }
  return {};
}

std::optional<std::filesystem::path> SdlDialogs::AskFolder(std::string_view prompt,
                                                           const std::filesystem::path& suggestion) {
  const std::filesystem::path start = fallback_folder_.empty() ? suggestion : fallback_folder_;
  std::error_code ec;
  std::vector<std::string> cmd = FolderChooserCommand(prompt, start);
  if (!cmd.empty()) {
    std::filesystem::create_directories(start, ec);
    RunResult r = RunCapture(cmd);
    if (r.status == 0) {
      while (!r.out.empty() && (r.out.back() == '\n' || r.out.back() == '\r')) r.out.pop_back();
      if (!r.out.empty()) {
        std::filesystem::path chosen(r.out);
        std::filesystem::create_directories(chosen, ec);
        if (std::filesystem::is_directory(chosen, ec)) return chosen;
      }
    }
    if (r.status == 1) return std::nullopt;  // the user cancelled
    // Anything else (no display for it, a crash): ask the plain way below.
  }
  if (!AskOkCancel("Mavlet", Lines(prompt, start.string()))) return std::nullopt;
  std::filesystem::create_directories(start, ec);
  if (!std::filesystem::is_directory(start, ec)) {
    ShowMessage("Mavlet", "cannot create the folder " + start.string());
    return std::nullopt;
  }
  return start;
}

std::filesystem::path DefaultSaveFolder(std::optional<std::string> xdg_data_home, std::optional<std::string> home,
                                        std::string_view key_utf8) {
  std::filesystem::path base;
  if (xdg_data_home && !xdg_data_home->empty() && std::filesystem::path(*xdg_data_home).is_absolute())
    base = *xdg_data_home;
  else if (home && !home->empty())
    base = std::filesystem::path(*home) / ".local" / "share";
  else
    return {};
  std::filesystem::path folder = base / "mavlet" / "saves";
  // Keep only plain names: no empty parts, no "." or "..", so the key cannot leave the folder.
  std::string_view key = key_utf8;
  bool first = true;
  while (!key.empty()) {
    const std::size_t sep = key.find_first_of("\\/");
    std::string part(key.substr(0, sep));
    key = sep == std::string_view::npos ? std::string_view() : key.substr(sep + 1);
    const bool is_software = first && (part == "Software" || part == "SOFTWARE" || part == "software");
    first = false;
    if (part.empty() || part == "." || part == ".." || is_software) continue;
    for (char& c : part) {
      if (c == ':' || static_cast<unsigned char>(c) < 0x20) c = '_';
    }
    folder /= part;
  }
  return folder;
}

}  // namespace mavlet
