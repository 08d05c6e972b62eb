#pragma once
// What the player keeps for the user in its settings file (mavlet.ini): the full-screen choice
// ([STATUS] FullScreen, read back at the next start) and, per title, the window's scale and
// place ([Window KEY], KEY the title's settings key). Writing edits the one value in place and
// replaces the file atomically, so hand-written settings, comments and other titles' entries
// survive; a file that cannot be read or written throws MavError naming it. Also the names
// of screenshot files.
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "player/backend/display.h"
#include "player/vars/local_time.h"

namespace mavlet {

// Sets values of one section of the settings file in one rewrite, creating the file (and its
// folder) when missing.
void KeepSettings(const std::filesystem::path& file, std::string_view section,
                  std::initializer_list<std::pair<std::string_view, std::string_view>> values);

// The section of a title's window: "Window " and the title's key (UTF-8), with "]" and line
// breaks replaced so that the name stands on one line, blanks at its end dropped.
std::string WindowSection(std::string_view title_key);
// The remembered placement; nullopt when the file, the section or a value is missing or not a
// number, or the scale is not 1..16.
std::optional<WindowPlacement> LoadWindowPlacement(const std::filesystem::path& file, std::string_view title_key);
void KeepWindowPlacement(const std::filesystem::path& file, std::string_view title_key, const WindowPlacement& placement);

// The first free "TITLE-YYYYMMDD-N.png" in folder (N from 1), TITLE made safe for a file name
// ("mavlet" when nothing is left of it). Throws MavError when no number up to 9999 is free.
std::filesystem::path NextScreenshotFile(const std::filesystem::path& folder, std::string_view title,
                                         const LocalDateTime& when);

// Where F12 saves: $XDG_PICTURES_DIR/mavlet when that is set (also from user-dirs.dirs in the
// configuration folder), else ~/Pictures/mavlet. Empty when neither is known.
std::filesystem::path DefaultScreenshotFolder(std::optional<std::string> xdg_pictures_dir,
                                              std::optional<std::string> xdg_config_home,
                                              std::optional<std::string> home);

}  // namespace mavlet
