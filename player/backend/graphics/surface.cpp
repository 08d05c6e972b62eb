// The surface operations (the rotation is in surface_rotate.cpp); their pixel kernels are in
// surface_kernels.h and the clipping span walk in surface_spans.h.
#include "player/backend/graphics/surface.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "player/backend/graphics/grey_runs.h"
#include "player/backend/graphics/surface_kernels.h"
#include "player/backend/graphics/surface_spans.h"
#include "player/common/error.h"

namespace mavlet {

using namespace surface_detail;

Surface::Surface(const PixelFormat& format, std::int32_t width, std::int32_t height)
    : format_(format) {
  if (!PixelFormat::ForDepth(format.bits_per_pixel)) {
    throw MavError("unsupported surface depth of " + std::to_string(format.bits_per_pixel) +
                   " bits per pixel");
  }
  SetSize(width, height);
}

void Surface::SetSize(std::int32_t width, std::int32_t height) {
  CheckBitmapSize(width, height, "surface");
  width_ = width;
  height_ = height;
  // Rows start on 4-byte boundaries, as with device-independent bitmaps.
  pitch_ = (static_cast<std::size_t>(width) * format_.BytesPerPixel() + 3) & ~std::size_t{3};
  pixels_.assign(pitch_ * static_cast<std::size_t>(height), 0);
}

void Surface::LoadBitmap(const Bitmap& bitmap) {
  SetSize(bitmap.width(), bitmap.height());
  std::uint32_t lut[256];
  for (int i = 0; i < 256; ++i) {
    const std::uint32_t c = bitmap.palette()[i];  // 0x00RRGGBB
    const std::int32_t rgb =
        static_cast<std::int32_t>(((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16));
    lut[i] = format_.FromRgb(rgb);
  }
  const bool bits16 = format_.bits_per_pixel == 16;
  WithPx(format_.bits_per_pixel, [&](auto px) {
    using P = decltype(px);
    for (std::int32_t y = 0; y < height_; ++y) {
      const std::uint8_t* in = bitmap.Row(y);
      std::uint8_t* out = pixels_.data() + y * pitch_;
      switch (bitmap.layout()) {
        case Bitmap::Layout::kIndexed8:
          for (std::int32_t x = 0; x < width_; ++x) P::Store(out + x * P::kBytes, lut[in[x]]);
          break;
        case Bitmap::Layout::kBgr24:
        case Bitmap::Layout::kBgrx32: {
          const int step = bitmap.layout() == Bitmap::Layout::kBgr24 ? 3 : 4;
          for (std::int32_t x = 0; x < width_; ++x) {
            const std::uint8_t* p = in + x * step;
            std::uint32_t raw = std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                                (std::uint32_t{p[2]} << 16);
            if (bits16) raw = ((p[2] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[0] >> 3);
            P::Store(out + x * P::kBytes, raw);
          }
          break;
        }
      }
    }
  });
}

void Surface::CopyToBitmap(Bitmap& out) const {
  out = Bitmap::Rgb24(width_, height_);
  for (std::int32_t y = 0; y < height_; ++y) {
    std::uint8_t* row = out.Row(y);
    for (std::int32_t x = 0; x < width_; ++x) {
      const std::uint32_t rgb = static_cast<std::uint32_t>(format_.ToRgb(RawPixel(x, y)));
      row[3 * x] = static_cast<std::uint8_t>(rgb >> 16);
      row[3 * x + 1] = static_cast<std::uint8_t>(rgb >> 8);
      row[3 * x + 2] = static_cast<std::uint8_t>(rgb);
    }
  }
}

void Surface::DrawBitmap(std::int32_t x, std::int32_t y, const Bitmap& bitmap) {
  DrawBitmapStretched(Rect{x, y, static_cast<std::int32_t>(std::min<std::int64_t>(
                                     INT32_MAX, std::int64_t{x} + bitmap.width())),
                           static_cast<std::int32_t>(std::min<std::int64_t>(
                               INT32_MAX, std::int64_t{y} + bitmap.height()))},
                      bitmap);
}

void Surface::DrawBitmapStretched(const Rect& target, const Bitmap& bitmap) {
  if (target.IsEmpty() || bitmap.empty()) return;
  const Box t = ToBox(target);
  const std::int64_t x0 = std::max<std::int64_t>(0, t.left), x1 = std::min<std::int64_t>(width_, t.right);
  const std::int64_t y0 = std::max<std::int64_t>(0, t.top), y1 = std::min<std::int64_t>(height_, t.bottom);
  if (x0 >= x1 || y0 >= y1) return;
  std::vector<std::int32_t> xs(static_cast<std::size_t>(x1 - x0));
  for (std::int64_t x = x0; x < x1; ++x) {
    xs[static_cast<std::size_t>(x - x0)] = static_cast<std::int32_t>(Scale(x - t.left, bitmap.width(), t.Width()));
  }
  std::vector<std::uint32_t> row(static_cast<std::size_t>(bitmap.width()));
  std::int64_t converted = -1;
  WithPx(format_.bits_per_pixel, [&](auto px) {
    using P = decltype(px);
    for (std::int64_t y = y0; y < y1; ++y) {
      const std::int64_t sy = Scale(y - t.top, bitmap.height(), t.Height());
      if (sy != converted) {  // device values of one bitmap row, converted once
        for (std::int32_t sx = 0; sx < bitmap.width(); ++sx) {
          const std::uint32_t c = bitmap.PixelRgb(sx, static_cast<std::int32_t>(sy));
          row[sx] = format_.FromRgb(
              static_cast<std::int32_t>(((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16)));
        }
        converted = sy;
      }
      std::uint8_t* out = pixels_.data() + y * pitch_ + x0 * P::kBytes;
      for (std::size_t i = 0; i < xs.size(); ++i) P::Store(out + i * P::kBytes, row[xs[i]]);
    }
  });
}

std::uint32_t Surface::RawPixel(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  std::uint32_t v = 0;
  WithPx(format_.bits_per_pixel, [&](auto px) {
    using P = decltype(px);
    v = P::Load(pixels_.data() + y * pitch_ + static_cast<std::size_t>(x) * P::kBytes);
  });
  return v;
}

void Surface::SetRawPixel(std::int32_t x, std::int32_t y, std::uint32_t raw) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  WithPx(format_.bits_per_pixel, [&](auto px) {
    using P = decltype(px);
    P::Store(pixels_.data() + y * pitch_ + static_cast<std::size_t>(x) * P::kBytes, raw);
  });
}

void Surface::SetColourKey(std::int64_t raw) {
  key_ = raw < 0 ? kNoColourKey : static_cast<std::int32_t>(raw & format_.ColourBits());
}

void Surface::Fill(std::uint32_t raw) { FillRect(bounds(), raw); }

void Surface::FillRect(const Rect& rect, std::uint32_t raw) {
  WithPx(format_.bits_per_pixel, [&](auto px) {
    using P = decltype(px);
    // 48 bytes hold a whole number of pixels of every size: long rows are filled in 48-byte
    // blocks, short ones (the mosaic's small tiles) pixel by pixel.
    std::uint8_t pattern[48];
    const bool blocks = std::int64_t{rect.right} - rect.left >= 48 / P::kBytes;
    if (blocks) {
      for (int i = 0; i < 48 / P::kBytes; ++i) P::Store(pattern + i * P::kBytes, raw);
    }
    ForEachRow(pixels_.data(), pitch_, P::kBytes, width_, height_, rect,
               [&](std::uint8_t* row, std::int64_t n) {
                 if (!blocks) {
                   for (std::int64_t i = 0; i < n; ++i) P::Store(row + i * P::kBytes, raw);
                   return;
                 }
                 const std::int64_t bytes = n * P::kBytes;
                 std::int64_t i = 0;
                 for (; i + 48 <= bytes; i += 48) std::memcpy(row + i, pattern, 48);
                 std::memcpy(row + i, pattern, static_cast<std::size_t>(bytes - i));
               });
  });
}

void Surface::BlendColour(const Rect& rect, std::int32_t rgb, int alpha) {
  if (alpha <= 0) return;
  const std::uint32_t a = static_cast<std::uint32_t>(std::min(alpha, 255));
  const std::uint32_t c = DeviceColour(rgb);
  WithPx(format_.bits_per_pixel, [&](auto px) {
    using P = decltype(px);
    ForEachRow(pixels_.data(), pitch_, P::kBytes, width_, height_, rect,
               [&](std::uint8_t* row, std::int64_t n) {
                 for (std::int64_t i = 0; i < n; ++i) {
                   std::uint8_t* p = row + i * P::kBytes;
                   P::Store(p, P::Blend(c, P::Load(p), a));
                 }
               });
  });
}

void Surface::AddGrey(const Rect& rect, int level) { ShiftGrey(rect, std::clamp(level, 0, 255)); }

void Surface::SubtractGrey(const Rect& rect, int level) { ShiftGrey(rect, -std::clamp(level, 0, 255)); }

void Surface::ShiftGrey(const Rect& rect, int delta) {
  if (delta == 0) return;
  const int bytes = format_.BytesPerPixel();
  if (bytes != 2) {
    ForEachRow(pixels_.data(), pitch_, bytes, width_, height_, rect,
               [&](std::uint8_t* row, std::int64_t n) { ShiftGreyRun(row, n, delta, bytes); });
    return;
  }
  const GreyTables t = MakeGreyTables(delta);
  ForEachRow(pixels_.data(), pitch_, bytes, width_, height_, rect, [&](std::uint8_t* row, std::int64_t n) {
    for (std::int64_t i = 0; i < n; ++i) {
      const std::uint32_t v = Px<2>::Load(row + 2 * i);
      Px<2>::Store(row + 2 * i, (t.five[(v >> 11) & 31] << 11) | (t.six[(v >> 5) & 63] << 5) | t.five[v & 31]);
    }
  });
}

const Surface& Surface::Detached(const Surface& source, std::optional<Surface>& holder) const {
  if (source.format_ != format_) {
    throw MavError("cannot draw between surfaces of " + std::to_string(source.bits_per_pixel()) +
                   " and " + std::to_string(bits_per_pixel()) + " bits per pixel");
  }
  if (&source != this) return source;
  holder.emplace(source);  // drawing a surface onto itself reads from a snapshot
  return *holder;
}

void Surface::Copy(std::int32_t x, std::int32_t y, const Surface& source, const Rect& source_rect,
                   bool keyed) {
  std::optional<Surface> holder;
  const Surface& src = Detached(source, holder);
  const Box s = ToBox(source_rect);
  const Box t{x, y, x + s.Width(), y + s.Height()};
  const bool use_key = keyed && src.key_ != kNoColourKey;
  const std::uint32_t key = static_cast<std::uint32_t>(src.key_);
  WithPx(format_.bits_per_pixel, [&](auto px) {
    using P = decltype(px);
    ForEachSpan<P>(pixels_.data(), pitch_, width_, height_, src.pixels_.data(), src.pitch_,
                   src.width_, src.height_, t, s, [&](const Span& sp) {
                     if (use_key) {
                       KeyRow<P>(sp.target, sp.source, sp.count, key);
                     } else {
                       std::memcpy(sp.target, sp.source, static_cast<std::size_t>(sp.count) * P::kBytes);
                     }
                   });
  });
}

void Surface::Stretch(const Rect& target, const Surface& source, const Rect& source_rect) {
  std::optional<Surface> holder;
  const Surface& src = Detached(source, holder);
  WithPx(format_.bits_per_pixel, [&](auto px) {
    using P = decltype(px);
    ForEachSpan<P>(pixels_.data(), pitch_, width_, height_, src.pixels_.data(), src.pitch_,
                   src.width_, src.height_, ToBox(target), ToBox(source_rect),
                   [&](const Span& sp) {
                     std::memcpy(sp.target, sp.source, static_cast<std::size_t>(sp.count) * P::kBytes);
                   });
  });
}

void Surface::Blend(const Rect& target, const Surface& source, const Rect& source_rect, int alpha,
                    bool keyed) {
  if (alpha <= 0) return;
  std::optional<Surface> holder;
  const Surface& src = Detached(source, holder);
  const bool use_key = keyed && src.key_ != kNoColourKey;
  const std::uint32_t key = static_cast<std::uint32_t>(src.key_);
  const std::uint32_t a = static_cast<std::uint32_t>(std::min(alpha, 255));
  WithPx(format_.bits_per_pixel, [&](auto px) {
    using P = decltype(px);
    ForEachSpan<P>(pixels_.data(), pitch_, width_, height_, src.pixels_.data(), src.pitch_,
                   src.width_, src.height_, ToBox(target), ToBox(source_rect),
                   [&](const Span& sp) { CopyOrBlendSpan<P>(sp, a, use_key, key); });
  });
}

void Surface::MaskedBlend(std::int32_t x, std::int32_t y, const Surface& source,
                          const Rect& source_rect, const Bitmap& mask) {
  if (lost_ || source.lost_) return;
  std::optional<Surface> holder;
  const Surface& src = Detached(source, holder);
  const Box s = ToBox(source_rect);
  const Box t{x, y, x + s.Width(), y + s.Height()};
  const bool indexed = mask.layout() == Bitmap::Layout::kIndexed8;
  std::vector<std::uint8_t> mrow;
  WithPx(format_.bits_per_pixel, [&](auto px) {
    using P = decltype(px);
    ForEachSpan<P>(pixels_.data(), pitch_, width_, height_, src.pixels_.data(), src.pitch_,
                   src.width_, src.height_, t, s, [&](const Span& sp) {
                     const std::int64_t mx = sp.source_x, my = sp.source_y;
                     const std::uint8_t* m = nullptr;
                     if (indexed && my < mask.height() && mx + sp.count <= mask.width()) {
                       m = mask.Row(static_cast<std::int32_t>(my)) + mx;
                     } else {
                       // Mask missing, smaller than the picture or not indexed: read it byte by
                       // byte, opaque where it has no pixel.
                       mrow.assign(static_cast<std::size_t>(sp.count), 0);
                       for (std::int64_t i = 0; i < sp.count; ++i) {
                         if (mx + i >= mask.width() || my >= mask.height()) break;
                         mrow[i] = indexed ? mask.Row(static_cast<std::int32_t>(my))[mx + i]
                                           : static_cast<std::uint8_t>(mask.PixelRgb(
                                                 static_cast<std::int32_t>(mx + i),
                                                 static_cast<std::int32_t>(my)) & 0xFF);
                       }
                       m = mrow.data();
                     }
                     MaskRow<P>(sp.target, sp.source, m, sp.count);
                   });
  });
}

void Surface::Wave(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                   const Surface& source, const Rect& source_rect, bool keyed, int amplitude,
                   int wave_length, int phase, int alpha) {
  if (width <= 0 || height <= 0 || source_rect.IsEmpty() || alpha <= 0) return;
  std::optional<Surface> holder;
  const Surface& src = Detached(source, holder);
  const Box s = ToBox(source_rect);
  const bool use_key = keyed && src.key_ != kNoColourKey;
  const std::uint32_t key = static_cast<std::uint32_t>(src.key_);
  const std::uint32_t a = static_cast<std::uint32_t>(std::min(alpha, 255));
  const std::int64_t y0 = std::max<std::int64_t>(0, -std::int64_t{y});
  const std::int64_t y1 = std::min<std::int64_t>(height, std::int64_t{height_} - y);
  WithPx(format_.bits_per_pixel, [&](auto px) {
    using P = decltype(px);
    for (std::int64_t j = y0; j < y1; ++j) {
      std::int64_t shift = 0;
      if (wave_length > 0) {
        const double turns = static_cast<double>(j) / wave_length + phase / 256.0;
        shift = std::llround(amplitude * std::sin(2 * std::numbers::pi * turns));
      }
      const std::int64_t sy = s.top + Scale(j, s.Height(), height);
      const Box t{x + shift, y + j, x + shift + width, y + j + 1};
      ForEachSpan<P>(pixels_.data(), pitch_, width_, height_, src.pixels_.data(), src.pitch_,
                     src.width_, src.height_, t, Box{s.left, sy, s.right, sy + 1},
                     [&](const Span& sp) { CopyOrBlendSpan<P>(sp, a, use_key, key); });
    }
  });
}

std::optional<LockedPixels> Surface::Lock() {
  if (lost_ || width_ <= 0 || height_ <= 0) return std::nullopt;
  ++lock_count_;
  return LockedPixels{pixels_.data(),      static_cast<std::int32_t>(pitch_), width_,
                      height_,             format_.bits_per_pixel,           format_.red_mask,
                      format_.green_mask,  format_.blue_mask};
}

void Surface::Unlock() {
  if (lock_count_ > 0) --lock_count_;
}

}  // namespace mavlet
