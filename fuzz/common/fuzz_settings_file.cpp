// The settings file parser on arbitrary text: formatting is stable and written values read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "player/backend/posix/ini_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  mavlet::SettingsDocument doc = mavlet::SettingsDocument::Parse(text);
  const std::string once = doc.Format();
  if (mavlet::SettingsDocument::Parse(once).Format() != once) std::abort();

  // Key, value name and value taken from the input itself, awkward bytes included.
  const std::size_t third = size / 3;
  const std::string key(text.substr(0, third));
  const std::string name(text.substr(third, third));
  const std::string value(text.substr(2 * third));
  doc.Set(key, name, value);
  mavlet::SettingsDocument reread = mavlet::SettingsDocument::Parse(doc.Format());
  if (!mavlet::NormalizeSettingsKey(key).empty() && reread.Get(key, name) != value) std::abort();
  reread.DeleteTree(key);
  if (!mavlet::NormalizeSettingsKey(key).empty() && reread.Get(key, name).has_value()) std::abort();
  return 0;
}
