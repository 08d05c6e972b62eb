// Drawing the text window as a layer: its canvas blended over the scene by coverage and the
// layer's alpha, and the text entry line above it while one is open. Never throws.
#include "player/display/text_surface.h"

#include <algorithm>

#include "player/backend/glyph_source.h"
#include "player/backend/graphics/glyph_blend.h"
#include "player/backend/graphics/surface.h"

namespace mavlet {

void TTextSurface::Draw(Surface& target) { DrawRect(target, target.bounds()); }

TextEntry& TTextSurface::OpenEntry(const TextEntryStyle& style, std::string_view initial) {
  entry_ = std::make_unique<TextEntry>(style, initial);
  return *entry_;
}

Rect TTextSurface::EntryCaretBox() {
  if (!entry_) return Rect{};
  return entry_->CaretBox(text_.Glyphs(), text_.TextFontName());
}

void TTextSurface::DrawRect(Surface& target, const Rect& rect) {
  DrawText(target, rect);
  if (entry_) entry_->Draw(target, rect, text_.Glyphs(), text_.TextFontName());
}

void TTextSurface::DrawText(Surface& target, const Rect& rect) {
  if (!Visible() || !canvas_ || Alpha() <= 0) return;
  const Rect area =
      Intersect(Intersect(SaturatedBounds(X(), Y(), canvas_->width(), canvas_->height()), rect), target.bounds());
  if (area.IsEmpty()) return;
  auto lock = target.Lock();
  if (!lock) return;
  const PixelFormat fmt = target.format();
  const int bpp = fmt.BytesPerPixel();
  const std::uint32_t alpha = static_cast<std::uint32_t>(std::min(Alpha(), 255));
  const std::int32_t cw = canvas_->width();
  for (std::int32_t sy = area.top; sy < area.bottom; ++sy) {
    const std::size_t row = static_cast<std::size_t>(sy - Y()) * static_cast<std::size_t>(cw);
    std::uint8_t* line = lock->bits + static_cast<std::ptrdiff_t>(sy) * lock->pitch;
    for (std::int32_t sx = area.left; sx < area.right; ++sx) {
      const std::size_t i = row + static_cast<std::size_t>(sx - X());
      std::uint32_t a = coverage_[i];
      if (a == 0) continue;
      if (alpha < 255) a = a * alpha / 255;
      std::uint8_t* p = line + static_cast<std::ptrdiff_t>(sx) * bpp;
      const auto c = static_cast<std::uint32_t>(colour_[i]);
      std::uint32_t raw;
      if (a >= 255) {
        raw = fmt.FromRgb(static_cast<std::int32_t>(c));
      } else {
        std::uint32_t under = 0;
        for (int k = 0; k < bpp; ++k) under |= static_cast<std::uint32_t>(p[k]) << (8 * k);
        const auto u = static_cast<std::uint32_t>(fmt.ToRgb(under));
        raw = fmt.FromRgb(static_cast<std::int32_t>(MixCoverage(c, u, a)));
      }
      for (int k = 0; k < bpp; ++k) p[k] = static_cast<std::uint8_t>(raw >> (8 * k));
    }
  }
  target.Unlock();
}

}  // namespace mavlet
