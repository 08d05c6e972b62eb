#pragma once
// Settings kept in memory only: a headless run never touches the user's stored settings, so
// every run asks for (and is told) its save folder afresh.
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "player/backend/file_services.h"

namespace mavlet {

class MemorySettings : public SettingsStore {
 public:
  std::optional<std::string> ReadString(std::string_view key, std::string_view value) override;
  void WriteString(std::string_view key, std::string_view value, std::string_view text) override;
  // Deletes the key and every key below it ("Key\..." ).
  void DeleteKey(std::string_view key) override;

 private:
  // key + '\0' + value name; names compare exactly.
  std::map<std::string, std::string> values_;
};

}  // namespace mavlet
