#pragma once
// Pixel formats of the display and its off-screen surfaces. Raw pixel values are read
// little-endian: RGB565 in 2 bytes, packed B,G,R in 3 bytes, B,G,R,X in 4 bytes, so the 24- and
// 32-bit raw values share the layout 0x00RRGGBB. Player colours are 0x00BBGGRR.
#include <cstdint>
#include <optional>

namespace mavlet {

struct PixelFormat {
  int bits_per_pixel = 32;
  std::uint32_t red_mask = 0x00FF0000;
  std::uint32_t green_mask = 0x0000FF00;
  std::uint32_t blue_mask = 0x000000FF;

  static constexpr PixelFormat Rgb565() { return {16, 0xF800, 0x07E0, 0x001F}; }
  static constexpr PixelFormat Bgr24() { return {24, 0x00FF0000, 0x0000FF00, 0x000000FF}; }
  static constexpr PixelFormat Xrgb8888() { return {32, 0x00FF0000, 0x0000FF00, 0x000000FF}; }
  // The format used for a display depth of 16, 24 or 32 bits; nullopt for other depths.
  static constexpr std::optional<PixelFormat> ForDepth(int bits) {
    switch (bits) {
      case 16: return Rgb565();
      case 24: return Bgr24();
      case 32: return Xrgb8888();
      default: return std::nullopt;
    }
  }

  constexpr int BytesPerPixel() const { return bits_per_pixel / 8; }
  // Bits that carry colour; colour keys compare only these (the fourth byte of 32-bit pixels is
  // undefined).
  constexpr std::uint32_t ColourBits() const { return red_mask | green_mask | blue_mask; }

  // Raw pixel value of a 0x00BBGGRR colour.
  constexpr std::uint32_t FromRgb(std::int32_t rgb) const {
    const std::uint32_t c = static_cast<std::uint32_t>(rgb);
    const std::uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    if (bits_per_pixel == 16) return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    return (r << 16) | (g << 8) | b;
  }
  // 0x00BBGGRR colour of a raw pixel value; 16-bit channels are widened by bit replication.
  constexpr std::int32_t ToRgb(std::uint32_t raw) const {
    std::uint32_t r, g, b;
    if (bits_per_pixel == 16) {
      r = (raw >> 11) & 31;
      g = (raw >> 5) & 63;
      b = raw & 31;
      r = (r << 3) | (r >> 2);
      g = (g << 2) | (g >> 4);
      b = (b << 3) | (b >> 2);
    } else {
      r = (raw >> 16) & 0xFF;
      g = (raw >> 8) & 0xFF;
      b = raw & 0xFF;
    }
    return static_cast<std::int32_t>(r | (g << 8) | (b << 16));
  }

  friend constexpr bool operator==(const PixelFormat&, const PixelFormat&) = default;
};

}  // namespace mavlet
