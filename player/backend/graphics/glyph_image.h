#pragma once
// The coverage picture of one rasterised character, as the platform's fonts hand it out and the
// text drawing blends it. A plain value; At() reads inside the box only (callers clip).
#include <cstdint>
#include <vector>

namespace mavlet {

// Coverage (0 transparent .. 255 solid) of one glyph, already clipped to its cell: a square of
// the pixel size whose top-left corner is (0, 0). The box starts at (left, top) in the cell.
struct GlyphImage {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  // How far the next character would start (half or full size); for the text entry line.
  std::int32_t advance = 0;
  std::vector<std::uint8_t> coverage;  // width * height bytes, row by row

  std::uint8_t At(std::int32_t x, std::int32_t y) const {
    return coverage[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
};

}  // namespace mavlet
