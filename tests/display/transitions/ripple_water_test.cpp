#include "player/display/transitions/ripple_water.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace mavlet {
namespace {

struct Water {
  std::int32_t gw, gh;
  std::vector<std::int32_t> current, other;
};

// Inner cells filled from a generator below `limit`; the border stays 0.
Water MakeWater(std::int32_t gw, std::int32_t gh, std::uint32_t limit, std::uint32_t seed) {
  Water w{gw, gh, std::vector<std::int32_t>(static_cast<std::size_t>(gw) * static_cast<std::size_t>(gh)), {}};
  w.other = w.current;
  std::uint32_t state = seed;
  for (std::int32_t y = 1; y + 1 < gh; ++y)
    for (std::int32_t x = 1; x + 1 < gw; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(gw) + static_cast<std::size_t>(x);
      state = state * 1664525u + 1013904223u;
      w.current[i] = static_cast<std::int32_t>(state % limit);
      state = state * 1664525u + 1013904223u;
      w.other[i] = static_cast<std::int32_t>(state % limit);
    }
  return w;
}

std::uint32_t Bits(const std::vector<std::int32_t>& v) {
  std::uint32_t b = 0;
  for (const std::int32_t x : v) b |= static_cast<std::uint32_t>(x);
  return b;
}

// The four-lane step equals the 64-bit one for rows of every width around its blocks of four
// and heights up to its limit; above the limit (sums past 32 bits) both take the 64-bit path,
// which caps at INT32_MAX.
TEST(RippleWater, FastestStepEqualsPortable) {
  struct Case {
    std::int32_t gw, gh;
    std::uint32_t limit;
  } cases[] = {{3, 3, 100}, {5, 4, 100000}, {6, 6, 1u << 27}, {9, 5, 1u << 27}, {22, 7, 5000}, {514, 4, 1u << 20},
               {13, 6, 0x7FFFFFFF}};
  for (const Case& c : cases) {
    Water w = MakeWater(c.gw, c.gh, c.limit, static_cast<std::uint32_t>(c.gw * 7 + c.gh));
    std::vector<std::int32_t> plain = w.other, fast = w.other;
    const std::uint32_t plain_bits =
        StepWater(w.current.data(), plain.data(), c.gw, c.gh, Bits(w.current), Bits(w.other), RowKernels::kPortable);
    const std::uint32_t fast_bits = StepWater(w.current.data(), fast.data(), c.gw, c.gh, Bits(w.current), Bits(w.other));
    EXPECT_EQ(plain, fast) << c.gw << "x" << c.gh << " below " << c.limit;
    EXPECT_EQ(plain_bits, Bits(plain));
    EXPECT_EQ(fast_bits, Bits(fast));
  }
  // The largest heights: eight neighbours at INT32_MAX sum past 32 bits and the result is capped.
  Water big = MakeWater(3, 3, 1, 1);
  for (std::int32_t& v : big.current) v = INT32_MAX;
  StepWater(big.current.data(), big.other.data(), 3, 3, Bits(big.current), 0);
  EXPECT_EQ(big.other[4], INT32_MAX);
}

}  // namespace
}  // namespace mavlet
