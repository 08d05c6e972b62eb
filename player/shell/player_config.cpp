#include "player/shell/player_config.h"

#include <charconv>
#include <fstream>
#include <limits>

#include "player/common/ascii_case.h"
#include "player/common/error.h"

namespace mavlet {
namespace {

constexpr std::uintmax_t kMaxConfigBytes = 1 << 20;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Decimal with optional sign, or hexadecimal written "0x1F" / "$1F".
std::optional<std::int32_t> ParseInt(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  } else if (s.size() > 1 && s[0] == '$') {
    base = 16;
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  std::int64_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  if (negative) v = -v;
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(v);
}

}  // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  bool in_section = false;
  while (!text.empty()) {
    std::size_t nl = text.find('\n');
    std::string_view line = Trim(text.substr(0, nl));
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      std::size_t close = line.find(']');
      in_section = close != std::string_view::npos && EqualsIgnoreAsciiCase(Trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!in_section) continue;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (!EqualsIgnoreAsciiCase(Trim(line.substr(0, eq)), key)) continue;
    std::string_view value = Trim(line.substr(eq + 1));
    // A value in matching quotes loses them, as with the profile functions.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return std::string(value);
  }
  return std::nullopt;
}

PlayerConfig ParsePlayerConfig(std::string_view text, std::string_view source_name, Log* log) {
  PlayerConfig c;
  auto read_int = [&](std::string_view key, std::int32_t& out) {
    std::optional<std::string> v = FindIniValue(text, "STATUS", key);
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
  if (std::optional<std::string> fonts = FindIniValue(text, "STATUS", "UseFonts")) c.use_fonts = *fonts;
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
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return PlayerConfig{};
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec) throw MavError(file.string() + ": cannot read the configuration file (" + ec.message() + ")");
  if (size > kMaxConfigBytes)
    throw MavError(file.string() + ": configuration file is too large (" + std::to_string(size) + " bytes)");
  std::ifstream in(file, std::ios::binary);
  if (!in) throw MavError(file.string() + ": cannot open the configuration file");
  std::string text(static_cast<std::size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return ParsePlayerConfig(text, file.string(), log);
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
