// Any bytes as mavlet.ini: parsing must finish without a crash and keep the corrected ranges.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "player/common/log.h"
#include "player/shell/player_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  mavlet::MemoryLog log;
  mavlet::PlayerConfig c = mavlet::ParsePlayerConfig(text, "fuzz.ini", &log);
  if (c.image_cache < 1 || c.interval < 1 || c.window_scale < 0) std::abort();
  (void)mavlet::FindIniValue(text, "STATUS", "UseFonts");
  return 0;
}
