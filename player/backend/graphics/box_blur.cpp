#include "player/backend/graphics/box_blur.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace mavlet {
namespace {

// One pass along lines of `count` samples `step` bytes apart; the running sum makes the cost
// independent of the radius.
void BlurLine(std::uint8_t* first, std::int64_t count, std::int64_t step, int radius,
              std::vector<std::uint8_t>& scratch) {
  scratch.resize(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) scratch[i] = first[i * step];
  std::uint32_t sum = 0;
  std::int64_t lo = 0, hi = -1;  // window [lo, hi] of scratch
  for (std::int64_t i = 0; i < count; ++i) {
    const std::int64_t want_lo = std::max<std::int64_t>(0, i - radius);
    const std::int64_t want_hi = std::min<std::int64_t>(count - 1, i + radius);
    while (hi < want_hi) sum += scratch[++hi];
    while (lo < want_lo) sum -= scratch[lo++];
    const std::uint32_t n = static_cast<std::uint32_t>(hi - lo + 1);
    first[i * step] = static_cast<std::uint8_t>((sum + n / 2) / n);
  }
}

}  // namespace

void BoxBlur(Bitmap& bitmap, int radius) {
  if (radius <= 0 || bitmap.empty() || bitmap.layout() == Bitmap::Layout::kIndexed8) return;
  const int bytes = bitmap.layout() == Bitmap::Layout::kBgr24 ? 3 : 4;
  const std::int64_t w = bitmap.width(), h = bitmap.height();
  const std::int64_t stride = static_cast<std::int64_t>(bitmap.stride());
  std::vector<std::uint8_t> scratch;
  for (std::int64_t y = 0; y < h; ++y) {
    for (int c = 0; c < 3; ++c) BlurLine(bitmap.Row(static_cast<std::int32_t>(y)) + c, w, bytes, radius, scratch);
  }
  for (std::int64_t x = 0; x < w; ++x) {
    for (int c = 0; c < 3; ++c) BlurLine(bitmap.Row(0) + x * bytes + c, h, stride, radius, scratch);
  }
}

}  // namespace mavlet
