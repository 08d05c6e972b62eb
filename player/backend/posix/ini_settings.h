#pragma once
// Per-user settings standing in for the registry below HKEY_CURRENT_USER: one INI file
// ($XDG_CONFIG_HOME/mavlet/registry.ini), one section per key ("[Software\Maker\Title]") with
// lines "Name=value", read and written by the escaped dialect of the INI reader
// (player/common/ini_document.h). Key and value names compare ignoring ASCII case, as in the
// registry. Bytes are stored as given (key names from titles are Shift-JIS); "%", control
// characters and characters that would change a line's meaning are written as "%XX".
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "player/backend/file_services.h"
#include "player/common/ini_document.h"

namespace mavlet {

class Log;

// "Software\\Maker\\\\Title\\" -> "Software\\Maker\\Title": empty components dropped
// (a 0x5C that is the second byte of a double-byte character is no separator).
std::string NormalizeSettingsKey(std::string_view key);

// The settings file in memory. Comments and lines it does not understand are kept.
class SettingsDocument {
 public:
  static SettingsDocument Parse(std::string_view text);
  std::string Format() const;

  std::optional<std::string> Get(std::string_view key, std::string_view name) const;
  void Set(std::string_view key, std::string_view name, std::string_view value);
  // Removes the key's section and those of every key below it; whether anything went.
  bool DeleteTree(std::string_view key);

 private:
  using Section = IniDocument::Section;  // name: the normalised key
  Section* Find(std::string_view key);
  const Section* Find(std::string_view key) const;

  IniDocument ini_;
};

class IniSettings : public SettingsStore {
 public:
  // file: normally DefaultSettingsFile(...); empty when there is no place for one (writes fail).
  explicit IniSettings(std::filesystem::path file, Log* log = nullptr);

  std::optional<std::string> ReadString(std::string_view key, std::string_view value) override;
  void WriteString(std::string_view key, std::string_view value, std::string_view text) override;
  void DeleteKey(std::string_view key) override;

  const std::filesystem::path& File() const { return file_; }

 private:
  SettingsDocument Load() const;               // throws MavError when the file cannot be read
  void Save(const SettingsDocument& doc) const;  // atomic: temporary file, fsync, rename

  std::filesystem::path file_;
  Log* log_;
};

// $XDG_CONFIG_HOME/mavlet/registry.ini, else $HOME/.config/mavlet/registry.ini; empty when
// neither is usable. The caller reads the environment and passes the values (null when unset).
std::filesystem::path DefaultSettingsFile(const char* xdg_config_home, const char* home);

}  // namespace mavlet
