// The rotation against the plain rule: every target pixel near the picture tested on its own.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "player/backend/graphics/surface.h"

namespace mavlet {
namespace {

// Each pixel of the bounding box maps back to the source and is drawn when it lands inside
// source_rect and the source surface.
void PlainRotate(Surface& t, std::int32_t cx, std::int32_t cy, std::int32_t width, std::int32_t height,
                 const Surface& src, const Rect& sr, int angle, int alpha) {
  const double theta = (angle & 255) * (2 * std::numbers::pi / 256);
  const double c = std::cos(theta), sn = std::sin(theta), sw = sr.Width(), sh = sr.Height();
  auto fixed = [](double v) { return std::llround(v * (1 << 24)); };
  const std::int64_t ux = fixed(c * sw / width), uy = fixed(sn * sw / width);
  const std::int64_t vx = fixed(-sn * sh / height), vy = fixed(c * sh / height);
  const double ex = (std::abs(c) * width + std::abs(sn) * height) / 2 + 2;
  const double ey = (std::abs(sn) * width + std::abs(c) * height) / 2 + 2;
  const std::int64_t bx0 = std::max<std::int64_t>(0, cx - static_cast<std::int64_t>(ex));
  const std::int64_t bx1 = std::min<std::int64_t>(t.width(), cx + static_cast<std::int64_t>(ex));
  const std::int64_t by0 = std::max<std::int64_t>(0, cy - static_cast<std::int64_t>(ey));
  const std::int64_t by1 = std::min<std::int64_t>(t.height(), cy + static_cast<std::int64_t>(ey));
  for (std::int64_t ty = by0; ty < by1; ++ty) {
    // The row's first pixel centre, then one step per pixel.
    const std::int64_t dx2 = 2 * (bx0 - cx) + 1, dy2 = 2 * (ty - cy) + 1;
    std::int64_t u = fixed(sw / 2) + (dx2 * ux + dy2 * uy) / 2, v = fixed(sh / 2) + (dx2 * vx + dy2 * vy) / 2;
    for (std::int64_t tx = bx0; tx < bx1; ++tx, u += ux, v += vx) {
      const std::int64_t su = u >> 24, sv = v >> 24;
      const std::int64_t sx = sr.left + su, sy = sr.top + sv;
      if (su < 0 || sv < 0 || su >= sr.Width() || sv >= sr.Height()) continue;
      if (sx < 0 || sy < 0 || sx >= src.width() || sy >= src.height()) continue;
      const auto x = static_cast<std::int32_t>(tx), y = static_cast<std::int32_t>(ty);
      Surface one(t.format(), 1, 1), under(t.format(), 1, 1);
      one.SetRawPixel(0, 0, src.RawPixel(static_cast<std::int32_t>(sx), static_cast<std::int32_t>(sy)));
      under.SetRawPixel(0, 0, t.RawPixel(x, y));
      under.Blend(under.bounds(), one, one.bounds(), alpha, false);
      t.SetRawPixel(x, y, under.RawPixel(0, 0));
    }
  }
}

std::int64_t Differences(const Surface& a, const Surface& b) {
  std::int64_t n = 0;
  for (std::int32_t y = 0; y < a.height(); ++y)
    for (std::int32_t x = 0; x < a.width(); ++x) n += a.RawPixel(x, y) != b.RawPixel(x, y);
  return n;
}

// Turns, scales, centres near and past the edges, source rectangles inside, across and beyond
// the source, solid and blended, at every depth, with both kernel sets.
TEST(RotateBlend, EqualsThePlainRuleEverywhere) {
  struct Place {
    std::int32_t cx, cy, w, h;
  } places[] = {{16, 12, 32, 24}, {-3, 5, 20, 13}, {30, 2, 7, 30}, {16, 12, 64, 50}, {10, 10, 1, 3}};
  const Rect rects[] = {{0, 0, 26, 19}, {-5, -3, 10, 12}, {3, 2, 40, 30}, {20, 15, 26, 19}};
  for (const int bits : {16, 24, 32}) {
    const PixelFormat format = *PixelFormat::ForDepth(bits);
    Surface src(format, 26, 19), back(format, 32, 24);
    for (std::int32_t y = 0; y < 24; ++y)
      for (std::int32_t x = 0; x < 32; ++x) {
        src.SetRawPixel(x, y, static_cast<std::uint32_t>(x * 0x0A0B03 + y * 0x030C11));
        back.SetRawPixel(x, y, static_cast<std::uint32_t>(0x808080 ^ (x * 0x1F00 + y * 0x13)));
      }
    for (const int angle : {0, 1, 37, 64, 100, 128, 190, 255}) {
      for (const Place& p : places) {
        for (const Rect& r : rects) {
          for (const int alpha : {255, 100}) {
            Surface want = back;
            PlainRotate(want, p.cx, p.cy, p.w, p.h, src, r, angle, alpha);
            for (const RowKernels k : {RowKernels::kPortable, RowKernels::kFastest}) {
              Surface got = back;
              got.RotateBlend(p.cx, p.cy, p.w, p.h, src, r, angle, alpha, k);
              ASSERT_EQ(Differences(got, want), 0) << bits << " bits angle " << angle << " at " << p.cx << ","
                                                   << p.cy << " " << p.w << "x" << p.h << " from " << r.left << ","
                                                   << r.top << " alpha " << alpha;
            }
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace mavlet
