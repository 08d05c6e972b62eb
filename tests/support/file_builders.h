#pragma once
// Files made in code for the tests: bytes to and from disk, BMP pictures (any depth, RLE,
// bit fields, core headers, multi-frame payloads) and RIFF WAVE sounds (PCM sines, ADPCM
// headers, hand-built chunks). Writes create the folders they need; a failed write throws
// std::runtime_error.
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mavlet::testing {

using Bytes = std::vector<std::uint8_t>;

// Little-endian v in `bytes` bytes.
void PutLe(Bytes& out, std::uint32_t v, int bytes);
inline void PutLe16(Bytes& out, std::uint32_t v) { PutLe(out, v, 2); }
inline void PutLe32(Bytes& out, std::uint32_t v) { PutLe(out, v, 4); }

Bytes ToBytes(std::string_view s);
std::string ToText(const Bytes& b);
Bytes RandomBytes(std::size_t n, unsigned seed);

void WriteFile(const std::filesystem::path& file, const Bytes& bytes);
void WriteFile(const std::filesystem::path& file, std::string_view text);
Bytes ReadFile(const std::filesystem::path& file);
std::string ReadText(const std::filesystem::path& file);

// ---- BMP ----

struct BmpSpec {
  int width = 1;
  int height = 1;
  int bits = 24;
  std::uint32_t compression = 0;  // 0 RGB, 1 RLE8, 2 RLE4, 3 BITFIELDS
  std::uint32_t header_size = 40;
  bool top_down = false;
  std::vector<std::uint32_t> palette;            // 0x00RRGGBB
  std::array<std::uint32_t, 3> masks{};          // red, green, blue; written when compression 3
  std::function<std::uint32_t(int, int)> pixel;  // palette index or raw pixel value at (x, y)
  Bytes rle;                                     // encoded pixel data for compression 1 and 2
  std::int64_t file_size = -1;                   // overrides the header's size field
};

Bytes BuildBmp(const BmpSpec& s);

// A 24-bit picture whose pixel (x, y) has the colour fn(x, y) (0x00RRGGBB).
Bytes Bmp24(int w, int h, std::function<std::uint32_t(int, int)> fn);

// Colours as the title's scripts write them: 0x00BBGGRR.
inline constexpr std::int32_t kRed = 0x0000FF;
inline constexpr std::int32_t kGreen = 0x00FF00;
inline constexpr std::int32_t kBlue = 0xFF0000;
inline constexpr std::int32_t kWhiteRgb = 0xFFFFFF;
inline constexpr std::int32_t kBlack = 0x000000;

// Rows top-down of 0x00BBGGRR colours.
using Picture = std::vector<std::vector<std::int32_t>>;
Picture Solid(int w, int h, std::int32_t bgr);
// A 24-bit BMP of the picture.
Bytes Bmp24(const Picture& p);
// An 8-bit BMP with the grey palette: the anti-alias mask format.
Bytes Grey8(const std::vector<std::vector<std::uint8_t>>& mask);
// The payload of a multi-frame picture file: count, then per frame the key flag and a BMP.
Bytes Frames(const std::vector<std::pair<bool, Picture>>& frames);
Bytes Frames(std::int32_t count, const std::vector<std::pair<std::uint8_t, Bytes>>& frames);

// ---- RIFF WAVE ----

struct Chunk {
  std::string id;  // four characters
  Bytes body;
  std::uint32_t declared_size = 0xFFFFFFFF;  // written instead of the body size when set
};

Bytes Riff(const std::vector<Chunk>& chunks);
Bytes Format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t block_align,
             std::uint16_t bits);
Bytes PcmFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);
Bytes MsAdpcmFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t block_align, std::uint16_t per_block,
                    std::uint16_t coefficients = 7);
Bytes ImaAdpcmFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t block_align, std::uint16_t per_block);
// Interleaved sine samples (8 or 16 bits), all channels alike.
Bytes SineData(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::uint32_t ms, double hz = 440.0,
               double amplitude = 0.5);
// A playable PCM sine wave of the given length.
Bytes SineWave(std::uint32_t ms, std::uint32_t rate = 22050, std::uint16_t channels = 1, std::uint16_t bits = 16);

}  // namespace mavlet::testing
