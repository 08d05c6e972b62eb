// The font table parser on arbitrary text: it either refuses the text or gives a table whose
// files stay inside its folder and that writes and reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "player/backend/font_table.h"
#include "player/backend/title_manifest.h"
#include "player/common/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  mavlet::FontTable t;
  try {
    t = mavlet::ParseFontTable(text, "fuzz");
  } catch (const mavlet::MavError&) {
    return 0;
  }
  for (const auto& [name, face] : t.faces)
    if (name.empty() || mavlet::SitePathProblem(face.file) || face.index < 0) std::abort();
  if (t.fallback && mavlet::SitePathProblem(t.fallback->file)) std::abort();
  const std::string once = mavlet::WriteFontTable(t);
  if (mavlet::WriteFontTable(mavlet::ParseFontTable(once, "again")) != once) std::abort();
  return 0;
}
