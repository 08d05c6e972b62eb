#pragma once
// Drawing one glyph's anti-aliased coverage onto a software surface in a solid colour: each
// covered pixel moves from its colour towards the text colour by the coverage. Clipped to the
// clip rectangle and the surface; never reads or writes outside either.
#include <cstdint>

#include "player/backend/glyph_source.h"
#include "player/backend/graphics/rect.h"
#include "player/backend/graphics/surface.h"

namespace mavlet {

// (x, y) is the top-left corner of the glyph's cell; rgb a 0x00BBGGRR colour.
void BlendGlyph(Surface& target, const Rect& clip, const GlyphImage& glyph, std::int32_t x, std::int32_t y,
                std::int32_t rgb);

}  // namespace mavlet
