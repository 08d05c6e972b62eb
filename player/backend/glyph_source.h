#pragma once
// What text drawing needs from the platform's fonts: anti-aliased coverage of one character of a
// named face at a pixel size, fitted to its character cell, and the names of the installed faces.
// A face name that does not exist is substituted by a face that can show Japanese text; a
// character the face lacks gives its "missing" glyph. Never throws.
#include <cstdint>
#include <string>
#include <string_view>
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

class GlyphSource {
 public:
  // Sizes outside 1..kMaxSize give empty glyphs.
  static constexpr int kMaxSize = 256;

  virtual ~GlyphSource() = default;
  // face: Shift-JIS face name; ch: a Unicode code point. The reference stays valid until the
  // next call.
  virtual const GlyphImage& Glyph(std::string_view face, int size, bool bold, char32_t ch) = 0;
  // Family names of the installed scalable faces that Shift-JIS can hold, de-duplicated (each
  // face's localised names included), in Shift-JIS.
  virtual std::vector<std::string> FaceNames() = 0;
};

}  // namespace mavlet
