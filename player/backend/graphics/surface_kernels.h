#pragma once
// Pixel kernels of the software surfaces: loading, storing, blending and masking one raw pixel
// of each size (16, 24 and 32 bits), and whole-row copies, keyed copies, blends and masked blends
// (SSE2 for 32-bit rows where available, bit-identical to the scalar formulas). Only the surface
// sources include this; nothing here checks bounds: callers pass rows already clipped to both surfaces.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace mavlet::surface_detail {

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
inline std::int64_t KeyRowSse(std::uint8_t* d, const std::uint8_t* s, std::int64_t n, std::uint32_t key) {
  const __m128i keyv = _mm_set1_epi32(static_cast<int>(key));
  const __m128i bits = _mm_set1_epi32(0xFFFFFF);
  std::int64_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * i));
    const __m128i eq = _mm_cmpeq_epi32(_mm_and_si128(sv, bits), keyv);
    const int keyed = _mm_movemask_epi8(eq);
    if (keyed == 0xFFFF) continue;  // all four keep the target
    if (keyed == 0) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * i), sv);
      continue;
    }
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 4 * i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * i),
                     _mm_or_si128(_mm_and_si128(eq, dv), _mm_andnot_si128(eq, sv)));
  }
  return i;
}

// Rounded division by 255 of eight 16-bit lanes holding v + 128.
inline __m128i Div255Lanes(__m128i t) { return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8); }

inline std::int64_t BlendRowSse(std::uint8_t* d, const std::uint8_t* s, std::int64_t n, std::uint32_t a) {
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

inline std::int64_t MaskRowSse(std::uint8_t* d, const std::uint8_t* s, const std::uint8_t* m, std::int64_t n) {
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

// Per-channel tables for adding or subtracting a grey level to RGB565 pixels, saturating (the
// 8-bit channels saturate in ShiftGreyRun).
struct GreyTables {
  std::uint16_t five[32];
  std::uint16_t six[64];
};

inline GreyTables MakeGreyTables(int delta) {
  GreyTables t{};
  auto apply = [&](int c8) { return std::clamp(c8 + delta, 0, 255); };
  for (int i = 0; i < 32; ++i) t.five[i] = static_cast<std::uint16_t>(apply((i << 3) | (i >> 2)) >> 3);
  for (int i = 0; i < 64; ++i) t.six[i] = static_cast<std::uint16_t>(apply((i << 2) | (i >> 4)) >> 2);
  return t;
}

}  // namespace mavlet::surface_detail
