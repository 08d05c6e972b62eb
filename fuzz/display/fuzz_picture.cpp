// Picture payloads: the first byte picks single picture, multi-frame read as a single picture,
// or every frame; the rest is the payload. Decoded pictures are also loaded into a surface.
#include <cstddef>
#include <cstdint>
#include <span>

#include "player/backend/graphics/surface.h"
#include "player/common/error.h"
#include "player/display/picture_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> payload(data + 1, size - 1);
  mavlet::Surface surface(mavlet::PixelFormat::ForDepth(16 + 8 * (data[0] % 3)).value());
  auto show = [&](const mavlet::Bitmap& b) {
    if (std::int64_t{b.width()} * b.height() <= 1 << 20) surface.LoadBitmap(b);
  };
  try {
    switch ((data[0] / 3) % 3) {
      case 0: show(mavlet::DecodePicture(payload, true, "fuzz.pmp")); break;
      case 1: show(mavlet::DecodePicture(payload, false, "fuzz.pma")); break;
      default:
        for (const auto& frame : mavlet::DecodeFrames(payload, "fuzz.pma")) show(frame.bitmap);
    }
  } catch (const mavlet::MavError&) {
  }
  return 0;
}
