// The row kernels of DrawBlurred. The horizontal pass turns each source row into a row of
// rounded window means; the vertical pass keeps one running sum per column and channel, adding
// the row that enters the window and taking away the one that leaves, so both passes read memory
// in order. Horizontal rows are made only as the vertical pass needs them and kept in a ring of
// 2 radius + 4 rows, which stays in the cache. The SSE2 kernels work on 16-bit lanes (a window
// of up to 256 pixels fits) and divide by the window size with a multiply-high, exactly.
// The browser build compiles the SSE2 kernels to WebAssembly SIMD; the few lane operations that
// translate badly there (widening, multiply-high, shifts by a count known only at run time) go
// through the helpers below, which have a WebAssembly form.
#include "player/backend/graphics/surface_blur.h"

#include <algorithm>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#ifdef __wasm_simd128__
#include <wasm_simd128.h>
#endif

namespace mavlet {
namespace {

// Pixels in the window of position i on a line of `count` (the window is cut at both ends).
std::uint32_t WindowSize(std::int32_t i, std::int32_t count, std::int32_t radius) {
  return static_cast<std::uint32_t>(std::min(count - 1, i + radius) - std::max(0, i - radius) + 1);
}

std::uint8_t Mean(std::uint32_t sum, std::uint32_t n) { return static_cast<std::uint8_t>((sum + n / 2) / n); }

std::uint8_t Darken(std::uint8_t v, std::uint8_t grey) { return v > grey ? static_cast<std::uint8_t>(v - grey) : 0; }

// One horizontal row: `in` and `out` hold w pixels of B, G, R, X bytes; X comes out 0.
void AcrossPortable(const std::uint8_t* in, std::uint8_t* out, std::int32_t w, std::int32_t r) {
  for (int c = 0; c < 3; ++c) {
    std::uint32_t sum = 0;
    for (std::int32_t k = 0; k <= std::min(w - 1, r); ++k) sum += in[4 * k + c];
    for (std::int32_t x = 0; x < w; ++x) {
      if (x > 0) {
        if (x + r < w) sum += in[4 * (x + r) + c];
        if (x - r - 1 >= 0) sum -= in[4 * (x - r - 1) + c];
      }
      out[4 * x + c] = Mean(sum, WindowSize(x, w, r));
    }
  }
  for (std::int32_t x = 0; x < w; ++x) out[4 * x + 3] = 0;
}

// One vertical step: updates the column sums by the entering and leaving rows (either may be
// null) and writes the darkened means of window size n to out.
void DownPortable(std::uint32_t* sums, const std::uint8_t* enter, const std::uint8_t* leave, std::uint32_t n,
                  std::uint8_t grey, std::uint8_t* out, std::int32_t w) {
  const std::size_t lanes = 4 * static_cast<std::size_t>(w);
  for (std::size_t i = 0; i < lanes; ++i) {
    if (enter) sums[i] += enter[i];
    if (leave) sums[i] -= leave[i];
    out[i] = (i & 3) == 3 ? 0 : Darken(Mean(sums[i], n), grey);
  }
}

#ifdef __SSE2__
// The low and high eight bytes of v as 16-bit lanes.
__m128i WidenLow(__m128i v) {
#ifdef __wasm_simd128__
  return wasm_u16x8_extend_low_u8x16(v);
#else
  return _mm_unpacklo_epi8(v, _mm_setzero_si128());
#endif
}

__m128i WidenHigh(__m128i v) {
#ifdef __wasm_simd128__
  return wasm_u16x8_extend_high_u8x16(v);
#else
  return _mm_unpackhi_epi8(v, _mm_setzero_si128());
#endif
}

// The high halves of the unsigned 16-bit lane products.
__m128i MultiplyHigh(__m128i a, __m128i b) {
#ifdef __wasm_simd128__
  // A shift and a narrowing rather than the emulated multiply-high's lane shuffle.
  return wasm_u16x8_narrow_i32x4(wasm_u32x4_shr(wasm_u32x4_extmul_low_u16x8(a, b), 16),
                                 wasm_u32x4_shr(wasm_u32x4_extmul_high_u16x8(a, b), 16));
#else
  return _mm_mulhi_epu16(a, b);
#endif
}

// 16-bit lanes shifted right by `count` (0..15), a count known only at run time.
__m128i ShiftRight(__m128i v, int count) {
#ifdef __wasm_simd128__
  // clang 14 hoists the count's vector splat out of the loop and then shifts each of the eight
  // lanes on its own, eight times slower; an opaque copy keeps the count a plain number at the
  // shift, which then compiles to one vector shift.
  __asm__ volatile("" : "+r"(count));
  return wasm_u16x8_shr(v, static_cast<std::uint32_t>(count));
#else
  return _mm_srl_epi16(v, _mm_cvtsi32_si128(count));
#endif
}

// Exact division of 16-bit lanes by n (1..65535): q = (t + ((x - t) >> s1)) >> s2 with
// t = the high half of x * m (the round-up method for unsigned division). WebAssembly has no
// multiply-high: there windows below 128 pixels (every blur a transition draws) divide in 32-bit
// lanes instead, q = (x * ceil(2^22 / n)) >> 22, exact for the means' x < 256 n because
// x * n < 2^22 (checked for every such x and n).
struct LaneDivisor {
  explicit LaneDivisor(std::uint32_t n) {
    const int l = std::bit_width(n - 1);  // ceil(log2 n)
    const std::uint32_t magic = static_cast<std::uint32_t>((std::uint64_t{65536} * ((1u << l) - n)) / n + 1);
    m = _mm_set1_epi16(static_cast<short>(magic));
    s1 = std::min(l, 1);
    s2 = std::max(l - 1, 0);
    half = _mm_set1_epi16(static_cast<short>(n / 2));
#ifdef __wasm_simd128__
    small = n < 128;
    small_m = wasm_i32x4_splat(static_cast<int>(((1u << 22) + n - 1) / n));
#endif
  }
  // The rounded mean of lane sums (sum + n / 2 must stay below 65536).
  __m128i Mean(__m128i sum) const {
    const __m128i x = _mm_add_epi16(sum, half);
#ifdef __wasm_simd128__
    if (small) {
      return wasm_u16x8_narrow_i32x4(wasm_u32x4_shr(wasm_i32x4_mul(wasm_u32x4_extend_low_u16x8(x), small_m), 22),
                                     wasm_u32x4_shr(wasm_i32x4_mul(wasm_u32x4_extend_high_u16x8(x), small_m), 22));
    }
#endif
    const __m128i t = MultiplyHigh(x, m);
    return ShiftRight(_mm_add_epi16(t, ShiftRight(_mm_sub_epi16(x, t), s1)), s2);
  }
  __m128i m, half;
  int s1, s2;
#ifdef __wasm_simd128__
  bool small;
  v128_t small_m;
#endif
};

// The pixel at a in lanes 0-3 and the one at b in lanes 4-7, 16 bits per channel.
__m128i LoadPixelPair(const std::uint8_t* a, const std::uint8_t* b) {
#ifdef __wasm_simd128__
  return WidenLow(wasm_v128_load32_lane(b, wasm_v128_load32_zero(a), 1));
#else
  std::uint32_t u, v;
  std::memcpy(&u, a, 4);
  std::memcpy(&v, b, 4);
  return WidenLow(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(u)), _mm_cvtsi32_si128(static_cast<int>(v))));
#endif
}

// The inverse for bytes: the four bytes of lanes 0-3 of `packed` to a, those of lanes 4-7 to b.
void StorePixelPair(std::uint8_t* a, std::uint8_t* b, __m128i packed) {
#ifdef __wasm_simd128__
  wasm_v128_store32_lane(a, packed, 0);
  wasm_v128_store32_lane(b, packed, 1);
#else
  const std::uint32_t u = static_cast<std::uint32_t>(_mm_cvtsi128_si32(packed));
  const std::uint32_t v = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(packed, 4)));
  std::memcpy(a, &u, 4);
  std::memcpy(b, &v, 4);
#endif
}

// Two horizontal rows at once (a and b may be the same row): lanes 0-3 hold row a's pixel,
// lanes 4-7 row b's.
void AcrossSse2(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out_a, std::uint8_t* out_b, std::int32_t w,
                std::int32_t r) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i colour = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
  auto load = [&](std::int32_t x) { return LoadPixelPair(a + 4 * x, b + 4 * x); };
  auto store = [&](std::int32_t x, __m128i q) {
    StorePixelPair(out_a + 4 * x, out_b + 4 * x, _mm_packus_epi16(_mm_and_si128(q, colour), zero));
  };
  // Positions whose window is cut: a divisor of their own.
  auto edge = [&](std::int32_t x, __m128i sum) { store(x, LaneDivisor(WindowSize(x, w, r)).Mean(sum)); };
  __m128i sum = zero;
  for (std::int32_t k = 0; k <= std::min(w - 1, r); ++k) sum = _mm_add_epi16(sum, load(k));
  const std::int32_t x1 = std::min(w, r + 1), x2 = std::max(x1, w - r);
  for (std::int32_t x = 0; x < x1; ++x) {
    if (x > 0 && x + r < w) sum = _mm_add_epi16(sum, load(x + r));
    edge(x, sum);
  }
  const LaneDivisor full(static_cast<std::uint32_t>(2 * r + 1));
  for (std::int32_t x = x1; x < x2; ++x) {  // whole windows
    sum = _mm_sub_epi16(_mm_add_epi16(sum, load(x + r)), load(x - r - 1));
    store(x, full.Mean(sum));
  }
  for (std::int32_t x = x2; x < w; ++x) {
    if (x > 0 && x + r < w) sum = _mm_add_epi16(sum, load(x + r));
    if (x - r - 1 >= 0) sum = _mm_sub_epi16(sum, load(x - r - 1));
    edge(x, sum);
  }
}

template <bool kEnter, bool kLeave>
void DownRowsSse2(std::uint16_t* sums, const std::uint8_t* enter, const std::uint8_t* leave, std::uint32_t n,
                  std::uint8_t grey, std::uint8_t* out, std::int32_t w) {
  const std::size_t lanes = 4 * static_cast<std::size_t>(w);
  const LaneDivisor d(n);
  const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
  const __m128i greys = _mm_and_si128(_mm_set1_epi8(static_cast<char>(grey)), colour);
  std::size_t i = 0;
  for (; i + 16 <= lanes; i += 16) {
    __m128i* s = reinterpret_cast<__m128i*>(sums + i);
    __m128i lo = _mm_loadu_si128(s), hi = _mm_loadu_si128(s + 1);
    if constexpr (kEnter) {
      const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(enter + i));
      lo = _mm_add_epi16(lo, WidenLow(e));
      hi = _mm_add_epi16(hi, WidenHigh(e));
    }
    if constexpr (kLeave) {
      const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(leave + i));
      lo = _mm_sub_epi16(lo, WidenLow(l));
      hi = _mm_sub_epi16(hi, WidenHigh(l));
    }
    _mm_storeu_si128(s, lo);
    _mm_storeu_si128(s + 1, hi);
    const __m128i q = _mm_packus_epi16(d.Mean(lo), d.Mean(hi));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_subs_epu8(_mm_and_si128(q, colour), greys));
  }
  for (; i < lanes; ++i) {
    if constexpr (kEnter) sums[i] = static_cast<std::uint16_t>(sums[i] + enter[i]);
    if constexpr (kLeave) sums[i] = static_cast<std::uint16_t>(sums[i] - leave[i]);
    out[i] = (i & 3) == 3 ? 0 : Darken(Mean(sums[i], n), grey);
  }
}

void DownSse2(std::uint16_t* sums, const std::uint8_t* enter, const std::uint8_t* leave, std::uint32_t n,
              std::uint8_t grey, std::uint8_t* out, std::int32_t w) {
  if (enter && leave) {
    DownRowsSse2<true, true>(sums, enter, leave, n, grey, out, w);
  } else if (enter) {
    DownRowsSse2<true, false>(sums, enter, leave, n, grey, out, w);
  } else if (leave) {
    DownRowsSse2<false, true>(sums, enter, leave, n, grey, out, w);
  } else {
    DownRowsSse2<false, false>(sums, enter, leave, n, grey, out, w);
  }
}
#endif

// The source's rows as B, G, R, X bytes: the surface's own at 32 bits, else converted.
const std::uint8_t* SourceRows(const Surface& source, BlurBuffers& buffers, std::size_t& pitch) {
  const std::int32_t w = source.width(), h = source.height();
  if (source.bits_per_pixel() == 32) {
    pitch = source.pitch();
    return source.data();
  }
  pitch = 4 * static_cast<std::size_t>(w);
  buffers.source.resize(pitch * static_cast<std::size_t>(h));
  for (std::int32_t y = 0; y < h; ++y) {
    std::uint8_t* out = buffers.source.data() + y * pitch;
    for (std::int32_t x = 0; x < w; ++x) {
      const std::uint32_t rgb = static_cast<std::uint32_t>(source.format().ToRgb(source.RawPixel(x, y)));
      out[4 * x] = static_cast<std::uint8_t>(rgb >> 16);
      out[4 * x + 1] = static_cast<std::uint8_t>(rgb >> 8);
      out[4 * x + 2] = static_cast<std::uint8_t>(rgb);
      out[4 * x + 3] = 0;
    }
  }
  return buffers.source.data();
}

}  // namespace

bool DrawBlurred(Surface& target, const Surface& source, int radius, int grey, BlurBuffers& buffers,
                 [[maybe_unused]] RowKernels kernels) {
  const std::int32_t w = source.width(), h = source.height();
  if (target.format() != source.format() || target.width() != w || target.height() != h || w <= 0 || h <= 0) {
    return false;
  }
  // A window wider than the picture is cut to it anyway.
  const std::int32_t r = std::clamp(radius, 0, std::max(w, h));
  const auto level = static_cast<std::uint8_t>(std::clamp(grey, 0, 255));
  const int bits = source.bits_per_pixel();
  bool fast = false;
#ifdef __SSE2__
  fast = kernels == RowKernels::kFastest && 2 * r + 1 <= 256;  // lane sums stay below 65536
#endif
  std::size_t source_pitch = 0;
  const std::uint8_t* rows = SourceRows(source, buffers, source_pitch);
  const std::size_t line = 4 * static_cast<std::size_t>(w);
  const std::int32_t ring = std::min(h, 2 * r + 4);
  buffers.across.resize(line * static_cast<std::size_t>(ring));
  buffers.row.resize(line);
  auto across = [&](std::int32_t y) { return buffers.across.data() + static_cast<std::size_t>(y % ring) * line; };
  std::int32_t made = 0;  // horizontal rows made so far
  auto make_rows_to = [&](std::int32_t y) {
    while (made <= y) {
      const std::uint8_t* a = rows + static_cast<std::size_t>(made) * source_pitch;
#ifdef __SSE2__
      if (fast) {
        const std::int32_t next = std::min(made + 1, h - 1);
        AcrossSse2(a, rows + static_cast<std::size_t>(next) * source_pitch, across(made), across(next), w, r);
        made = next + 1;
        continue;
      }
#endif
      AcrossPortable(a, across(made), w, r);
      ++made;
    }
  };
  if (fast) {
    buffers.sums.assign(line, 0);
  } else {
    buffers.wide_sums.assign(line, 0);
  }
  std::optional<LockedPixels> locked = target.Lock();
  if (!locked) return false;
  // The 16-bit tables of SubtractGrey work on the 5- and 6-bit channels: they run afterwards.
  const std::uint8_t row_grey = bits == 16 ? 0 : level;
  for (std::int32_t y = -std::min(h - 1, r) - 1; y < h; ++y) {
    // y < 0 only fills the first window (rows 0..r) without writing anything.
    const std::int32_t entering = y < 0 ? y + std::min(h - 1, r) + 1 : y + r;
    const std::uint8_t* enter = nullptr;
    if (entering < h && (y < 0 || y > 0)) {
      make_rows_to(entering);
      enter = across(entering);
    }
    const std::uint8_t* leave = y > 0 && y - r - 1 >= 0 ? across(y - r - 1) : nullptr;
    std::uint8_t* target_row = locked->bits + static_cast<std::ptrdiff_t>(std::max(y, 0)) * locked->pitch;
    std::uint8_t* out = bits == 32 && y >= 0 ? target_row : buffers.row.data();
    const std::uint32_t n = y < 0 ? 1 : WindowSize(y, h, r);
#ifdef __SSE2__
    if (fast) {
      DownSse2(buffers.sums.data(), enter, leave, n, row_grey, out, w);
    } else {
      DownPortable(buffers.wide_sums.data(), enter, leave, n, row_grey, out, w);
    }
#else
    DownPortable(buffers.wide_sums.data(), enter, leave, n, row_grey, out, w);
#endif
    if (y < 0 || bits == 32) continue;
    for (std::int32_t x = 0; x < w; ++x) {
      const std::uint8_t* p = out + 4 * x;
      if (bits == 24) {
        std::memcpy(target_row + 3 * x, p, 3);
      } else {
        const auto v = static_cast<std::uint16_t>(((p[2] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[0] >> 3));
        std::memcpy(target_row + 2 * x, &v, 2);
      }
    }
  }
  target.Unlock();
  if (bits == 16) target.SubtractGrey(target.bounds(), level);
  return true;
}

}  // namespace mavlet
