#pragma once
// The player's messages, questions and folder prompt in a window session. With a desktop (a
// DISPLAY or WAYLAND_DISPLAY) and zenity or kdialog installed, the desktop's dialog runs as a
// child process; otherwise, or when that program fails, the box is drawn inside the game window
// with the player's own fonts (the same glyphs as the text window) and answered with keys and
// mouse there. A close request while a box is open (the window's close button, SIGTERM, which
// SDL turns into a quit event) ends the box, is put back as a quit event for the frame loop, and
// makes every later box return at once. Whatever no box can show is written to the error stream
// so it is never lost.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "player/backend/dialogs.h"
#include "player/backend/glyph_source.h"
#include "player/backend/modal/desktop_dialog.h"

namespace mavlet {

class SdlDisplay;

class SdlDialogs : public Dialogs {
 public:
  // err receives messages that no box could show (may be null).
  explicit SdlDialogs(std::ostream* err) : err_(err) {}
  ~SdlDialogs() override;

  // The window boxes are drawn in when no desktop dialog is used (may stay null: then only the
  // desktop's dialog or the error stream remain).
  void SetDisplay(SdlDisplay* display) { display_ = display; }
  // The glyphs of the in-window box, made on first use; face is a Shift-JIS face name.
  void SetGlyphs(std::function<std::unique_ptr<GlyphSource>()> make, std::string face);
  // The folder offered by the folder prompt (else the caller's suggestion).
  void SetFallbackFolder(std::filesystem::path folder) { fallback_folder_ = std::move(folder); }
  // Folders searched for zenity and kdialog (default: $PATH, and only with a desktop to show on).
  void SetSearchPath(std::vector<std::filesystem::path> folders) { search_path_ = std::move(folders); }

  void ShowMessage(std::string_view caption, std::string_view text) override;
  bool AskOkCancel(std::string_view caption, std::string_view text) override;
  std::optional<std::filesystem::path> AskFolder(std::string_view prompt,
                                                 const std::filesystem::path& suggestion) override;
  bool CloseRequested() const override { return closed_; }

  // The chooser command line for a program found in the search path, empty when none is.
  std::vector<std::string> FolderChooserCommand(std::string_view prompt, const std::filesystem::path& start) const;

 private:
  std::optional<DesktopDialogProgram> DesktopProgram() const;
  // Runs a desktop dialog, watching for a close request; marks the close.
  ChildRun RunProgram(const std::vector<std::string>& argv);
  // The in-window box: nullopt when there is no window or font to draw it with.
  GlyphSource* Glyphs();
  void MarkClosed();

  std::ostream* err_;
  SdlDisplay* display_ = nullptr;
  std::function<std::unique_ptr<GlyphSource>()> make_glyphs_;
  std::unique_ptr<GlyphSource> glyphs_;
  std::string face_;
  std::filesystem::path fallback_folder_;
  std::optional<std::vector<std::filesystem::path>> search_path_;
  bool closed_ = false;
};

// False for the video drivers whose window is on no screen (offscreen, dummy): nobody could
// answer a box drawn there, so the player would wait for ever. driver may be null.
bool BoxesCanBeSeen(const char* video_driver);

// $XDG_DATA_HOME/mavlet/saves (XDG_DATA_HOME defaulting to $HOME/.local/share) followed by the
// title's settings key turned into safe folder names ("Software\\Vendor\\Game" ->
// "Vendor/Game"). Environment values are passed in; empty path when neither is usable.
std::filesystem::path DefaultSaveFolder(std::optional<std::string> xdg_data_home, std::optional<std::string> home,
                                        std::string_view key_utf8);

}  // namespace mavlet
