#pragma once
// Small RIFF WAVE files made in code for the sound tests: sine waves and hand-built headers.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace mavlet::testing {

using Bytes = std::vector<std::uint8_t>;

inline void PutLe16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void PutLe32(Bytes& out, std::uint32_t v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

struct Chunk {
  std::string id;  // four characters
  Bytes body;
  std::uint32_t declared_size = 0xFFFFFFFF;  // written instead of the body size when set
};

inline Bytes Riff(const std::vector<Chunk>& chunks) {
  Bytes out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  for (const Chunk& c : chunks) {
    out.insert(out.end(), c.id.begin(), c.id.end());
    PutLe32(out, c.declared_size != 0xFFFFFFFF ? c.declared_size : static_cast<std::uint32_t>(c.body.size()));
    out.insert(out.end(), c.body.begin(), c.body.end());
    if (c.body.size() % 2) out.push_back(0);
  }
  const std::uint32_t riff = static_cast<std::uint32_t>(out.size() - 8);
  std::memcpy(&out[4], &riff, 4);  // little-endian hosts only, like the rest of the tests
  return out;
}

inline Bytes Format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t block_align,
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

inline Bytes PcmFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  return Format(1, channels, rate, static_cast<std::uint16_t>(channels * bits / 8), bits);
}

inline Bytes MsAdpcmFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t block_align,
                           std::uint16_t per_block, std::uint16_t coefficients = 7) {
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

inline Bytes ImaAdpcmFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t block_align,
                            std::uint16_t per_block) {
  Bytes f = Format(0x11, channels, rate, block_align, 4);
  PutLe16(f, 2);
  PutLe16(f, per_block);
  return f;
}

// Interleaved sine samples, all channels alike.
inline Bytes SineData(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::uint32_t ms,
                      double hz = 440.0, double amplitude = 0.5) {
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

// A playable 16-bit PCM sine wave of the given length.
inline Bytes SineWave(std::uint32_t ms, std::uint32_t rate = 22050, std::uint16_t channels = 1,
                      std::uint16_t bits = 16) {
  return Riff({{"fmt ", PcmFormat(channels, rate, bits)}, {"data", SineData(channels, rate, bits, ms)}});
}

inline void WriteFile(const std::filesystem::path& file, const Bytes& bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder below the system temporary folder, removed with the object.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag) {
    path_ = std::filesystem::temp_directory_path() /
            ("mavlet-" + tag + "-" + std::to_string(::getpid()) + "-" +
             std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace mavlet::testing
