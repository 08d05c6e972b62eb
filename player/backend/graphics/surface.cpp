#include "player/backend/graphics/surface.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "player/common/error.h"

namespace mavlet {
namespace {

static_assert(std::endian::native == std::endian::little, "raw pixels are read little-endian");

// Rounded division by 255 for v in 0..65025.
constexpr std::uint32_t Div255(std::uint32_t v) {
  v += 128;
  return (v + (v >> 8)) >> 8;
}

// Pixel access and per-pixel arithmetic for one pixel size.
template <int N>
struct Px;

template <>
struct Px<2> {
  static constexpr int kBytes = 2;
  static constexpr std::uint32_t kColourBits = 0xFFFF;
  static std::uint32_t Load(const std::uint8_t* p) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  }
  static void Store(std::uint8_t* p, std::uint32_t v) {
    const std::uint16_t w = static_cast<std::uint16_t>(v);
    std::memcpy(p, &w, 2);
  }
  static std::uint32_t Blend(std::uint32_t s, std::uint32_t d, std::uint32_t a) {
    const std::uint32_t ia = 255 - a;
    const std::uint32_t r = Div255(((s >> 11) & 31) * a + ((d >> 11) & 31) * ia);
    const std::uint32_t g = Div255(((s >> 5) & 63) * a + ((d >> 5) & 63) * ia);
    const std::uint32_t b = Div255((s & 31) * a + (d & 31) * ia);
    return (r << 11) | (g << 5) | b;
  }
  static std::uint32_t Mask(std::uint32_t s, std::uint32_t d, std::uint32_t m) {
    const std::uint32_t im = 255 - m;
    std::uint32_t out = 0;
    for (const std::uint32_t f : {0xF800u, 0x07E0u, 0x001Fu}) {
      out += (((s & f) * im >> 8) & f) + (((d & f) * m >> 8) & f);
    }
    return out;
  }
};

// 24- and 32-bit raw values share the byte layout, so both use two-lanes-at-a-time arithmetic.
inline std::uint32_t BlendBytes(std::uint32_t s, std::uint32_t d, std::uint32_t a) {
  const std::uint32_t ia = 255 - a;
  std::uint32_t rb = (s & 0x00FF00FF) * a + (d & 0x00FF00FF) * ia + 0x00800080;
  rb = ((rb + ((rb >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
  std::uint32_t ag = ((s >> 8) & 0x00FF00FF) * a + ((d >> 8) & 0x00FF00FF) * ia + 0x00800080;
  ag = (ag + ((ag >> 8) & 0x00FF00FF)) & 0xFF00FF00;
  return rb | ag;
}

inline std::uint32_t MaskBytes(std::uint32_t s, std::uint32_t d, std::uint32_t m) {
  const std::uint32_t im = 255 - m;
  const std::uint32_t rb =
      (((s & 0x00FF00FF) * im >> 8) & 0x00FF00FF) + (((d & 0x00FF00FF) * m >> 8) & 0x00FF00FF);
  const std::uint32_t ag = ((((s >> 8) & 0x00FF00FF) * im >> 8) & 0x00FF00FF) +
                           ((((d >> 8) & 0x00FF00FF) * m >> 8) & 0x00FF00FF);
  return rb | (ag << 8);
}

template <>
struct Px<3> {
  static constexpr int kBytes = 3;
  static constexpr std::uint32_t kColourBits = 0xFFFFFF;
  static std::uint32_t Load(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
  }
  static void Store(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
  }
  static std::uint32_t Blend(std::uint32_t s, std::uint32_t d, std::uint32_t a) {
    return BlendBytes(s, d, a);
  }
  static std::uint32_t Mask(std::uint32_t s, std::uint32_t d, std::uint32_t m) {
    return MaskBytes(s, d, m);
  }
};

template <>
struct Px<4> {
  static constexpr int kBytes = 4;
  static constexpr std::uint32_t kColourBits = 0xFFFFFF;
  static std::uint32_t Load(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
  static void Store(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }
  static std::uint32_t Blend(std::uint32_t s, std::uint32_t d, std::uint32_t a) {
    return BlendBytes(s, d, a);
  }
  static std::uint32_t Mask(std::uint32_t s, std::uint32_t d, std::uint32_t m) {
    return MaskBytes(s, d, m);
  }
};

template <class F>
void WithPx(int bits_per_pixel, F&& f) {
  switch (bits_per_pixel) {
    case 16: f(Px<2>{}); break;
    case 24: f(Px<3>{}); break;
    default: f(Px<4>{}); break;
  }
}

#ifdef __SSE2__
// Four 32-bit pixels at a time; each returns how many pixels it did (the rest go pixel by pixel).
// Results are bit-identical to the scalar formulas.
std::int64_t KeyRowSse(std::uint8_t* d, const std::uint8_t* s, std::int64_t n, std::uint32_t key) {
  const __m128i keyv = _mm_set1_epi32(static_cast<int>(key));
  const __m128i bits = _mm_set1_epi32(0xFFFFFF);
  std::int64_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * i));
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 4 * i));
    const __m128i eq = _mm_cmpeq_epi32(_mm_and_si128(sv, bits), keyv);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * i),
                     _mm_or_si128(_mm_and_si128(eq, dv), _mm_andnot_si128(eq, sv)));
  }
  return i;
}

// Rounded division by 255 of eight 16-bit lanes holding v + 128.
inline __m128i Div255Lanes(__m128i t) { return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8); }

std::int64_t BlendRowSse(std::uint8_t* d, const std::uint8_t* s, std::int64_t n, std::uint32_t a) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i av = _mm_set1_epi16(static_cast<short>(a));
  const __m128i iav = _mm_set1_epi16(static_cast<short>(255 - a));
  const __m128i half = _mm_set1_epi16(128);
  std::int64_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * i));
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 4 * i));
    auto blend = [&](__m128i sl, __m128i dl) {
      return Div255Lanes(_mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(sl, av), _mm_mullo_epi16(dl, iav)), half));
    };
    const __m128i lo = blend(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero));
    const __m128i hi = blend(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * i), _mm_packus_epi16(lo, hi));
  }
  return i;
}

std::int64_t MaskRowSse(std::uint8_t* d, const std::uint8_t* s, const std::uint8_t* m, std::int64_t n) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i c255 = _mm_set1_epi16(255);
  const __m128i c255x32 = _mm_set1_epi32(255);
  std::int64_t i = 0;
  for (; i + 4 <= n; i += 4) {
    std::uint32_t m4;
    std::memcpy(&m4, m + i, 4);
    if (m4 == 0xFFFFFFFFu) continue;  // all four keep the target
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * i));
    if (m4 == 0) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * i), sv);
      continue;
    }
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 4 * i));
    const __m128i m16 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(m4)), zero);
    const __m128i pairs = _mm_unpacklo_epi16(m16, m16);      // m0 m0 m1 m1 m2 m2 m3 m3
    const __m128i m_lo = _mm_unpacklo_epi32(pairs, pairs);   // m0 x4, m1 x4
    const __m128i m_hi = _mm_unpackhi_epi32(pairs, pairs);   // m2 x4, m3 x4
    auto weigh = [&](__m128i sl, __m128i dl, __m128i ml) {
      return _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(sl, _mm_sub_epi16(c255, ml)), 8),
                           _mm_srli_epi16(_mm_mullo_epi16(dl, ml), 8));
    };
    __m128i r = _mm_packus_epi16(weigh(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero), m_lo),
                                 weigh(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero), m_hi));
    const __m128i m32 = _mm_unpacklo_epi16(m16, zero);
    const __m128i take_source = _mm_cmpeq_epi32(m32, zero);
    const __m128i keep_target = _mm_cmpeq_epi32(m32, c255x32);
    r = _mm_or_si128(_mm_and_si128(take_source, sv), _mm_andnot_si128(take_source, r));
    r = _mm_or_si128(_mm_and_si128(keep_target, dv), _mm_andnot_si128(keep_target, r));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * i), r);
  }
  return i;
}
#endif

// Row kernels: n pixels from s (source format) onto d.
template <class P>
void KeyRow(std::uint8_t* __restrict d, const std::uint8_t* __restrict s, std::int64_t n,
            std::uint32_t key) {
  std::int64_t i = 0;
#ifdef __SSE2__
  if constexpr (P::kBytes == 4) i = KeyRowSse(d, s, n, key);
#endif
  for (; i < n; ++i) {
    const std::uint32_t v = P::Load(s + i * P::kBytes);
    const std::uint32_t o = P::Load(d + i * P::kBytes);
    P::Store(d + i * P::kBytes, (v & P::kColourBits) == key ? o : v);
  }
}

template <class P>
void BlendRow(std::uint8_t* __restrict d, const std::uint8_t* __restrict s, std::int64_t n,
              std::uint32_t a) {
  std::int64_t i = 0;
#ifdef __SSE2__
  if constexpr (P::kBytes == 4) i = BlendRowSse(d, s, n, a);
#endif
  for (; i < n; ++i) {
    P::Store(d + i * P::kBytes, P::Blend(P::Load(s + i * P::kBytes), P::Load(d + i * P::kBytes), a));
  }
}

template <class P>
void KeyBlendRow(std::uint8_t* __restrict d, const std::uint8_t* __restrict s, std::int64_t n,
                 std::uint32_t a, std::uint32_t key) {
  for (std::int64_t i = 0; i < n; ++i) {
    const std::uint32_t v = P::Load(s + i * P::kBytes);
    if ((v & P::kColourBits) == key) continue;
    P::Store(d + i * P::kBytes, P::Blend(v, P::Load(d + i * P::kBytes), a));
  }
}

template <class P>
void MaskRow(std::uint8_t* __restrict d, const std::uint8_t* __restrict s,
             const std::uint8_t* __restrict m, std::int64_t n) {
  std::int64_t i = 0;
#ifdef __SSE2__
  if constexpr (P::kBytes == 4) i = MaskRowSse(d, s, m, n);
#endif
  for (; i < n; ++i) {
    const std::uint32_t mv = m[i];
    if (mv == 255) continue;
    const std::uint32_t v = P::Load(s + i * P::kBytes);
    P::Store(d + i * P::kBytes, mv == 0 ? v : P::Mask(v, P::Load(d + i * P::kBytes), mv));
  }
}

struct Span {  // one clipped row piece of a drawing operation
  std::uint8_t* target;
  const std::uint8_t* source;  // in the source's format, already in target order
  std::int64_t count;
  std::int64_t source_x;  // first source column (unscaled operations only)
  std::int64_t source_y;
};

// One span of a copy, keyed copy, blend or keyed blend: the shared inner step of Blend and Wave.
template <class P>
void CopyOrBlendSpan(const Span& sp, std::uint32_t a, bool use_key, std::uint32_t key) {
  if (a == 255) {
    if (use_key) {
      KeyRow<P>(sp.target, sp.source, sp.count, key);
    } else {
      std::memcpy(sp.target, sp.source, static_cast<std::size_t>(sp.count) * P::kBytes);
    }
  } else if (use_key) {
    KeyBlendRow<P>(sp.target, sp.source, sp.count, a, key);
  } else {
    BlendRow<P>(sp.target, sp.source, sp.count, a);
  }
}

struct Box {  // 64-bit rectangle so that clipping far-off coordinates cannot overflow
  std::int64_t left, top, right, bottom;
  std::int64_t Width() const { return right - left; }
  std::int64_t Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
};

Box ToBox(const Rect& r) { return Box{r.left, r.top, r.right, r.bottom}; }

// offset * to / from without overflow for any 32-bit-derived operands (from > 0).
std::int64_t Scale(std::int64_t offset, std::int64_t to, std::int64_t from) {
  return static_cast<std::int64_t>(static_cast<__int128>(offset) * to / from);
}

}  // namespace

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

namespace {

// Calls fn(row pointer, pixel count) for each row of rect clipped to the surface.
template <class Fn>
void ForEachRow(std::uint8_t* pixels, std::size_t pitch, int bytes, std::int32_t width,
                std::int32_t height, const Rect& rect, Fn&& fn) {
  const Rect r = Intersect(rect, Rect{0, 0, width, height});
  if (r.IsEmpty()) return;
  for (std::int32_t y = r.top; y < r.bottom; ++y) {
    fn(pixels + y * pitch + static_cast<std::size_t>(r.left) * bytes, std::int64_t{r.Width()});
  }
}

}  // namespace

void Surface::FillRect(const Rect& rect, std::uint32_t raw) {
  WithPx(format_.bits_per_pixel, [&](auto px) {
    using P = decltype(px);
    ForEachRow(pixels_.data(), pitch_, P::kBytes, width_, height_, rect,
               [&](std::uint8_t* row, std::int64_t n) {
                 for (std::int64_t i = 0; i < n; ++i) P::Store(row + i * P::kBytes, raw);
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

namespace {

// Per-channel tables for adding or subtracting a grey level, saturating.
struct GreyTables {
  std::uint8_t byte[256];
  std::uint16_t five[32];
  std::uint16_t six[64];
};

GreyTables MakeGreyTables(int delta) {
  GreyTables t{};
  auto apply = [&](int c8) { return std::clamp(c8 + delta, 0, 255); };
  for (int i = 0; i < 256; ++i) t.byte[i] = static_cast<std::uint8_t>(apply(i));
  for (int i = 0; i < 32; ++i) t.five[i] = static_cast<std::uint16_t>(apply((i << 3) | (i >> 2)) >> 3);
  for (int i = 0; i < 64; ++i) t.six[i] = static_cast<std::uint16_t>(apply((i << 2) | (i >> 4)) >> 2);
  return t;
}

}  // namespace

void Surface::AddGrey(const Rect& rect, int level) { ShiftGrey(rect, std::clamp(level, 0, 255)); }

void Surface::SubtractGrey(const Rect& rect, int level) { ShiftGrey(rect, -std::clamp(level, 0, 255)); }

void Surface::ShiftGrey(const Rect& rect, int delta) {
  if (delta == 0) return;
  const GreyTables t = MakeGreyTables(delta);
  const int bytes = format_.BytesPerPixel();
  ForEachRow(pixels_.data(), pitch_, bytes, width_, height_, rect,
             [&](std::uint8_t* row, std::int64_t n) {
               if (bytes == 2) {
                 for (std::int64_t i = 0; i < n; ++i) {
                   const std::uint32_t v = Px<2>::Load(row + 2 * i);
                   Px<2>::Store(row + 2 * i, (t.five[(v >> 11) & 31] << 11) |
                                                 (t.six[(v >> 5) & 63] << 5) | t.five[v & 31]);
                 }
                 return;
               }
               for (std::int64_t i = 0; i < n; ++i) {
                 std::uint8_t* p = row + i * bytes;
                 p[0] = t.byte[p[0]];
                 p[1] = t.byte[p[1]];
                 p[2] = t.byte[p[2]];
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

namespace {

// Walks the spans of drawing source box s into target box t (nearest pixel when the sizes
// differ), clipped to both surfaces. fn(const Span&).
template <class P, class Fn>
void ForEachSpan(std::uint8_t* tpix, std::size_t tpitch, std::int64_t tw, std::int64_t th,
                 const std::uint8_t* spix, std::size_t spitch, std::int64_t sw, std::int64_t sh,
                 Box t, Box s, Fn&& fn) {
  if (t.IsEmpty() || s.IsEmpty()) return;
  if (t.Width() == s.Width() && t.Height() == s.Height()) {
    // Clip the source to its surface, then the target to its surface, moving the other along.
    std::int64_t dl = std::max<std::int64_t>({0, -s.left, -t.left});
    std::int64_t dt = std::max<std::int64_t>({0, -s.top, -t.top});
    const std::int64_t w = std::min({s.Width(), sw - s.left, tw - t.left}) - dl;
    const std::int64_t h = std::min({s.Height(), sh - s.top, th - t.top}) - dt;
    if (w <= 0 || h <= 0) return;
    const std::int64_t sx = s.left + dl, sy = s.top + dt, tx = t.left + dl, ty = t.top + dt;
    for (std::int64_t j = 0; j < h; ++j) {
      fn(Span{tpix + (ty + j) * tpitch + tx * P::kBytes, spix + (sy + j) * spitch + sx * P::kBytes,
              w, sx, sy + j});
    }
    return;
  }
  // Scaled: target columns that map into the source.
  const std::int64_t x0 = std::max<std::int64_t>(t.left, 0), x1 = std::min(t.right, tw);
  if (x0 >= x1) return;
  std::vector<std::int64_t> xs;
  xs.reserve(static_cast<std::size_t>(x1 - x0));
  std::int64_t first = x1;
  for (std::int64_t x = x0; x < x1; ++x) {
    const std::int64_t sx = s.left + Scale(x - t.left, s.Width(), t.Width());
    if (sx < 0 || sx >= sw) {
      if (xs.empty()) continue;
      break;  // the mapping is monotonic: nothing further is inside
    }
    if (xs.empty()) first = x;
    xs.push_back(sx);
  }
  if (xs.empty()) return;
  std::vector<std::uint8_t> row(xs.size() * P::kBytes);
  const std::int64_t y0 = std::max<std::int64_t>(t.top, 0), y1 = std::min(t.bottom, th);
  for (std::int64_t y = y0; y < y1; ++y) {
    const std::int64_t sy = s.top + Scale(y - t.top, s.Height(), t.Height());
    if (sy < 0 || sy >= sh) continue;
    const std::uint8_t* srow = spix + sy * spitch;
    for (std::size_t i = 0; i < xs.size(); ++i) {
      std::memcpy(row.data() + i * P::kBytes, srow + xs[i] * P::kBytes, P::kBytes);
    }
    fn(Span{tpix + y * tpitch + first * P::kBytes, row.data(),
            static_cast<std::int64_t>(xs.size()), -1, sy});
  }
}

}  // namespace

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

void Surface::RotateBlend(std::int32_t centre_x, std::int32_t centre_y, std::int32_t width,
                          std::int32_t height, const Surface& source, const Rect& source_rect,
                          int angle, int alpha) {
  if (width <= 0 || height <= 0 || source_rect.IsEmpty() || alpha <= 0) return;
  std::optional<Surface> holder;
  const Surface& src = Detached(source, holder);
  const std::uint32_t a = static_cast<std::uint32_t>(std::min(alpha, 255));
  // Sizes beyond any surface would only overflow the fixed-point sampling.
  constexpr std::int32_t kMaxTarget = 4 * kMaxBitmapSide, kMaxSource = 2 * kMaxBitmapSide;
  if (width > kMaxTarget || height > kMaxTarget || source_rect.Width() > kMaxSource ||
      source_rect.Height() > kMaxSource) {
    return;
  }
  const double theta = (angle & 255) * (2 * std::numbers::pi / 256);
  const double c = std::cos(theta), sn = std::sin(theta);
  const double sw = source_rect.Width(), sh = source_rect.Height();
  // Target (dx, dy) from the centre maps back to source offsets from the source centre:
  // u = (dx cos + dy sin) * sw / width, v = (-dx sin + dy cos) * sh / height (clockwise turn).
  // 40.24 fixed point: exact at 0, 90 and 180 degrees, and the products stay below 2^60.
  constexpr int kFrac = 24;
  constexpr double kOne = 1 << kFrac;
  auto fixed = [&](double v) { return std::llround(v * kOne); };
  const std::int64_t ux = fixed(c * sw / width), uy = fixed(sn * sw / width);
  const std::int64_t vx = fixed(-sn * sh / height), vy = fixed(c * sh / height);
  const double ex = (std::abs(c) * width + std::abs(sn) * height) / 2 + 2;
  const double ey = (std::abs(sn) * width + std::abs(c) * height) / 2 + 2;
  const std::int64_t bx0 = std::max<std::int64_t>(0, centre_x - static_cast<std::int64_t>(ex));
  const std::int64_t bx1 = std::min<std::int64_t>(width_, centre_x + static_cast<std::int64_t>(ex));
  const std::int64_t by0 = std::max<std::int64_t>(0, centre_y - static_cast<std::int64_t>(ey));
  const std::int64_t by1 = std::min<std::int64_t>(height_, centre_y + static_cast<std::int64_t>(ey));
  if (bx0 >= bx1 || by0 >= by1) return;
  const std::int64_t half_w = fixed(sw / 2), half_h = fixed(sh / 2);
  const std::int64_t iw = source_rect.Width(), ih = source_rect.Height();
  WithPx(format_.bits_per_pixel, [&](auto px) {
    using P = decltype(px);
    for (std::int64_t ty = by0; ty < by1; ++ty) {
      // Pixel centres: offsets are (t - centre + 0.5); in fixed point the half is added once.
      const std::int64_t dy2 = 2 * (ty - centre_y) + 1;
      const std::int64_t dx2 = 2 * (bx0 - centre_x) + 1;
      std::int64_t u = half_w + (dx2 * ux + dy2 * uy) / 2;
      std::int64_t v = half_h + (dx2 * vx + dy2 * vy) / 2;
      std::uint8_t* row = pixels_.data() + ty * pitch_;
      for (std::int64_t tx = bx0; tx < bx1; ++tx, u += ux, v += vx) {
        const std::int64_t su = u >> kFrac, sv = v >> kFrac;
        if (su < 0 || sv < 0 || su >= iw || sv >= ih) continue;
        const std::int64_t sx = source_rect.left + su, sy = source_rect.top + sv;
        if (sx < 0 || sy < 0 || sx >= src.width_ || sy >= src.height_) continue;
        const std::uint32_t sp = P::Load(src.pixels_.data() + sy * src.pitch_ + sx * P::kBytes);
        std::uint8_t* p = row + tx * P::kBytes;
        P::Store(p, a == 255 ? sp : P::Blend(sp, P::Load(p), a));
      }
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
