#include "player/backend/graphics/grey_runs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace mavlet {
namespace {

// The SSE2 kernels equal the portable one at every depth for every run length around their
// blocks (eight pixels, 64 at 24 bits), both slopes, and levels below 0, inside and above 255;
// the fourth byte of 32-bit pixels is kept.
TEST(AddGreyByDistance, FastestEqualsPortable) {
  for (const int bits : {16, 24, 32}) {
    Surface format_of(*PixelFormat::ForDepth(bits), 1, 1);
    const LockedPixels format = *format_of.Lock();
    std::vector<std::uint8_t> from(4 * 200);
    std::vector<std::int32_t> distance(200);
    std::uint32_t state = 99;
    for (std::size_t i = 0; i < from.size(); ++i)
      from[i] = static_cast<std::uint8_t>((state = state * 69069u + 1) >> 24);
    for (std::size_t i = 0; i < distance.size(); ++i) distance[i] = static_cast<std::int32_t>(i * 37 % 700) - 100;
    for (const int slope : {-1, 1}) {
      for (const std::int32_t offset : {-300, 0, 130, 255, 600, 70000}) {
        for (std::int64_t count : {0, 1, 7, 8, 9, 16, 23, 63, 64, 65, 130, 200}) {
          std::vector<std::uint8_t> plain(from.size(), 1), fast(from.size(), 1);
          AddGreyByDistance(plain.data(), from.data(), distance.data(), count, slope, offset, format,
                            RowKernels::kPortable);
          AddGreyByDistance(fast.data(), from.data(), distance.data(), count, slope, offset, format);
          EXPECT_EQ(plain, fast) << bits << " bits slope " << slope << " offset " << offset << " count " << count;
          if (count > 0 && bits == 32) {
            EXPECT_EQ(fast[3], from[3]) << "the fourth byte is kept";
          }
        }
      }
    }
  }
}

// A constant level: both kernels clamp every colour byte at 24 and 32 bits and keep the fourth
// byte, for runs around the 16-byte blocks, levels up, down and beyond 255.
TEST(ShiftGreyRun, BothKernelsClampEveryColourByte) {
  std::vector<std::uint8_t> from(4 * 40);
  std::uint32_t state = 7;
  for (std::uint8_t& b : from) b = static_cast<std::uint8_t>((state = state * 69069u + 1) >> 24);
  for (const int bytes : {3, 4}) {
    for (const int delta : {-300, -255, -77, -1, 1, 5, 200, 255, 999}) {
      for (const std::int64_t count : {0, 1, 3, 4, 5, 6, 11, 16, 17, 40}) {
        for (const RowKernels kernels : {RowKernels::kPortable, RowKernels::kFastest}) {
          std::vector<std::uint8_t> row = from;
          ShiftGreyRun(row.data(), count, delta, bytes, kernels);
          for (std::size_t i = 0; i < row.size(); ++i) {
            const bool colour = i < static_cast<std::size_t>(count * bytes) && (bytes == 3 || i % 4 != 3);
            const int want = colour ? std::clamp(from[i] + std::clamp(delta, -255, 255), 0, 255) : from[i];
            ASSERT_EQ(row[i], want) << bytes << " bytes delta " << delta << " count " << count << " byte " << i
                                    << (kernels == RowKernels::kPortable ? " portable" : " fastest");
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace mavlet
