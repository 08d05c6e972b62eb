#include "player/backend/headless/headless_settings.h"

namespace mavlet {
namespace {
std::string Join(std::string_view key, std::string_view value) {
  std::string k(key);
  k += '\0';
  k += value;
  return k;
}
}  // namespace

std::optional<std::string> MemorySettings::ReadString(std::string_view key, std::string_view value) {
  auto it = values_.find(Join(key, value));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

void MemorySettings::WriteString(std::string_view key, std::string_view value, std::string_view text) {
  values_[Join(key, value)] = std::string(text);
}

void MemorySettings::DeleteKey(std::string_view key) {
  const std::string self = std::string(key) + '\0';
  const std::string below = std::string(key) + '\\';
  for (auto it = values_.begin(); it != values_.end();) {
    if (it->first.starts_with(self) || it->first.starts_with(below))
      it = values_.erase(it);
    else
      ++it;
  }
}

}  // namespace mavlet
