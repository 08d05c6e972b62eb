#include "player/vars/system_value_host.h"

#include "player/storage/game_status.h"

namespace mavlet {

std::string EngineValueHost::ReadSlotKey(int slot, std::string_view key, std::string_view fallback) {
  const std::filesystem::path folder = SaveFolder();
  if (folder.empty()) return std::string(fallback);
  TGameStatus status(folder, slot);
  return status.ReadString(key, fallback);
}

void EngineValueHost::WriteSlotKey(int slot, std::string_view key, std::string_view value) {
  const std::filesystem::path folder = SaveFolder();
  if (folder.empty()) return;
  TGameStatus status(folder, slot);
  status.WriteString(key, value);
  status.Flush();
}

}  // namespace mavlet
