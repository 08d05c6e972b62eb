#pragma once
// File-system services the player needs from the host: title paths written Windows-style,
// data discs, the temporary folder and the per-user settings that stand in for the registry.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

class FileServices {
 public:
  virtual ~FileServices() = default;

  // Resolves a title path ("Pmx\\Global.pmx", Shift-JIS, "\\" or "/" separators) below base.
  // Each component matches exactly when possible, else ignoring ASCII letter case.
  // nullopt when nothing on disk matches.
  virtual std::optional<std::filesystem::path> Resolve(const std::filesystem::path& base,
                                                       std::string_view title_path) = 0;
  // Roots of the mounted data discs, in the order that stands for drive letters "A" to "Z".
  virtual std::vector<std::filesystem::path> DataDiscRoots() = 0;
  // Roots of every mounted CD/DVD volume in drive-letter order, whether or not it is a data disc
  // (a title's sound folder may sit on any of them).
  virtual std::vector<std::filesystem::path> OpticalRoots() { return DataDiscRoots(); }
  virtual std::filesystem::path TempFolder() = 0;
};

// Per-title persistent settings below a key name (the title's registry key).
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::optional<std::string> ReadString(std::string_view key, std::string_view value) = 0;
  // Throws MavError when the settings cannot be written.
  virtual void WriteString(std::string_view key, std::string_view value, std::string_view text) = 0;
  // Deletes the key and every key below it.
  virtual void DeleteKey(std::string_view key) = 0;
};

}  // namespace mavlet
