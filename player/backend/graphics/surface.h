#pragma once
// Off-screen surface: a software pixel buffer in the display's pixel format (16, 24 or 32 bits).
// Every drawing operation of the player's layers and transitions runs on these; the window only
// uploads the finished screen surface. All operations clip to both surfaces: rectangles may lie
// partly or wholly outside, nothing is read or written out of bounds.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "player/backend/graphics/bitmap.h"
#include "player/backend/graphics/pixel_format.h"
#include "player/backend/graphics/rect.h"
#include "player/backend/graphics/row_kernels.h"

namespace mavlet {

inline constexpr std::int32_t kNoColourKey = -1;

// Direct pixel access to a locked surface. Pixels are little-endian raw values of
// bits_per_pixel / 8 bytes at bits + y * pitch + x * bytes per pixel.
struct LockedPixels {
  std::uint8_t* bits = nullptr;
  std::int32_t pitch = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  int bits_per_pixel = 0;
  std::uint32_t red_mask = 0;
  std::uint32_t green_mask = 0;
  std::uint32_t blue_mask = 0;
};

class Surface {
 public:
  explicit Surface(const PixelFormat& format = PixelFormat::Xrgb8888(), std::int32_t width = 0,
                   std::int32_t height = 0);

  // New size; the contents become black. Throws MavError beyond the bitmap size limits.
  void SetSize(std::int32_t width, std::int32_t height);
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  int bits_per_pixel() const { return format_.bits_per_pixel; }
  const PixelFormat& format() const { return format_; }
  Rect bounds() const { return Rect{0, 0, width_, height_}; }

  // Takes the bitmap's size and pictures it in this surface's format.
  void LoadBitmap(const Bitmap& bitmap);
  // A 24-bit bitmap of this surface's size holding its picture.
  void CopyToBitmap(Bitmap& out) const;
  // Draws a bitmap at (x, y) without changing the size (the way back from CopyToBitmap).
  void DrawBitmap(std::int32_t x, std::int32_t y, const Bitmap& bitmap);
  // Stretches the whole bitmap into target (nearest pixel), e.g. a movie frame.
  void DrawBitmapStretched(const Rect& target, const Bitmap& bitmap);

  // Raw pixel value; 0 outside the surface.
  std::uint32_t RawPixel(std::int32_t x, std::int32_t y) const;
  void SetRawPixel(std::int32_t x, std::int32_t y, std::uint32_t raw);

  // Raw colour key compared against the colour bits of source pixels; kNoColourKey for none.
  void SetColourKey(std::int64_t raw);
  std::int32_t colour_key() const { return key_; }
  // Raw value of a 0x00BBGGRR colour in this surface's format.
  std::uint32_t DeviceColour(std::int32_t rgb) const { return format_.FromRgb(rgb); }

  void Fill(std::uint32_t raw);
  void FillRect(const Rect& rect, std::uint32_t raw);

  // The operations below draw from `source` (same pixel format) into this surface.
  // Copies source_rect to (x, y); with `keyed`, pixels equal to the source's colour key stay
  // unchanged here.
  void Copy(std::int32_t x, std::int32_t y, const Surface& source, const Rect& source_rect,
            bool keyed);
  // Stretches source_rect into target (nearest pixel), no colour key.
  void Stretch(const Rect& target, const Surface& source, const Rect& source_rect);
  // result = source * alpha / 255 + target * (255 - alpha) / 255; rectangles of different sizes
  // stretch. 255 draws the source alone, 0 nothing.
  void Blend(const Rect& target, const Surface& source, const Rect& source_rect, int alpha,
             bool keyed);
  // Blends a rectangle of this surface towards a 0x00BBGGRR colour.
  void BlendColour(const Rect& rect, std::int32_t rgb, int alpha);
  // Rotates source_rect by angle (0..255 for a full clockwise turn), scales it to width x height
  // and blends it centred on (centre_x, centre_y).
  void RotateBlend(std::int32_t centre_x, std::int32_t centre_y, std::int32_t width,
                   std::int32_t height, const Surface& source, const Rect& source_rect, int angle,
                   int alpha, RowKernels kernels = RowKernels::kFastest);
  // Adds (or subtracts) a grey level 0..255 to every colour channel, saturating.
  void AddGrey(const Rect& rect, int level);
  void SubtractGrey(const Rect& rect, int level);
  // Draws source_rect scaled to width x height at (x, y), each row shifted horizontally by
  // amplitude * sin(2 pi (row / wave_length + phase / 256)).
  void Wave(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
            const Surface& source, const Rect& source_rect, bool keyed, int amplitude,
            int wave_length, int phase, int alpha = 255);
  // Anti-aliased sprite: mask byte m at the source pixel's position (mask row = source row);
  // m 255 keeps the target, 0 takes the source, else each channel
  // (source * (255 - m)) >> 8 + (target * m) >> 8. Source pixels outside the mask count as m 0.
  // Works on the pixels as a locked pair would: a lost surface on either side draws nothing.
  void MaskedBlend(std::int32_t x, std::int32_t y, const Surface& source, const Rect& source_rect,
                   const Bitmap& mask);

  // Direct pixel access; nullopt when the surface cannot be locked (empty or lost). Every
  // successful Lock is paired with Unlock.
  std::optional<LockedPixels> Lock();
  void Unlock();
  bool locked() const { return lock_count_ > 0; }
  // A lost surface refuses locks until restored (the platform may drop surfaces on mode
  // switches).
  void SetLost(bool lost) { lost_ = lost; }
  bool lost() const { return lost_; }

  // Raw storage, rows of pitch() bytes, for tests and uploading to a window.
  const std::uint8_t* data() const { return pixels_.data(); }
  std::size_t pitch() const { return pitch_; }

 private:
  // Adds delta (-255..255) to every colour channel of rect, saturating.
  void ShiftGrey(const Rect& rect, int delta);
  const Surface& Detached(const Surface& source, std::optional<Surface>& holder) const;

  PixelFormat format_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::size_t pitch_ = 0;
  std::vector<std::uint8_t> pixels_;
  std::int32_t key_ = kNoColourKey;
  int lock_count_ = 0;
  bool lost_ = false;
};

}  // namespace mavlet
