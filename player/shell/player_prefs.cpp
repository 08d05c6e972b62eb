#include "player/shell/player_prefs.h"

#include <cstdio>
#include <fstream>
#include <span>

#include "player/common/error.h"
#include "player/common/ini_document.h"
#include "player/common/int_convert.h"
#include "player/storage/file_io.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;

// Settings files are small; anything larger is not ours to rewrite.
constexpr std::uintmax_t kMaxSettingsBytes = 1 << 20;
constexpr int kMaxRememberedScale = 16;
constexpr int kMaxScreenshotNumber = 9999;

std::string ReadSettings(const fs::path& file) { return ReadIniFile(file, kMaxSettingsBytes).value_or(std::string()); }

}  // namespace

void KeepSettings(const fs::path& file, std::string_view section,
                  std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
  std::string text = ReadSettings(file);
  for (const auto& [name, value] : values) text = SetTolerantIniValue(text, section, name, value);
  std::error_code ec;
  if (file.has_parent_path()) fs::create_directories(file.parent_path(), ec);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  WriteFileAtomic(file, std::span<const std::uint8_t>(bytes, text.size()));
}

std::string WindowSection(std::string_view title_key) {
  std::string name = "Window ";
  for (const char c : title_key) name.push_back(c == ']' || c == '\r' || c == '\n' ? '_' : c);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
  return name;
}

std::optional<WindowPlacement> LoadWindowPlacement(const fs::path& file, std::string_view title_key) {
  const IniDocument doc = IniDocument::Parse(ReadSettings(file), IniDialect::kTolerant);
  const std::string section = WindowSection(title_key);
  auto number = [&](const char* name) -> std::optional<std::int32_t> {
    const std::optional<std::string> v = doc.Find(section, name);
    return v ? ParseDecimalStrict(*v) : std::nullopt;
  };
  const auto scale = number("Scale");
  const auto x = number("X");
  const auto y = number("Y");
  if (!scale || !x || !y || *scale < 1 || *scale > kMaxRememberedScale) return std::nullopt;
  return WindowPlacement{*scale, *x, *y};
}

void KeepWindowPlacement(const fs::path& file, std::string_view title_key, const WindowPlacement& placement) {
  const std::string scale = std::to_string(placement.scale);
  const std::string x = std::to_string(placement.x);
  const std::string y = std::to_string(placement.y);
  KeepSettings(file, WindowSection(title_key), {{"Scale", scale}, {"X", x}, {"Y", y}});
}

fs::path NextScreenshotFile(const fs::path& folder, std::string_view title, const LocalDateTime& when) {
  std::string safe;
  for (const char c : title) {
    const auto b = static_cast<unsigned char>(c);
    // Bytes of multi-byte UTF-8 stay; separators, control characters and shell-awkward
    // punctuation become "_".
    const bool bad = b < 0x20 || b == 0x7F || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
    safe.push_back(bad ? '_' : c);
  }
  if (safe.find_first_not_of("._ ") == std::string::npos) safe = "mavlet";
  char date[16];
  std::snprintf(date, sizeof date, "%04d%02d%02d", when.year % 10000, when.month % 100, when.day % 100);
  for (int n = 1; n <= kMaxScreenshotNumber; ++n) {
    fs::path candidate = folder / (safe + "-" + date + "-" + std::to_string(n) + ".png");
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(candidate, ec))) return candidate;
  }
  throw MavError(folder.string() + ": no free screenshot name for " + safe + " on " + date);
}

fs::path DefaultScreenshotFolder(std::optional<std::string> xdg_pictures_dir, std::optional<std::string> xdg_config_home,
                                 std::optional<std::string> home) {
  auto expand_home = [&](std::string value) -> std::string {
    if (value.rfind("$HOME", 0) == 0) return home ? *home + value.substr(5) : std::string();
    return value;
  };
  if (!xdg_pictures_dir || xdg_pictures_dir->empty()) {
    // The desktop's own record of the pictures folder: XDG_PICTURES_DIR="$HOME/Pictures".
    const fs::path config =
        xdg_config_home && !xdg_config_home->empty() ? fs::path(*xdg_config_home) : home ? fs::path(*home) / ".config" : fs::path();
    std::ifstream in(config / "user-dirs.dirs");
    std::string line;
    while (!config.empty() && std::getline(in, line)) {
      constexpr std::string_view kKey = "XDG_PICTURES_DIR=";
      if (line.rfind(kKey, 0) != 0) continue;
      std::string value = line.substr(kKey.size());
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
      xdg_pictures_dir = expand_home(value);
      break;
    }
  }
  if (xdg_pictures_dir && !xdg_pictures_dir->empty() && fs::path(*xdg_pictures_dir).is_absolute())
    return fs::path(*xdg_pictures_dir) / "mavlet";
  if (home && !home->empty()) return fs::path(*home) / "Pictures" / "mavlet";
  return {};
}

}  // namespace mavlet
