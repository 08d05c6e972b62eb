#pragma once
// A decoded device-independent picture: what the BMP reader produces and surfaces load.
// Rows are kept top-down in one of three layouts; bit_count() still reports the depth the
// picture was stored with (1, 4, 8, 16, 24 or 32), which decides for instance whether a mask
// needs converting to grey levels.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace mavlet {

// Largest picture the player accepts: guards against damaged headers asking for huge buffers.
inline constexpr std::int32_t kMaxBitmapSide = 16384;
inline constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 25;

class Bitmap {
 public:
  enum class Layout {
    kIndexed8,  // one palette index per byte (1-, 4- and 8-bit pictures)
    kBgr24,     // bytes B, G, R
    kBgrx32,    // bytes B, G, R, unused
  };

  Bitmap() = default;
  // Zero-filled picture; throws MavError beyond the size limits.
  Bitmap(Layout layout, std::int32_t width, std::int32_t height, int bit_count = 0);

  static Bitmap Indexed8(std::int32_t width, std::int32_t height) {
    return Bitmap(Layout::kIndexed8, width, height);
  }
  static Bitmap Rgb24(std::int32_t width, std::int32_t height) {
    return Bitmap(Layout::kBgr24, width, height);
  }

  bool empty() const { return width_ <= 0 || height_ <= 0; }
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  int bit_count() const { return bit_count_; }
  void set_bit_count(int bits) { bit_count_ = bits; }
  Layout layout() const { return layout_; }
  std::size_t stride() const { return stride_; }

  // Colour table, entries 0x00RRGGBB; always 256 entries, unused ones black.
  const std::array<std::uint32_t, 256>& palette() const { return palette_; }
  void SetPaletteEntry(int index, std::uint8_t r, std::uint8_t g, std::uint8_t b);
  void SetPaletteEntryRaw(int index, std::uint32_t rrggbb) { palette_[index & 255] = rrggbb; }

  std::uint8_t* Row(std::int32_t y) { return pixels_.data() + static_cast<std::size_t>(y) * stride_; }
  const std::uint8_t* Row(std::int32_t y) const {
    return pixels_.data() + static_cast<std::size_t>(y) * stride_;
  }
  // Colour of one pixel as 0x00RRGGBB (palette looked up); 0 outside the picture.
  std::uint32_t PixelRgb(std::int32_t x, std::int32_t y) const;

  // Becomes an 8-bit picture with the grey palette (entry i = i, i, i) showing the same picture:
  // each pixel takes the grey level nearest its colour. Masks stored in other depths are read
  // this way.
  void ConvertToGrey8();

  // Draws this picture onto target at (x, y), clipped to the target. Indexed targets take the
  // palette entry nearest each colour.
  void DrawOnto(Bitmap& target, std::int32_t x, std::int32_t y) const;

 private:
  Layout layout_ = Layout::kBgr24;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  int bit_count_ = 24;
  std::size_t stride_ = 0;
  std::array<std::uint32_t, 256> palette_{};
  std::vector<std::uint8_t> pixels_;
};

// Checks width and height against the limits; throws MavError naming `what` when they are off.
void CheckBitmapSize(std::int64_t width, std::int64_t height, std::string_view what);

}  // namespace mavlet
