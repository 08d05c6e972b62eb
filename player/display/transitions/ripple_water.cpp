// The portable step sums in 64 bits; the SSE2 one takes four cells at a time in 32-bit lanes,
// which hold the sums exactly while every height is below 2^27 (eight of them stay below 2^30).
#include "player/display/transitions/ripple_water.h"

#include <algorithm>
#include <climits>
#include <cstddef>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace mavlet {
namespace {

[[maybe_unused]] constexpr std::uint32_t kLaneLimit = 1u << 27;

std::uint32_t StepCell(const std::int32_t* up, const std::int32_t* mid, const std::int32_t* down, std::int32_t* out,
                       std::size_t x) {
  const std::int64_t sum = std::int64_t{up[x - 1]} + up[x] + up[x + 1] + mid[x - 1] + mid[x + 1] + down[x - 1] +
                           down[x] + down[x + 1];
  std::int64_t v = sum / 4 - out[x];
  if (v < 0) v = -v;
  v -= v / 1024;
  out[x] = static_cast<std::int32_t>(std::min<std::int64_t>(v, INT32_MAX));
  return static_cast<std::uint32_t>(out[x]);
}

#ifdef __SSE2__
// Cells 1 .. the last multiple of four; returns the next cell to do.
std::size_t StepRowSse2(const std::int32_t* up, const std::int32_t* mid, const std::int32_t* down, std::int32_t* out,
                        std::size_t gw, __m128i& bits) {
  auto at = [](const std::int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
  std::size_t x = 1;
  for (; x + 4 < gw; x += 4) {
    __m128i sum = _mm_add_epi32(_mm_add_epi32(at(up + x - 1), at(up + x)), at(up + x + 1));
    sum = _mm_add_epi32(sum, _mm_add_epi32(at(mid + x - 1), at(mid + x + 1)));
    sum = _mm_add_epi32(sum, _mm_add_epi32(_mm_add_epi32(at(down + x - 1), at(down + x)), at(down + x + 1)));
    __m128i v = _mm_sub_epi32(_mm_srli_epi32(sum, 2), at(out + x));
    const __m128i sign = _mm_srai_epi32(v, 31);
    v = _mm_sub_epi32(_mm_xor_si128(v, sign), sign);
    v = _mm_sub_epi32(v, _mm_srli_epi32(v, 10));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), v);
    bits = _mm_or_si128(bits, v);
  }
  return x;
}
#endif

}  // namespace

std::uint32_t StepWater(const std::int32_t* current, std::int32_t* other, std::int32_t gw, std::int32_t gh,
                        [[maybe_unused]] std::uint32_t current_bits, [[maybe_unused]] std::uint32_t other_bits,
                        [[maybe_unused]] RowKernels kernels) {
  const auto w = static_cast<std::size_t>(gw);
  std::uint32_t bits = 0;
  bool lanes = false;
#ifdef __SSE2__
  lanes = kernels == RowKernels::kFastest && current_bits < kLaneLimit && other_bits < kLaneLimit;
  __m128i lane_bits = _mm_setzero_si128();
#endif
  for (std::int32_t y = 1; y < gh - 1; ++y) {
    const std::int32_t* up = current + static_cast<std::size_t>(y - 1) * w;
    const std::int32_t* mid = up + w;
    const std::int32_t* down = mid + w;
    std::int32_t* out = other + static_cast<std::size_t>(y) * w;
    std::size_t x = 1;
#ifdef __SSE2__
    if (lanes) x = StepRowSse2(up, mid, down, out, w, lane_bits);
#endif
    for (; x + 1 < w; ++x) bits |= StepCell(up, mid, down, out, x);
  }
#ifdef __SSE2__
  alignas(16) std::uint32_t parts[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(parts), lane_bits);
  bits |= parts[0] | parts[1] | parts[2] | parts[3];
#endif
  (void)lanes;
  return bits;
}

}  // namespace mavlet
