#pragma once
// What text drawing needs from the platform's fonts: anti-aliased coverage of one character of a
// named face at a pixel size, fitted to its character cell, and the names of the installed faces.
// A face name that does not exist is substituted by a face that can show Japanese text; a
// character the face lacks gives its "missing" glyph. Never throws.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/graphics/glyph_image.h"

namespace mavlet {

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
