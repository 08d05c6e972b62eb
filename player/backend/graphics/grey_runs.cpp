// The portable kernel adds channel by channel. The SSE2 ones: at 32 bits two saturating packs
// turn eight distances into clamped levels, each spread over its pixel's colour bytes and added
// with byte saturation; at 24 bits a block's levels are spread over its bytes first; at 16 bits
// (RGB565) each channel is taken out into 16-bit lanes, added and capped. A constant level is
// one saturating byte add or subtract per 16 bytes.
#include "player/backend/graphics/grey_runs.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <type_traits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace mavlet {
namespace {

// Adds a level 0..255 to each colour channel of a 16-bit raw pixel, saturating per channel (the
// channel adds the level's top bits).
struct ChannelAdder {
  explicit ChannelAdder(const LockedPixels& p) : masks{p.red_mask, p.green_mask, p.blue_mask} {
    for (std::size_t i = 0; i < 3; ++i) {
      width[i] = std::popcount(masks[i]);
      low[i] = masks[i] != 0 ? std::countr_zero(masks[i]) : 0;
    }
  }
  std::uint32_t Add(std::uint32_t raw, std::uint32_t level) const {
    std::uint32_t out = raw & ~(masks[0] | masks[1] | masks[2]);
    for (std::size_t i = 0; i < 3; ++i) {
      const std::uint32_t m = masks[i];
      const std::uint32_t add = width[i] <= 8 ? (level >> (8 - width[i])) << low[i] : 0;
      const std::uint32_t sum = (raw & m) + add;
      out |= (sum & ~m) != 0 ? m : sum;
    }
    return out;
  }
  std::array<std::uint32_t, 3> masks;
  std::array<int, 3> width{};
  std::array<int, 3> low{};
};

#ifdef __SSE2__
std::int64_t AddGreySse2(std::uint8_t* to, const std::uint8_t* from, const std::int32_t* distance, std::int64_t count,
                         int slope, std::int32_t offset) {
  const __m128i off = _mm_set1_epi32(offset);
  const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
  std::int64_t i = 0;
  for (; i + 8 <= count; i += 8) {
    __m128i d0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(distance + i));
    __m128i d1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(distance + i + 4));
    if (slope < 0) {
      d0 = _mm_sub_epi32(off, d0);
      d1 = _mm_sub_epi32(off, d1);
    } else {
      d0 = _mm_add_epi32(off, d0);
      d1 = _mm_add_epi32(off, d1);
    }
    const __m128i levels = _mm_packus_epi16(_mm_packs_epi32(d0, d1), _mm_setzero_si128());  // 8 bytes
    const __m128i pairs = _mm_unpacklo_epi8(levels, levels);
    const __m128i lo = _mm_and_si128(_mm_unpacklo_epi16(pairs, pairs), colour);
    const __m128i hi = _mm_and_si128(_mm_unpackhi_epi16(pairs, pairs), colour);
    const __m128i* s = reinterpret_cast<const __m128i*>(from + 4 * i);
    __m128i* t = reinterpret_cast<__m128i*>(to + 4 * i);
    _mm_storeu_si128(t, _mm_adds_epu8(_mm_loadu_si128(s), lo));
    _mm_storeu_si128(t + 1, _mm_adds_epu8(_mm_loadu_si128(s + 1), hi));
  }
  return i;
}

// Packed 24-bit pixels: the levels of up to 64 pixels are spread over their three bytes, then
// added sixteen bytes at a time with byte saturation.
std::int64_t AddGrey24Sse2(std::uint8_t* to, const std::uint8_t* from, const std::int32_t* distance,
                           std::int64_t count, int slope, std::int32_t offset) {
  constexpr std::int64_t kBlock = 64;
  alignas(16) std::uint8_t spread[3 * kBlock];
  std::int64_t i = 0;
  for (; i + kBlock <= count; i += kBlock) {
    for (std::int64_t j = 0; j < kBlock; ++j) {
      const auto level = static_cast<std::uint8_t>(std::clamp(slope * distance[i + j] + offset, 0, 255));
      spread[3 * j] = spread[3 * j + 1] = spread[3 * j + 2] = level;
    }
    const auto* f = reinterpret_cast<const __m128i*>(from + 3 * i);
    auto* t = reinterpret_cast<__m128i*>(to + 3 * i);
    const auto* l = reinterpret_cast<const __m128i*>(spread);
    for (int k = 0; k < 3 * kBlock / 16; ++k) {
      _mm_storeu_si128(t + k, _mm_adds_epu8(_mm_loadu_si128(f + k), _mm_load_si128(l + k)));
    }
  }
  return i;
}

// RGB565 pixels, eight at a time in 16-bit lanes.
std::int64_t AddGrey565Sse2(std::uint8_t* to, const std::uint8_t* from, const std::int32_t* distance,
                            std::int64_t count, int slope, std::int32_t offset) {
  const __m128i off = _mm_set1_epi32(offset);
  const __m128i zero = _mm_setzero_si128(), top = _mm_set1_epi16(255);
  const __m128i five = _mm_set1_epi16(31), six = _mm_set1_epi16(63);
  std::int64_t i = 0;
  for (; i + 8 <= count; i += 8) {
    __m128i d0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(distance + i));
    __m128i d1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(distance + i + 4));
    d0 = slope < 0 ? _mm_sub_epi32(off, d0) : _mm_add_epi32(off, d0);
    d1 = slope < 0 ? _mm_sub_epi32(off, d1) : _mm_add_epi32(off, d1);
    const __m128i level = _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(d0, d1), zero), top);
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 2 * i));
    const __m128i r = _mm_min_epi16(_mm_add_epi16(_mm_srli_epi16(v, 11), _mm_srli_epi16(level, 3)), five);
    const __m128i g =
        _mm_min_epi16(_mm_add_epi16(_mm_and_si128(_mm_srli_epi16(v, 5), six), _mm_srli_epi16(level, 2)), six);
    const __m128i b = _mm_min_epi16(_mm_add_epi16(_mm_and_si128(v, five), _mm_srli_epi16(level, 3)), five);
    const __m128i out = _mm_or_si128(_mm_or_si128(_mm_slli_epi16(r, 11), _mm_slli_epi16(g, 5)), b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 2 * i), out);
  }
  return i;
}
#endif

}  // namespace

void AddGreyByDistance(std::uint8_t* to, const std::uint8_t* from, const std::int32_t* distance, std::int64_t count,
                       int slope, std::int32_t offset, const LockedPixels& format,
                       [[maybe_unused]] RowKernels kernels) {
  const int bits = format.bits_per_pixel;
  if (bits != 16 && bits != 24 && bits != 32) return;
  std::int64_t i = 0;
#ifdef __SSE2__
  if (kernels == RowKernels::kFastest) {
    if (bits == 32) i = AddGreySse2(to, from, distance, count, slope, offset);
    if (bits == 24) i = AddGrey24Sse2(to, from, distance, count, slope, offset);
    if (bits == 16 && format.red_mask == 0xF800 && format.green_mask == 0x07E0 && format.blue_mask == 0x001F) {
      i = AddGrey565Sse2(to, from, distance, count, slope, offset);
    }
  }
#endif
  const ChannelAdder adder(format);
  auto run = [&](auto bytes_constant) {
    constexpr std::size_t kBytes = decltype(bytes_constant)::value;
    for (; i < count; ++i) {
      const std::int32_t level = std::clamp(slope * distance[i] + offset, 0, 255);
      if constexpr (kBytes >= 3) {  // byte by byte: B, G, R saturate, a fourth byte is kept
        const std::uint8_t* f = from + i * static_cast<std::int64_t>(kBytes);
        std::uint8_t* t = to + i * static_cast<std::int64_t>(kBytes);
        for (std::size_t k = 0; k < 3; ++k) t[k] = static_cast<std::uint8_t>(std::min(f[k] + level, 255));
        if constexpr (kBytes == 4) t[3] = f[3];
        continue;
      }
      std::uint32_t raw = 0;
      std::memcpy(&raw, from + i * static_cast<std::int64_t>(kBytes), kBytes);
      raw = adder.Add(raw, static_cast<std::uint32_t>(level));
      std::memcpy(to + i * static_cast<std::int64_t>(kBytes), &raw, kBytes);
    }
  };
  if (bits == 16) {
    run(std::integral_constant<std::size_t, 2>{});
  } else if (bits == 24) {
    run(std::integral_constant<std::size_t, 3>{});
  } else {
    run(std::integral_constant<std::size_t, 4>{});
  }
}

void ShiftGreyRun(std::uint8_t* row, std::int64_t count, int delta, int bytes_per_pixel,
                  [[maybe_unused]] RowKernels kernels) {
  const bool keep_fourth = bytes_per_pixel == 4;
  const std::size_t n = static_cast<std::size_t>(std::max<std::int64_t>(count, 0)) * (keep_fourth ? 4 : 3);
  delta = std::clamp(delta, -255, 255);
  std::size_t i = 0;
#ifdef __SSE2__
  if (kernels == RowKernels::kFastest && delta != 0) {
    // Sixteen bytes start on a pixel at 32 bits; at 24 bits every byte is a colour.
    const auto level = static_cast<std::uint32_t>(delta < 0 ? -delta : delta);
    const __m128i d = _mm_set1_epi32(static_cast<int>(level * (keep_fourth ? 0x010101u : 0x01010101u)));
    for (; i + 16 <= n; i += 16) {
      __m128i* p = reinterpret_cast<__m128i*>(row + i);
      const __m128i v = _mm_loadu_si128(p);
      _mm_storeu_si128(p, delta > 0 ? _mm_adds_epu8(v, d) : _mm_subs_epu8(v, d));
    }
  }
#endif
  for (; i < n; ++i) {
    if (keep_fourth && (i & 3) == 3) continue;
    row[i] = static_cast<std::uint8_t>(std::clamp(row[i] + delta, 0, 255));
  }
}

}  // namespace mavlet
