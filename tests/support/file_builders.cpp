#include "tests/support/file_builders.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace mavlet::testing {

void PutLe(Bytes& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes ToBytes(std::string_view s) { return Bytes(s.begin(), s.end()); }
std::string ToText(const Bytes& b) { return std::string(b.begin(), b.end()); }

Bytes RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  Bytes b(n);
  for (auto& c : b) c = static_cast<std::uint8_t>(gen());
  return b;
}

namespace {
void WriteRaw(const std::filesystem::path& file, const char* data, std::size_t size) {
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(data, static_cast<std::streamsize>(size));
  if (!out.good()) throw std::runtime_error("cannot write " + file.string());
}
}  // namespace

void WriteFile(const std::filesystem::path& file, const Bytes& bytes) {
  WriteRaw(file, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
void WriteFile(const std::filesystem::path& file, std::string_view text) { WriteRaw(file, text.data(), text.size()); }

Bytes ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes BuildBmp(const BmpSpec& s) {
  Bytes info;
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

  Bytes pixels;
  if (s.compression == 1 || s.compression == 2) {
    pixels = s.rle;
  } else {
    const std::size_t stride = (static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.bits) + 31) / 32 * 4;
    for (int i = 0; i < s.height; ++i) {
      const int y = s.top_down ? i : s.height - 1 - i;
      Bytes row(stride, 0);
      for (int x = 0; x < s.width; ++x) {
        const std::uint32_t v = s.pixel(x, y);
        const auto ux = static_cast<std::size_t>(x);
        switch (s.bits) {
          case 1: row[ux / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8)); break;
          case 4: row[ux / 2] |= static_cast<std::uint8_t>((v & 15) << ((x % 2) ? 0 : 4)); break;
          default:
            for (int b = 0; b < s.bits / 8; ++b) {
              row[ux * static_cast<std::size_t>(s.bits / 8) + static_cast<std::size_t>(b)] =
                  static_cast<std::uint8_t>(v >> (8 * b));
            }
        }
      }
      pixels.insert(pixels.end(), row.begin(), row.end());
    }
  }
  Bytes out = {'B', 'M'};
  const auto offset = static_cast<std::uint32_t>(14 + info.size());
  const auto size = static_cast<std::uint32_t>(offset + pixels.size());
  PutLe(out, s.file_size >= 0 ? static_cast<std::uint32_t>(s.file_size) : size, 4);
  PutLe(out, 0, 4);
  PutLe(out, offset, 4);
  out.insert(out.end(), info.begin(), info.end());
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

Bytes Bmp24(int w, int h, std::function<std::uint32_t(int, int)> fn) {
  BmpSpec s;
  s.width = w;
  s.height = h;
  s.bits = 24;
  s.pixel = std::move(fn);
  return BuildBmp(s);
}

Picture Solid(int w, int h, std::int32_t bgr) {
  return Picture(static_cast<std::size_t>(h), std::vector<std::int32_t>(static_cast<std::size_t>(w), bgr));
}

Bytes Bmp24(const Picture& p) {
  const int h = static_cast<int>(p.size());
  const int w = h ? static_cast<int>(p[0].size()) : 0;
  return Bmp24(w, h, [&p](int x, int y) {
    const auto c = static_cast<std::uint32_t>(p[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  });
}

Bytes Grey8(const std::vector<std::vector<std::uint8_t>>& mask) {
  BmpSpec s;
  s.height = static_cast<int>(mask.size());
  s.width = s.height ? static_cast<int>(mask[0].size()) : 0;
  s.bits = 8;
  for (std::uint32_t i = 0; i < 256; ++i) s.palette.push_back(i * 0x010101);
  s.pixel = [&mask](int x, int y) { return mask[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]; };
  return BuildBmp(s);
}

Bytes Frames(const std::vector<std::pair<bool, Picture>>& frames) {
  std::vector<std::pair<std::uint8_t, Bytes>> encoded;
  for (const auto& [key, pic] : frames) encoded.emplace_back(key ? 1 : 0, Bmp24(pic));
  return Frames(static_cast<std::int32_t>(frames.size()), encoded);
}

Bytes Frames(std::int32_t count, const std::vector<std::pair<std::uint8_t, Bytes>>& frames) {
  Bytes out;
  PutLe(out, static_cast<std::uint32_t>(count), 4);
  for (const auto& [flag, bmp] : frames) {
    out.push_back(flag);
    out.insert(out.end(), bmp.begin(), bmp.end());
  }
  return out;
}

Bytes Riff(const std::vector<Chunk>& chunks) {
  Bytes out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  for (const Chunk& c : chunks) {
    out.insert(out.end(), c.id.begin(), c.id.end());
    PutLe32(out, c.declared_size != 0xFFFFFFFF ? c.declared_size : static_cast<std::uint32_t>(c.body.size()));
    out.insert(out.end(), c.body.begin(), c.body.end());
    if (c.body.size() % 2) out.push_back(0);
  }
  const auto riff = static_cast<std::uint32_t>(out.size() - 8);
  for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(riff >> (8 * i));
  return out;
}

Bytes Format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t block_align,
             std::uint16_t bits) {
  Bytes f;
  PutLe16(f, tag);
  PutLe16(f, channels);
  PutLe32(f, rate);
  PutLe32(f, rate * block_align);
  PutLe16(f, block_align);
  PutLe16(f, bits);
  return f;
}

Bytes PcmFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  return Format(1, channels, rate, static_cast<std::uint16_t>(channels * bits / 8), bits);
}

Bytes MsAdpcmFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t block_align, std::uint16_t per_block,
                    std::uint16_t coefficients) {
  Bytes f = Format(2, channels, rate, block_align, 4);
  PutLe16(f, static_cast<std::uint16_t>(4 + 4 * coefficients));
  PutLe16(f, per_block);
  PutLe16(f, coefficients);
  static const int kCoef[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
  for (int i = 0; i < coefficients; ++i) {
    PutLe16(f, static_cast<std::uint16_t>(kCoef[i % 7][0]));
    PutLe16(f, static_cast<std::uint16_t>(kCoef[i % 7][1]));
  }
  return f;
}

Bytes ImaAdpcmFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t block_align, std::uint16_t per_block) {
  Bytes f = Format(0x11, channels, rate, block_align, 4);
  PutLe16(f, 2);
  PutLe16(f, per_block);
  return f;
}

Bytes SineData(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::uint32_t ms, double hz,
               double amplitude) {
  Bytes out;
  const std::uint64_t frames = std::uint64_t{rate} * ms / 1000;
  for (std::uint64_t i = 0; i < frames; ++i) {
    const double s = amplitude * std::sin(2.0 * M_PI * hz * static_cast<double>(i) / rate);
    for (int c = 0; c < channels; ++c) {
      if (bits == 8) {
        out.push_back(static_cast<std::uint8_t>(128 + std::lround(s * 127)));
      } else {
        PutLe16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(s * 32767))));
      }
    }
  }
  return out;
}

Bytes SineWave(std::uint32_t ms, std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
  return Riff({{"fmt ", PcmFormat(channels, rate, bits)}, {"data", SineData(channels, rate, bits, ms)}});
}

}  // namespace mavlet::testing
