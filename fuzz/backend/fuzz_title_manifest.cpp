// The title manifest parser on arbitrary text: it either refuses the text or gives a manifest
// whose every path is safe and that writes and reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "player/backend/title_manifest.h"
#include "player/common/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  mavlet::TitleManifest m;
  try {
    m = mavlet::ParseTitleManifest(text, "fuzz");
  } catch (const mavlet::MavError&) {
    return 0;
  }
  for (const mavlet::ManifestEntry& e : m.files)
    if (mavlet::SitePathProblem(e.path) || e.size > mavlet::kMaxManifestFileSize) std::abort();
  const std::string once = mavlet::WriteTitleManifest(m);
  if (mavlet::WriteTitleManifest(mavlet::ParseTitleManifest(once, "again")) != once) std::abort();
  return 0;
}
