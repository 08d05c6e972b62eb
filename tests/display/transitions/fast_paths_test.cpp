// The kinds whose steps walk only what changes, checked step by step against the plain rule
// that visits every pixel.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "player/common/rounding.h"
#include "tests/display/transitions/transition_fixture.h"

namespace mavlet {
namespace {

using testing::Scene;

// A grey level added to each colour channel of a raw pixel, saturating (5- and 6-bit channels
// add the level's top bits).
std::uint32_t AddGrey(const PixelFormat& f, std::uint32_t raw, std::int32_t level) {
  if (level <= 0) return raw;
  std::uint32_t out = raw & ~f.ColourBits();
  for (const std::uint32_t m : {f.red_mask, f.green_mask, f.blue_mask}) {
    const int width = std::popcount(m), low = std::countr_zero(m);
    const std::uint32_t add = (static_cast<std::uint32_t>(std::min(level, 255)) >> (8 - width)) << low;
    const std::uint64_t sum = std::uint64_t{raw & m} + add;
    out |= (sum & ~std::uint64_t{m}) != 0 ? m : static_cast<std::uint32_t>(sum);
  }
  return out;
}

// The circle, every pixel of the quarter visited on every step.
class PlainCircle {
 public:
  PlainCircle(const Surface& front, const Surface& back) : front_(front), back_(back), screen_(front) {}
  void Step() {
    const std::int32_t w = front_.width(), h = front_.height(), qw = w / 2, qh = h / 2;
    if (counter_ > 3 * w / 2) return;
    const std::int32_t r = ++counter_;
    for (std::int32_t y = 0; y < qh; ++y) {
      for (std::int32_t x = 0; x < qw; ++x) {
        const double dx = x - qw, dy = y - qh;
        const std::int32_t d = RoundNearest(std::sqrt(dx * dx + dy * dy));
        const std::int32_t v = r - d;
        if (v <= 0 || drawn_ - d >= 512) continue;
        const bool old = v < 256;
        const Surface& from = old ? front_ : back_;
        for (const std::int32_t py : {y, h - 1 - y}) {
          for (const std::int32_t px : {x, w - 1 - x}) {
            screen_.SetRawPixel(px, py, AddGrey(from.format(), from.RawPixel(px, py), old ? v : 512 - v));
          }
        }
      }
    }
    drawn_ = r;
    counter_ += 16;
  }
  const Surface& screen() const { return screen_; }

 private:
  const Surface& front_;
  const Surface& back_;
  Surface screen_;
  std::int32_t counter_ = 0;
  std::int32_t drawn_ = -1000;
};

TEST(FastPaths, CircleRingEqualsThePlainRuleEveryStep) {
  struct Size {
    std::int32_t w, h;
  } sizes[] = {{64, 48}, {37, 21}, {9, 300}, {700, 3}};
  for (const int bits : {16, 24, 32}) {
    for (const Size size : sizes) {
      Scene s(bits, size.w, size.h);
      // Bright pictures, so the added grey saturates some channels and not others.
      for (std::int32_t y = 0; y < size.h; ++y)
        for (std::int32_t x = 0; x < size.w; ++x)
          s.back.SetRawPixel(x, y, s.back.DeviceColour(0xC0C0C0 ^ ((x * 0x1F) | (y << 17))));
      auto t = s.Make(34);
      PlainCircle plain(s.front, s.back);
      for (int step = 1; step <= 1000; ++step) {
        const bool more = t->Step();
        plain.Step();
        ASSERT_EQ(Scene::Differences(s.screen, plain.screen()), 0)
            << bits << " bits " << size.w << "x" << size.h << " step " << step;
        if (!more) break;
      }
    }
  }
}

}  // namespace
}  // namespace mavlet
