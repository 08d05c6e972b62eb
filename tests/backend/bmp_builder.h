#pragma once
// Builds small BMP files in memory for the picture tests.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace mavlet::testing {

struct BmpSpec {
  int width = 1;
  int height = 1;
  int bits = 24;
  std::uint32_t compression = 0;  // 0 RGB, 1 RLE8, 2 RLE4, 3 BITFIELDS
  std::uint32_t header_size = 40;
  bool top_down = false;
  std::vector<std::uint32_t> palette;          // 0x00RRGGBB
  std::array<std::uint32_t, 3> masks{};        // red, green, blue; written when compression 3
  std::function<std::uint32_t(int, int)> pixel;  // palette index or raw pixel value at (x, y)
  std::vector<std::uint8_t> rle;               // encoded pixel data for compression 1 and 2
  std::int64_t file_size = -1;                 // overrides the header's size field
};

inline void PutLe(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline std::vector<std::uint8_t> BuildBmp(const BmpSpec& s) {
  std::vector<std::uint8_t> info;
  const bool core = s.header_size == 12;
  if (core) {
    PutLe(info, 12, 4);
    PutLe(info, static_cast<std::uint32_t>(s.width), 2);
    PutLe(info, static_cast<std::uint32_t>(s.height), 2);
    PutLe(info, 1, 2);
    PutLe(info, static_cast<std::uint32_t>(s.bits), 2);
  } else {
    PutLe(info, s.header_size, 4);
    PutLe(info, static_cast<std::uint32_t>(s.width), 4);
    PutLe(info, static_cast<std::uint32_t>(s.top_down ? -s.height : s.height), 4);
    PutLe(info, 1, 2);
    PutLe(info, static_cast<std::uint32_t>(s.bits), 2);
    PutLe(info, s.compression, 4);
    PutLe(info, 0, 4);  // image size
    PutLe(info, 2835, 4);
    PutLe(info, 2835, 4);
    PutLe(info, static_cast<std::uint32_t>(s.palette.size()), 4);
    PutLe(info, 0, 4);
    if (s.header_size >= 52) {
      for (std::uint32_t m : s.masks) PutLe(info, m, 4);
    }
    info.resize(s.header_size, 0);
  }
  if (s.compression == 3 && s.header_size == 40) {
    for (std::uint32_t m : s.masks) PutLe(info, m, 4);
  }
  for (std::uint32_t c : s.palette) PutLe(info, c, core ? 3 : 4);

  std::vector<std::uint8_t> pixels;
  if (s.compression == 1 || s.compression == 2) {
    pixels = s.rle;
  } else {
    const std::size_t stride = (static_cast<std::size_t>(s.width) * s.bits + 31) / 32 * 4;
    for (int i = 0; i < s.height; ++i) {
      const int y = s.top_down ? i : s.height - 1 - i;
      std::vector<std::uint8_t> row(stride, 0);
      for (int x = 0; x < s.width; ++x) {
        const std::uint32_t v = s.pixel(x, y);
        switch (s.bits) {
          case 1: row[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8)); break;
          case 4: row[x / 2] |= static_cast<std::uint8_t>((v & 15) << ((x % 2) ? 0 : 4)); break;
          default:
            for (int b = 0; b < s.bits / 8; ++b) row[x * (s.bits / 8) + b] = static_cast<std::uint8_t>(v >> (8 * b));
        }
      }
      pixels.insert(pixels.end(), row.begin(), row.end());
    }
  }
  std::vector<std::uint8_t> out = {'B', 'M'};
  const std::uint32_t offset = static_cast<std::uint32_t>(14 + info.size());
  const std::uint32_t size = static_cast<std::uint32_t>(offset + pixels.size());
  PutLe(out, s.file_size >= 0 ? static_cast<std::uint32_t>(s.file_size) : size, 4);
  PutLe(out, 0, 4);
  PutLe(out, offset, 4);
  out.insert(out.end(), info.begin(), info.end());
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

// A 24-bit picture whose pixel (x, y) has the colour fn(x, y) (0x00RRGGBB).
inline std::vector<std::uint8_t> Bmp24(int w, int h, std::function<std::uint32_t(int, int)> fn) {
  BmpSpec s;
  s.width = w;
  s.height = h;
  s.bits = 24;
  s.pixel = std::move(fn);
  return BuildBmp(s);
}

}  // namespace mavlet::testing
