#pragma once
// Message boxes through SDL (texts in UTF-8) and the folder prompt through zenity or kdialog
// when one is installed, else a message box offering a fixed folder. Whatever cannot be shown
// is written to the error stream so it is never lost.
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "player/backend/dialogs.h"

struct SDL_Window;

namespace mavlet {

class SdlDialogs : public Dialogs {
 public:
  // err receives messages that no box could show (may be null).
  explicit SdlDialogs(std::ostream* err) : err_(err) {}

  // Parent window of the boxes (may stay null).
  void SetWindow(SDL_Window* window) { window_ = window; }
  // The folder offered when no folder chooser program is installed.
  void SetFallbackFolder(std::filesystem::path folder) { fallback_folder_ = std::move(folder); }
  // Folders searched for zenity and kdialog (default: $PATH).
  void SetSearchPath(std::vector<std::filesystem::path> folders) { search_path_ = std::move(folders); }

  void ShowMessage(std::string_view caption, std::string_view text) override;
  bool AskOkCancel(std::string_view caption, std::string_view text) override;
  std::optional<std::filesystem::path> AskFolder(std::string_view prompt,
                                                 const std::filesystem::path& suggestion) override;

  // The chooser command line for a program found in the search path, empty when none is.
  std::vector<std::string> FolderChooserCommand(std::string_view prompt, const std::filesystem::path& start) const;

 private:
  std::optional<std::filesystem::path> FindProgram(std::string_view name) const;
  // A message (question) through zenity or kdialog: the answer, nullopt when neither ran.
  std::optional<bool> AskThroughProgram(bool question, const std::string& caption, const std::string& text) const;

  std::ostream* err_;
  SDL_Window* window_ = nullptr;
  std::filesystem::path fallback_folder_;
  std::optional<std::vector<std::filesystem::path>> search_path_;
};

// $XDG_DATA_HOME/mavlet/saves (XDG_DATA_HOME defaulting to $HOME/.local/share) followed by the
// title's settings key turned into safe folder names ("Software\\Vendor\\Game" ->
// "Vendor/Game"). Environment values are passed in; empty path when neither is usable.
std::filesystem::path DefaultSaveFolder(std::optional<std::string> xdg_data_home, std::optional<std::string> home,
                                        std::string_view key_utf8);

}  // namespace mavlet
