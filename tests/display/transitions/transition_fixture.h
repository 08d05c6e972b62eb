#pragma once
// Three surfaces of one format for running transitions: the screen shows the old picture, the
// back picture holds the new one; both are patterns whose every pixel differs between them.
#include <cstdint>
#include <memory>

#include "player/backend/graphics/surface.h"
#include "player/common/random.h"
#include "player/display/transitions/transition_factory.h"

namespace mavlet::testing {

struct Scene {
  Surface screen, front, back;
  TRandom random;

  Scene(int bits, std::int32_t w, std::int32_t h)
      : screen(*PixelFormat::ForDepth(bits), w, h), front(screen.format(), w, h), back(screen.format(), w, h) {
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w; ++x) {
        screen.SetRawPixel(x, y, screen.DeviceColour(OldColour(x, y)));
        back.SetRawPixel(x, y, back.DeviceColour(NewColour(x, y)));
      }
    }
    front.Fill(front.DeviceColour(0x123456));  // whatever the last transition left
  }
  // Channels kept to multiples of 8 so that 16-bit pixels hold them exactly; old and new never
  // meet (old red channel below 128, new at or above).
  static std::int32_t OldColour(std::int32_t x, std::int32_t y) { return ((x * 8) & 0x78) | (((y * 8) & 0xF8) << 8) | 0x400000; }
  static std::int32_t NewColour(std::int32_t x, std::int32_t y) {
    return (0x80 | ((y * 8) & 0x78)) | (((x * 8) & 0xF8) << 16) | 0x2000;
  }
  std::unique_ptr<ScreenTransition> Make(int kind, bool reverse, const Rect& area) {
    auto t = MakeScreenTransition(kind, screen, front, back, random);
    if (t) {
      t->SetReverse(reverse);
      t->SetArea(area);
    }
    return t;
  }
  std::unique_ptr<ScreenTransition> Make(int kind, bool reverse = false) { return Make(kind, reverse, screen.bounds()); }
  // Number of Step calls up to and including the one that reports finished; -1 beyond `limit`.
  static int RunToEnd(ScreenTransition& t, int limit = 5000) {
    for (int n = 1; n <= limit; ++n) {
      if (!t.Step()) return n;
    }
    return -1;
  }
  // Pixels where two surfaces differ.
  static std::int64_t Differences(const Surface& a, const Surface& b) {
    std::int64_t n = 0;
    for (std::int32_t y = 0; y < a.height(); ++y) {
      for (std::int32_t x = 0; x < a.width(); ++x) n += a.RawPixel(x, y) != b.RawPixel(x, y);
    }
    return n;
  }
};

}  // namespace mavlet::testing
