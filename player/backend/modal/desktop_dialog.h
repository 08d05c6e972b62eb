#pragma once
// The desktop's own dialog programs (zenity, else kdialog) for the player's messages, questions
// and the folder chooser. A program runs as a child process from an argument vector, never
// through a shell, so no text of a title is ever parsed as a command. While it runs the player
// keeps handling signals: the wait wakes at least every poll interval to ask whether the player
// was asked to close (its window's close button, SIGTERM); if so the child is ended and the run
// reports kClosed. A program that cannot be started, or ends in an unexpected way (killed, no
// display for it), reports kFailed so the caller can ask another way.
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

struct DesktopDialogProgram {
  enum class Kind { kZenity, kKdialog };
  Kind kind = Kind::kZenity;
  std::filesystem::path program;  // full path of the executable
};

// The first folder holding an executable zenity, else the first holding kdialog.
std::optional<DesktopDialogProgram> FindDesktopDialog(const std::vector<std::filesystem::path>& folders);
// The folders of a PATH value, in order (empty entries skipped).
std::vector<std::filesystem::path> SplitSearchPath(std::string_view path);

// Argument vectors (argv[0] is the program's path). A message has one OK button; a question
// OK and Cancel (exit status 0 for OK, 1 for Cancel). The folder chooser prints the chosen
// folder and opens at start.
std::vector<std::string> MessageArgv(const DesktopDialogProgram& p, bool question, std::string_view caption,
                                     std::string_view text);
std::vector<std::string> FolderArgv(const DesktopDialogProgram& p, std::string_view prompt,
                                    const std::filesystem::path& start);

struct ChildRun {
  enum class Outcome { kExited, kClosed, kFailed };
  Outcome outcome = Outcome::kFailed;
  int status = -1;  // exit status when kExited
  std::string out;  // what the child printed on its standard output (first 64 KiB)
};

// Runs argv[0] with argv and waits for it. close_requested is asked after every wake-up (the
// child's output, a signal, or poll_interval passing); when it answers true the child gets
// SIGTERM (SIGKILL if it is still there a second later) and the run ends with kClosed.
ChildRun RunDesktopDialog(const std::vector<std::string>& argv, const std::function<bool()>& close_requested,
                          std::chrono::milliseconds poll_interval = std::chrono::milliseconds(100));

}  // namespace mavlet
