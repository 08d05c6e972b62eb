// PNG picture sources from untrusted bytes: a clear error or a picture within the player's size
// limits, whose alpha plane (when present) covers it exactly, and which encodes as a BMP.
#include <cstdlib>
#include <span>

#include "player/common/error.h"
#include "tools/mavtool/kit/picture_codec.h"
#include "tools/mavtool/verbs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool keep_palette = data[0] & 1;
  mavtool::DecodedPng png;
  try {
    png = mavtool::DecodePng(std::span(data + 1, size - 1), "fuzz", keep_palette);
  } catch (const mavtool::ToolError&) {
    return 0;
  }
  const mavlet::Bitmap& b = png.bitmap;
  if (b.empty() || b.width() > mavlet::kMaxBitmapSide || b.height() > mavlet::kMaxBitmapSide) std::abort();
  if (!png.alpha.empty() && png.alpha.size() != static_cast<std::size_t>(b.width()) * b.height()) std::abort();
  const mavlet::ByteBuffer bmp = mavtool::EncodeBmp(b);
  if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') std::abort();
  return 0;
}
