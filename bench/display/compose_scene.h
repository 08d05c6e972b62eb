#pragma once
// The typical scene the compose benchmarks draw on a 32-bit screen: background copy, four
// colour-keyed sprites, one masked (anti-aliased) sprite, one alpha-blended sprite and one fill;
// and its bound, the same rectangles moved with plain row copies (and a plain row fill). Shared
// by the Google Benchmark program and the plain timing loop the browser build runs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

#include "player/backend/graphics/surface.h"

namespace mavlet::bench {

constexpr int kSpriteW = 160, kSpriteH = 240;
constexpr int kMaskW = 240, kMaskH = 320;
constexpr int kAlphaW = 200, kAlphaH = 200;
constexpr int kFillH = 120;

struct Scene {
  Scene(int w, int h)
      : screen(PixelFormat::Xrgb8888(), w, h),
        background(PixelFormat::Xrgb8888(), w, h),
        sprite(PixelFormat::Xrgb8888(), kSpriteW, kSpriteH),
        masked(PixelFormat::Xrgb8888(), kMaskW, kMaskH),
        alpha(PixelFormat::Xrgb8888(), kAlphaW, kAlphaH),
        mask(Bitmap::Indexed8(kMaskW, kMaskH)) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) background.SetRawPixel(x, y, static_cast<std::uint32_t>(x * 7 + y * 13) * 0x010203u);
    // A figure in an ellipse; the corners carry the key colour, as character pictures do.
    for (int y = 0; y < kSpriteH; ++y)
      for (int x = 0; x < kSpriteW; ++x) {
        const double dx = (x - kSpriteW / 2.0) / (kSpriteW / 2.0), dy = (y - kSpriteH / 2.0) / (kSpriteH / 2.0);
        sprite.SetRawPixel(x, y, dx * dx + dy * dy < 1 ? 0x00806040u + static_cast<std::uint32_t>(x) : 0x00FF00FFu);
      }
    sprite.SetColourKey(sprite.RawPixel(0, kSpriteH - 1));
    for (int y = 0; y < kMaskH; ++y)
      for (int x = 0; x < kMaskW; ++x) {
        masked.SetRawPixel(x, y, 0x00402010u + static_cast<std::uint32_t>(y));
        const double dx = (x - kMaskW / 2.0) / (kMaskW / 2.0), dy = (y - kMaskH / 2.0) / (kMaskH / 2.0);
        const double d = dx * dx + dy * dy;
        mask.Row(y)[x] = d < 0.8 ? 0 : d < 1 ? static_cast<std::uint8_t>((d - 0.8) * 1275) : 255;
      }
    alpha.Fill(0x00C0C0FF);
  }

  void Compose() {
    const int w = screen.width(), h = screen.height();
    screen.Copy(0, 0, background, background.bounds(), false);
    for (int i = 0; i < 4; ++i) {
      screen.Copy(20 + i * (w - kSpriteW - 40) / 3, h - kSpriteH - 10, sprite, sprite.bounds(), true);
    }
    screen.MaskedBlend(w / 2 - kMaskW / 2, 20, masked, masked.bounds(), mask);
    screen.Blend(Bounds(w - kAlphaW - 30, 30, kAlphaW, kAlphaH), alpha, alpha.bounds(), 160, false);
    screen.FillRect(Rect{20, h - kFillH - 20, w - 20, h - 20}, screen.DeviceColour(0x302010));
  }

  // The same rectangles as Compose, copied row by row (the fill filled row by row).
  void CopyBound() {
    const int w = screen.width(), h = screen.height();
    std::optional<LockedPixels> to = screen.Lock();
    if (!to) return;
    auto copy = [&](int x, int y, const Surface& from) {
      for (int j = 0; j < from.height(); ++j) {
        std::memcpy(to->bits + static_cast<std::ptrdiff_t>(y + j) * to->pitch + 4 * x, from.data() + j * from.pitch(),
                    4 * static_cast<std::size_t>(from.width()));
      }
    };
    copy(0, 0, background);
    for (int i = 0; i < 4; ++i) copy(20 + i * (w - kSpriteW - 40) / 3, h - kSpriteH - 10, sprite);
    copy(w / 2 - kMaskW / 2, 20, masked);
    copy(w - kAlphaW - 30, 30, alpha);
    const std::uint32_t fill = screen.DeviceColour(0x302010);
    for (int y = h - kFillH - 20; y < h - 20; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(to->bits + static_cast<std::ptrdiff_t>(y) * to->pitch);
      std::fill(row + 20, row + w - 20, fill);
    }
    screen.Unlock();
  }

  static std::size_t BytesWritten(int w, int h) {
    return 4u * (static_cast<std::size_t>(w) * h + 4u * kSpriteW * kSpriteH + kMaskW * kMaskH + kAlphaW * kAlphaH +
                 static_cast<std::size_t>(w - 40) * kFillH);
  }

  Surface screen, background, sprite, masked, alpha;
  Bitmap mask;
};

}  // namespace mavlet::bench
