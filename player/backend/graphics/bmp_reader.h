#pragma once
// Reads Windows BMP files: 1, 4, 8, 16, 24 and 32 bits per pixel, RLE4 and RLE8, top-down and
// bottom-up rows, information headers of 12, 40, 52, 56, 64, 108 and 124 bytes, BITFIELDS masks.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "player/backend/graphics/bitmap.h"

namespace mavlet {

// Reads one BMP file starting at data[pos]. On success pos stands directly behind the file (as
// given by its own size field), so several BMPs can follow each other in one stream. Throws
// MavError naming `name` when the data is not a usable BMP; pos is then unchanged.
Bitmap ReadBmp(std::span<const std::uint8_t> data, std::size_t& pos, std::string_view name);

}  // namespace mavlet
