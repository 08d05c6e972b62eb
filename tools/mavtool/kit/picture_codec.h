#pragma once
// Picture conversion for the title kit: PNG in and out (libpng), BMP out in the two layouts the
// kit writes (24-bit bottom-up, 8-bit palettised bottom-up).
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "player/backend/graphics/bitmap.h"
#include "player/storage/byte_buffer.h"

namespace mavtool {

struct DecodedPng {
  // Palettised PNGs (when kept) give an 8-bit indexed bitmap with their palette; everything else
  // a 24-bit one.
  mavlet::Bitmap bitmap;
  // Alpha per pixel, rows top-down; empty when the PNG has no transparency at all.
  std::vector<std::uint8_t> alpha;
};

// Decodes a PNG file held in memory. With keep_palette false, palettised PNGs are expanded to
// 24 bits as well. Throws ToolError naming `name` when the data is not a usable PNG or the
// picture is larger than the player accepts.
DecodedPng DecodePng(std::span<const std::uint8_t> data, std::string_view name, bool keep_palette);

enum class PngColours {
  kAsStored,  // indexed bitmaps become palettised PNGs, others RGB
  kGrey,      // one grey channel holding the bitmap's bytes (8-bit masks)
};
// Encodes a bitmap as PNG. kGrey needs an 8-bit indexed bitmap and writes its index bytes.
mavlet::ByteBuffer EncodePng(const mavlet::Bitmap& bitmap, PngColours colours);

// Encodes a bitmap as a Windows BMP: indexed bitmaps as 8-bit with their 256-entry palette,
// others as 24-bit; rows bottom-up.
mavlet::ByteBuffer EncodeBmp(const mavlet::Bitmap& bitmap);

// A grey 8-bit bitmap (palette entry i = i, i, i) with the given bytes, rows top-down.
mavlet::Bitmap GreyBitmap(std::int32_t width, std::int32_t height, std::span<const std::uint8_t> bytes);

}  // namespace mavtool
