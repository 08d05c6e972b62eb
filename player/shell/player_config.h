#pragma once
// The player's configuration file, mavlet.ini, section [STATUS]. Missing keys keep their
// defaults; booleans are integers, 0 false and anything else true.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "player/common/log.h"

namespace mavlet {

struct PlayerConfig {
  bool has_joy_pad = true;
  bool fade_in_draw = true;
  bool anti_alias = true;
  bool has_sound = true;
  std::int32_t sound_buffer = 5000;
  bool full_screen = false;
  bool wait_vblank = true;
  bool use_system_memory = true;
  std::int32_t interval = 30;     // ms, at least 1
  std::string use_fonts;          // Shift-JIS, comma-separated
  std::int32_t image_cache = 8;   // at least 1
  std::int32_t window_scale = 0;  // 0 = largest integer scale that fits the desktop
  std::int32_t scale_filter = 0;  // 0 nearest, 1 linear
};

// Reads the [STATUS] section from the file's text. Values that are not integers keep the
// default and are reported to log (when given) with the source name.
PlayerConfig ParsePlayerConfig(std::string_view text, std::string_view source_name = "mavlet.ini",
                               Log* log = nullptr);

// Reads the file; a missing file gives the defaults. Throws MavError naming the file when it
// exists but cannot be read or is unreasonably large.
PlayerConfig LoadPlayerConfig(const std::filesystem::path& file, Log* log = nullptr);

// Where mavlet.ini is looked for: beside the player, else $XDG_CONFIG_HOME/mavlet/mavlet.ini
// (XDG_CONFIG_HOME defaulting to $HOME/.config). The environment values are passed in.
std::filesystem::path FindConfigFile(const std::filesystem::path& player_folder,
                                     std::optional<std::string> xdg_config_home,
                                     std::optional<std::string> home);

// One value of an ini section, found the way the profile functions do: section and key names
// compare ignoring ASCII case, surrounding blanks are dropped, the first occurrence counts.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

}  // namespace mavlet
