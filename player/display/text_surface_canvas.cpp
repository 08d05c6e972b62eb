// The text window's canvas: the characters placed so far as straight colour and coverage per
// pixel (and as a picture for the layer's owner), drawn glyph by glyph. A canvas too large to
// allocate is not made and the characters go undrawn; never throws.
#include "player/display/text_surface.h"

#include <algorithm>

#include "player/backend/glyph_source.h"
#include "player/backend/graphics/surface.h"
#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/display/layer_services.h"

namespace mavlet {

bool TTextSurface::EnsureCanvas() {
  if (canvas_) return true;
  const std::int64_t w = std::int64_t{font_size_} * cols_;
  const std::int64_t h = std::int64_t{std::max(0, RowHeight())} * rows_ + 1;
  if (w <= 0 || h <= 0 || w > kMaxBitmapSide || h > kMaxBitmapSide || w * h > kMaxBitmapPixels) return false;
  try {
    auto canvas =
        std::make_unique<Surface>(Owner().FrameFormat(), static_cast<std::int32_t>(w), static_cast<std::int32_t>(h));
    canvas_ = std::move(canvas);
  } catch (const MavError&) {
    return false;
  }
  colour_.assign(static_cast<std::size_t>(w * h), kKeyColour);
  coverage_.assign(static_cast<std::size_t>(w * h), 0);
  ClearCanvas();
  return true;
}

void TTextSurface::ClearCanvas() {
  canvas_->Fill(canvas_->DeviceColour(kKeyColour));
  canvas_->SetColourKey(canvas_->RawPixel(0, 0));
  std::fill(colour_.begin(), colour_.end(), kKeyColour);
  std::fill(coverage_.begin(), coverage_.end(), 0);
}

void TTextSurface::Unload() {
  canvas_.reset();
  colour_.clear();
  coverage_.clear();
}

std::uint8_t TTextSurface::CoverageAt(std::int32_t x, std::int32_t y) const {
  if (!canvas_ || x < 0 || y < 0 || x >= canvas_->width() || y >= canvas_->height()) return 0;
  return coverage_[static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas_->width()) +
                   static_cast<std::size_t>(x)];
}

char32_t TTextSurface::CodePoint(std::uint16_t code) {
  if (code_points_.empty()) code_points_.assign(65536, 0);
  char32_t& cp = code_points_[code];
  if (cp == 0) {
    const std::string utf8 = SjisToUtf8(TokenText(code));
    cp = FirstUtf8Char(utf8).cp;
    if (cp == 0) cp = 0xFFFD;
  }
  return cp;
}

void TTextSurface::DrawGlyphCoverage(const GlyphImage& g, std::int32_t x, std::int32_t y, std::int32_t rgb) {
  const std::int32_t cw = canvas_->width();
  const std::int32_t ch = canvas_->height();
  // The part of the glyph box on the canvas.
  const std::int32_t gx0 = std::max(0, -(x + g.left)), gx1 = std::min(g.width, cw - (x + g.left));
  const std::int32_t gy0 = std::max(0, -(y + g.top)), gy1 = std::min(g.height, ch - (y + g.top));
  if (gx0 >= gx1 || gy0 >= gy1) return;
  auto lock = canvas_->Lock();
  if (!lock) return;
  const PixelFormat fmt = canvas_->format();
  const int bpp = fmt.BytesPerPixel();
  const auto key = static_cast<std::uint32_t>(canvas_->colour_key());
  // The canvas picture must never hold the key where something is drawn.
  auto device = [&](std::int32_t c) {
    std::uint32_t raw = fmt.FromRgb(c);
    return (raw & fmt.ColourBits()) == key ? raw ^ 1 : raw;
  };
  const std::uint32_t raw_fg = device(rgb);
  const std::uint32_t fr = static_cast<std::uint32_t>(rgb) & 0xFF, fg = (static_cast<std::uint32_t>(rgb) >> 8) & 0xFF,
                      fb = (static_cast<std::uint32_t>(rgb) >> 16) & 0xFF;
  for (std::int32_t gy = gy0; gy < gy1; ++gy) {
    const std::int32_t py = y + g.top + gy;
    const std::uint8_t* src = g.coverage.data() + static_cast<std::size_t>(gy) * static_cast<std::size_t>(g.width);
    const std::size_t row = static_cast<std::size_t>(py) * static_cast<std::size_t>(cw);
    std::int32_t* colour = colour_.data() + row;
    std::uint8_t* coverage = coverage_.data() + row;
    std::uint8_t* bits = lock->bits + static_cast<std::ptrdiff_t>(py) * lock->pitch;
    for (std::int32_t gx = gx0; gx < gx1; ++gx) {
      const std::uint32_t a = src[gx];
      if (a == 0) continue;
      const std::int32_t px = x + g.left + gx;
      const std::uint32_t below = coverage[px];
      std::uint32_t raw = raw_fg;
      if (a == 255 || below == 0) {
        colour[px] = rgb;
        coverage[px] = static_cast<std::uint8_t>(a);
      } else {
        // "Over" with straight colours: the new coverage goes on top of what the pixel holds.
        const std::uint32_t keep = below * (255 - a) / 255;
        const std::uint32_t out = a + keep;
        const auto old = static_cast<std::uint32_t>(colour[px]);
        const std::uint32_t r = (fr * a + (old & 0xFF) * keep + out / 2) / out;
        const std::uint32_t gg = (fg * a + ((old >> 8) & 0xFF) * keep + out / 2) / out;
        const std::uint32_t b = (fb * a + ((old >> 16) & 0xFF) * keep + out / 2) / out;
        const auto c = static_cast<std::int32_t>(r | gg << 8 | b << 16);
        colour[px] = c;
        coverage[px] = static_cast<std::uint8_t>(std::min<std::uint32_t>(out, 255));
        raw = device(c);
      }
      std::uint8_t* p = bits + static_cast<std::ptrdiff_t>(px) * bpp;
      for (int k = 0; k < bpp; ++k) p[k] = static_cast<std::uint8_t>(raw >> (8 * k));
    }
  }
  canvas_->Unlock();
}

void TTextSurface::DrawToken(const TCustomPmText& t, std::int32_t x, std::int32_t y) {
  if (!EnsureCanvas()) return;
  GlyphSource* glyphs = text_.Glyphs();
  if (glyphs == nullptr) return;
  const std::string face = text_.TextFontName();
  const char32_t cp = CodePoint(t.Code);
  const GlyphImage& g = glyphs->Glyph(face, font_size_, bold_, cp);
  if (t.ShadowColor >= 0) DrawGlyphCoverage(g, x + 1, y + 1, t.ShadowColor);
  DrawGlyphCoverage(g, x, y, t.Color);
}

void TTextSurface::Reload() {
  Unload();
  if (!EnsureCanvas()) return;
  for (std::int32_t r = 0; r <= cur_row_ && r < rows_; ++r) {
    const auto& line = lines_[static_cast<std::size_t>(r)];
    const std::int32_t end = r < cur_row_ ? cols_ : std::min(cur_col_, cols_);
    for (std::int32_t c = 0; c < end; ++c) {
      const auto& t = line.Tokens[static_cast<std::size_t>(c)];
      if (t.Code == 0) break;
      DrawToken(t, line.Offset + c * font_size_, RowHeight() * r);
    }
  }
}

}  // namespace mavlet
