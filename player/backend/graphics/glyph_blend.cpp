// Blending glyph coverage onto a surface; see the header.
#include "player/backend/graphics/glyph_blend.h"

namespace mavlet {

void BlendGlyph(Surface& target, const Rect& clip, const GlyphImage& g, std::int32_t x, std::int32_t y,
                std::int32_t rgb) {
  if (g.coverage.empty()) return;
  const PixelFormat& fmt = target.format();
  const Rect area = Intersect(Intersect(clip, target.bounds()), Bounds(x + g.left, y + g.top, g.width, g.height));
  for (std::int32_t py = area.top; py < area.bottom; ++py) {
    for (std::int32_t px = area.left; px < area.right; ++px) {
      const std::uint32_t a = g.At(px - x - g.left, py - y - g.top);
      if (a == 0) continue;
      const auto old = static_cast<std::uint32_t>(fmt.ToRgb(target.RawPixel(px, py)));
      const std::uint32_t c = MixCoverage(static_cast<std::uint32_t>(rgb), old, a);
      target.SetRawPixel(px, py, fmt.FromRgb(static_cast<std::int32_t>(c)));
    }
  }
}

}  // namespace mavlet
