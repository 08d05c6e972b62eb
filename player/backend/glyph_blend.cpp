#include "player/backend/glyph_blend.h"

namespace mavlet {

void BlendGlyph(Surface& target, const Rect& clip, const GlyphImage& g, std::int32_t x, std::int32_t y,
                std::int32_t rgb) {
  if (g.coverage.empty()) return;
  const PixelFormat& fmt = target.format();
  const std::uint32_t fr = static_cast<std::uint32_t>(rgb) & 0xFF, fg = (static_cast<std::uint32_t>(rgb) >> 8) & 0xFF,
                      fb = (static_cast<std::uint32_t>(rgb) >> 16) & 0xFF;
  const Rect area = Intersect(Intersect(clip, target.bounds()), Bounds(x + g.left, y + g.top, g.width, g.height));
  for (std::int32_t py = area.top; py < area.bottom; ++py) {
    for (std::int32_t px = area.left; px < area.right; ++px) {
      const std::uint32_t a = g.At(px - x - g.left, py - y - g.top);
      if (a == 0) continue;
      const auto old = static_cast<std::uint32_t>(fmt.ToRgb(target.RawPixel(px, py)));
      auto mix = [&](std::uint32_t f, std::uint32_t o) { return (f * a + o * (255 - a) + 127) / 255; };
      const std::uint32_t c = mix(fr, old & 0xFF) | mix(fg, (old >> 8) & 0xFF) << 8 | mix(fb, (old >> 16) & 0xFF) << 16;
      target.SetRawPixel(px, py, fmt.FromRgb(static_cast<std::int32_t>(c)));
    }
  }
}

}  // namespace mavlet
