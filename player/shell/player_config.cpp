#include "player/shell/player_config.h"

#include "player/common/ini_document.h"
#include "player/common/int_convert.h"

namespace mavlet {
namespace {

constexpr std::uintmax_t kMaxConfigBytes = 1 << 20;

}  // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
  return IniDocument::Parse(text, IniDialect::kTolerant).Find(section, key);
}

PlayerConfig ParsePlayerConfig(std::string_view text, std::string_view source_name, Log* log) {
  PlayerConfig c;
  const IniDocument doc = IniDocument::Parse(text, IniDialect::kTolerant);
  auto read_int = [&](std::string_view key, std::int32_t& out) {
    std::optional<std::string> v = doc.Find("STATUS", key);
    if (!v) return;
    if (std::optional<std::int32_t> n = ParseInt(*v)) {
      out = *n;
    } else if (log) {
      log->Warn(std::string(source_name) + ": [STATUS] " + std::string(key) +
                " is not an integer; using the default");
    }
  };
  auto read_bool = [&](std::string_view key, bool& out) {
    std::int32_t v = out ? 1 : 0;
    read_int(key, v);
    out = v != 0;
  };
  read_bool("HasJoyPad", c.has_joy_pad);
  read_bool("FadeinDraw", c.fade_in_draw);
  read_bool("AntiAlias", c.anti_alias);
  read_bool("HasSound", c.has_sound);
  read_int("SoundBuffer", c.sound_buffer);
  read_bool("FullScreen", c.full_screen);
  read_bool("WaitVBlank", c.wait_vblank);
  read_bool("UseSystemMemory", c.use_system_memory);
  read_int("Interval", c.interval);
  if (std::optional<std::string> fonts = doc.Find("STATUS", "UseFonts")) c.use_fonts = *fonts;
  read_int("ImageCache", c.image_cache);
  read_int("WindowScale", c.window_scale);
  read_int("ScaleFilter", c.scale_filter);
  if (c.image_cache < 1) c.image_cache = 1;
  // A zero or negative period would divide by zero in the frame timer.
  if (c.interval < 1) c.interval = 1;
  if (c.window_scale < 0) c.window_scale = 0;
  if (c.scale_filter != 0) c.scale_filter = 1;
  return c;
}

PlayerConfig LoadPlayerConfig(const std::filesystem::path& file, Log* log) {
  const std::optional<std::string> text = ReadIniFile(file, kMaxConfigBytes);
  return text ? ParsePlayerConfig(*text, file.string(), log) : PlayerConfig{};
}

std::filesystem::path FindConfigFile(const std::filesystem::path& player_folder,
                                     std::optional<std::string> xdg_config_home,
                                     std::optional<std::string> home) {
  std::filesystem::path beside = player_folder / "mavlet.ini";
  std::error_code ec;
  if (std::filesystem::exists(beside, ec)) return beside;
  std::filesystem::path base;
  // The base directory specification ignores relative values.
  if (xdg_config_home && !xdg_config_home->empty() && std::filesystem::path(*xdg_config_home).is_absolute())
    base = *xdg_config_home;
  else if (home && !home->empty())
    base = std::filesystem::path(*home) / ".config";
  else
    return beside;
  return base / "mavlet" / "mavlet.ini";
}

}  // namespace mavlet
