#include "player/vars/system_value_host.h"

#include "player/storage/game_status.h"

namespace mavlet {

std::string ReadSlotFileKey(const std::filesystem::path& folder, int slot, std::string_view key,
                            std::string_view fallback) {
  if (folder.empty()) return std::string(fallback);
  TGameStatus status(folder, slot);
  return status.ReadString(key, fallback);
}

void WriteSlotFileKey(const std::filesystem::path& folder, int slot, std::string_view key, std::string_view value) {
  if (folder.empty()) return;
  TGameStatus status(folder, slot);
  status.WriteString(key, value);
  status.Flush();
}

}  // namespace mavlet
