#include "player/backend/graphics/surface_blur.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "player/backend/graphics/box_blur.h"

namespace mavlet {
namespace {

// A picture of noise (or, with `bright`, mostly white noise, so window sums reach their largest);
// 32-bit pixels carry noise in their unused byte too.
Surface Noise(int bits, std::int32_t w, std::int32_t h, std::uint32_t seed, bool bright = false) {
  Surface s(*PixelFormat::ForDepth(bits), w, h);
  std::uint32_t state = seed;
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      state = state * 1664525u + 1013904223u;
      std::uint32_t raw = state >> 8;
      if (bright) raw |= 0xF0F0F0;
      if (bits == 32) raw |= state << 24;
      s.SetRawPixel(x, y, raw);
    }
  }
  return s;
}

// The plain way: through the picture's 24-bit bitmap, blurred, drawn back, darkened.
Surface PlainBlur(const Surface& source, int radius, int grey) {
  Bitmap bitmap;
  source.CopyToBitmap(bitmap);
  BoxBlur(bitmap, radius);
  Surface out(source.format(), source.width(), source.height());
  out.DrawBitmap(0, 0, bitmap);
  out.SubtractGrey(out.bounds(), grey);
  return out;
}

std::int64_t Differences(const Surface& a, const Surface& b) {
  std::int64_t n = 0;
  for (std::int32_t y = 0; y < a.height(); ++y)
    for (std::int32_t x = 0; x < a.width(); ++x) n += a.RawPixel(x, y) != b.RawPixel(x, y);
  return n;
}

// Both kernel sets equal the plain way for every depth, for pictures narrower, shorter and
// wider than the window, for radii the lane sums hold and beyond, and for any grey level.
TEST(DrawBlurred, EqualsTheBitmapBlurAtEveryDepth) {
  struct Size {
    std::int32_t w, h;
  } sizes[] = {{1, 1}, {5, 3}, {3, 9}, {37, 29}, {64, 7}};
  for (const int bits : {16, 24, 32}) {
    for (const Size size : sizes) {
      const Surface source = Noise(bits, size.w, size.h, static_cast<std::uint32_t>(size.w * 31 + bits));
      for (const int radius : {-3, 0, 1, 2, 5, 17, 31, 200}) {
        for (const int grey : {0, 77, 255}) {
          const Surface want = PlainBlur(source, radius, grey);
          for (const RowKernels kernels : {RowKernels::kPortable, RowKernels::kFastest}) {
            Surface target(source.format(), size.w, size.h);
            BlurBuffers buffers;
            ASSERT_TRUE(DrawBlurred(target, source, radius, grey, buffers, kernels));
            EXPECT_EQ(Differences(target, want), 0)
                << bits << " bits " << size.w << "x" << size.h << " radius " << radius << " grey " << grey
                << (kernels == RowKernels::kPortable ? " portable" : " fastest");
          }
        }
      }
    }
  }
}

// The largest window the 16-bit lanes take (255 pixels) over nearly white pixels, and buffers
// reused across sizes and radii, as a transition reuses them step after step.
TEST(DrawBlurred, LargestLaneWindowAndReusedBuffers) {
  BlurBuffers buffers;
  struct Case {
    std::int32_t w, h;
    int radius;
  } cases[] = {{300, 5, 127}, {270, 260, 127}, {40, 30, 3}, {300, 5, 1}, {33, 300, 126}};
  for (const Case& c : cases) {
    const Surface source = Noise(32, c.w, c.h, 7, true);
    Surface target(source.format(), c.w, c.h);
    ASSERT_TRUE(DrawBlurred(target, source, c.radius, 9, buffers));
    EXPECT_EQ(Differences(target, PlainBlur(source, c.radius, 9)), 0) << c.w << "x" << c.h << " r " << c.radius;
  }
}

// Every window size up to 127 pixels across and down, over nearly white pixels (the largest
// sums each size gives): the browser build divides these windows by a rule of their own.
TEST(DrawBlurred, EveryWindowUpTo127PixelsAtFullSums) {
  BlurBuffers buffers;
  for (const auto& [w, h] : {std::pair{130, 3}, std::pair{3, 130}}) {
    const Surface source = Noise(32, w, h, 11, true);
    for (int radius = 0; radius <= 63; ++radius) {
      Surface target(source.format(), w, h);
      ASSERT_TRUE(DrawBlurred(target, source, radius, 0, buffers));
      EXPECT_EQ(Differences(target, PlainBlur(source, radius, 0)), 0) << w << "x" << h << " radius " << radius;
    }
  }
}

TEST(DrawBlurred, RefusesOtherSizesAndFormats) {
  BlurBuffers buffers;
  const Surface source = Noise(32, 8, 8, 1);
  Surface smaller(source.format(), 8, 7), deeper(PixelFormat::Rgb565(), 8, 8), empty(source.format(), 0, 0);
  EXPECT_FALSE(DrawBlurred(smaller, source, 2, 0, buffers));
  EXPECT_FALSE(DrawBlurred(deeper, source, 2, 0, buffers));
  EXPECT_FALSE(DrawBlurred(empty, empty, 2, 0, buffers));
  // A surface blurred onto itself reads every row before it is overwritten.
  Surface self = source;
  ASSERT_TRUE(DrawBlurred(self, self, 3, 20, buffers));
  EXPECT_EQ(Differences(self, PlainBlur(source, 3, 20)), 0);
}

}  // namespace
}  // namespace mavlet
