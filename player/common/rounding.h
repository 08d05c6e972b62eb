#pragma once
// The player's one rule for rounding to the nearest integer (weather drop positions, the sine
// table, the layer ripple's row offsets, the circle transition's distances): halves go to the
// even neighbour, 0.5 -> 0, 1.5 -> 2, 2.5 -> 2, -2.5 -> -2, whatever the floating-point
// rounding mode is. Values beyond the int32 range give the nearest limit, NaN gives 0.
// docs/display-rounding.md says where it applies.
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace mavlet {

inline std::int32_t RoundNearest(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  const double low = std::floor(v);
  const double frac = v - low;
  auto r = static_cast<std::int64_t>(low);
  if (frac > 0.5 || (frac == 0.5 && (r & 1) != 0)) ++r;
  return static_cast<std::int32_t>(std::min<std::int64_t>(r, INT32_MAX));
}

}  // namespace mavlet
