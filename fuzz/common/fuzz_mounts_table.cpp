// The mounts table parser on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "player/backend/posix/data_discs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const mavlet::MountEntry& m : mavlet::ParseMounts(text)) {
    if (m.type.empty() || m.device.size() > size || m.mount_point.size() > size) std::abort();
  }
  if (mavlet::DecodeMountField(text).size() > size) std::abort();
  return 0;
}
