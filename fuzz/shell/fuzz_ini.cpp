// Any bytes as mavlet.ini: parsing must finish without a crash and keep the corrected ranges;
// a value the player keeps there (set in place) reads back as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "player/common/ini_document.h"
#include "player/common/log.h"
#include "player/shell/player_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  mavlet::MemoryLog log;
  mavlet::PlayerConfig c = mavlet::ParsePlayerConfig(text, "fuzz.ini", &log);
  if (c.image_cache < 1 || c.interval < 1 || c.window_scale < 0) std::abort();
  (void)mavlet::FindIniValue(text, "STATUS", "UseFonts");
  for (const char* section : {"STATUS", "Window Software\\Mavlet"}) {
    const std::string kept = mavlet::SetTolerantIniValue(text, section, "FullScreen", "1");
    if (mavlet::IniDocument::Parse(kept, mavlet::IniDialect::kTolerant).Find(section, "FullScreen") != "1")
      std::abort();
  }
  return 0;
}
