#include "player/backend/graphics/png_writer.h"

#include <zlib.h>

#include <fstream>
#include <string>

#include "player/common/error.h"

namespace mavlet {
namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 24));
  out.push_back(static_cast<std::uint8_t>(v >> 16));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

void PutChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& body) {
  PutU32(out, static_cast<std::uint32_t>(body.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
  const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
  PutU32(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const Surface& surface) {
  const std::int32_t w = surface.width(), h = surface.height();
  if (w <= 0 || h <= 0) throw MavError("cannot write an empty surface as PNG");
  // Raw scanlines, each with filter byte 0.
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<std::size_t>(h) * (1 + 3 * static_cast<std::size_t>(w)));
  for (std::int32_t y = 0; y < h; ++y) {
    raw.push_back(0);
    for (std::int32_t x = 0; x < w; ++x) {
      const std::uint32_t rgb = static_cast<std::uint32_t>(surface.format().ToRgb(surface.RawPixel(x, y)));
      raw.push_back(static_cast<std::uint8_t>(rgb));
      raw.push_back(static_cast<std::uint8_t>(rgb >> 8));
      raw.push_back(static_cast<std::uint8_t>(rgb >> 16));
    }
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> packed(packed_size);
  if (compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) {
    throw MavError("PNG compression failed");
  }
  packed.resize(packed_size);

  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> ihdr;
  PutU32(ihdr, static_cast<std::uint32_t>(w));
  PutU32(ihdr, static_cast<std::uint32_t>(h));
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  PutChunk(out, "IHDR", ihdr);
  PutChunk(out, "IDAT", packed);
  PutChunk(out, "IEND", {});
  return out;
}

void WritePng(const Surface& surface, const std::filesystem::path& file) {
  const std::vector<std::uint8_t> png = EncodePng(surface);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  out.close();
  if (!out) throw MavError(file.string() + ": cannot write the PNG file");
}

}  // namespace mavlet
