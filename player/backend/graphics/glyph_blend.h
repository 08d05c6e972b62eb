#pragma once
// The one coverage blend of the text drawing: a pixel moves from its colour towards the text
// colour by the coverage (0 keeps it, 255 gives the text colour), each channel rounded to the
// nearest. BlendGlyph draws one glyph's anti-aliased coverage onto a software surface in a solid
// colour, clipped to the clip rectangle and the surface; it never reads or writes outside either.
#include <cstdint>

#include "player/backend/graphics/glyph_image.h"
#include "player/backend/graphics/rect.h"
#include "player/backend/graphics/surface.h"

namespace mavlet {

// over and under are 0x00BBGGRR colours (bits above are ignored); coverage 0..255.
inline std::uint32_t MixCoverage(std::uint32_t over, std::uint32_t under, std::uint32_t coverage) {
  auto mix = [&](int shift) {
    const std::uint32_t s = (over >> shift) & 0xFF, d = (under >> shift) & 0xFF;
    return ((s * coverage + d * (255 - coverage) + 127) / 255) << shift;
  };
  return mix(0) | mix(8) | mix(16);
}

// (x, y) is the top-left corner of the glyph's cell; rgb a 0x00BBGGRR colour.
void BlendGlyph(Surface& target, const Rect& clip, const GlyphImage& glyph, std::int32_t x, std::int32_t y,
                std::int32_t rgb);

}  // namespace mavlet
