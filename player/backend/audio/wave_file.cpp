#include "player/backend/audio/wave_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "player/common/error.h"

namespace mavlet {
namespace {

// Reads up to out.size() bytes at an offset; returns how many were read.
using ReadAt = std::function<std::size_t(std::uint64_t offset, std::span<std::uint8_t> out)>;

constexpr std::uint16_t kExtensible = 0xFFFE;
constexpr std::uint32_t kMaxSampleRate = 1'000'000;
// Longest format chunk we look at: MS ADPCM with 7 coefficients needs 50 bytes.
constexpr std::size_t kMaxFormatBytes = 4096;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

[[noreturn]] void Refuse(std::string_view name, std::string_view problem) {
  std::string message(name);
  message += ": ";
  message += problem;
  throw MavError(message);
}

// The GUID tail shared by the KSDATAFORMAT_SUBTYPE_* values; PCM has 0x0001 in front.
constexpr std::array<std::uint8_t, 14> kSubtypeTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                       0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

void CheckFormat(const std::vector<std::uint8_t>& fmt, WaveInfo& info, std::string_view name) {
  std::uint16_t tag = Le16(&fmt[0]);
  info.channels = Le16(&fmt[2]);
  info.sample_rate = Le32(&fmt[4]);
  info.block_align = Le16(&fmt[12]);
  info.bits_per_sample = Le16(&fmt[14]);
  const std::uint16_t extra = fmt.size() >= 18 ? Le16(&fmt[16]) : 0;

  if (tag == kExtensible) {
    if (fmt.size() < 40 || extra < 22) Refuse(name, "extensible format chunk is too short");
    if (Le16(&fmt[24]) != 0x0001 ||
        !std::equal(kSubtypeTail.begin(), kSubtypeTail.end(), fmt.begin() + 26)) {
      Refuse(name, "unsupported extensible wave format (only PCM is played)");
    }
    tag = 0x0001;
  }
  if (info.channels == 0) Refuse(name, "the format has no channels");
  if (info.sample_rate == 0 || info.sample_rate > kMaxSampleRate) {
    Refuse(name, "unsupported sample rate " + std::to_string(info.sample_rate));
  }
  if (info.block_align == 0) Refuse(name, "the format has a block size of 0");
  const unsigned ch = info.channels;

  switch (tag) {
    case 0x0001: {
      info.encoding = WaveEncoding::kPcm;
      if (info.bits_per_sample != 8 && info.bits_per_sample != 16) {
        Refuse(name, "unsupported PCM sample size of " + std::to_string(info.bits_per_sample) + " bits");
      }
      if (ch > 8) Refuse(name, "unsupported channel count " + std::to_string(ch));
      if (info.block_align < ch * info.bits_per_sample / 8) {
        Refuse(name, "block size " + std::to_string(info.block_align) + " is too small for the format");
      }
      info.samples_per_block = 1;
      return;
    }
    case 0x0002: {
      info.encoding = WaveEncoding::kMsAdpcm;
      if (info.bits_per_sample != 4) Refuse(name, "MS ADPCM needs 4 bits per sample");
      if (ch > 2) Refuse(name, "MS ADPCM with more than 2 channels is not supported");
      if (fmt.size() < 22 || extra < 4) Refuse(name, "MS ADPCM format chunk is too short");
      const unsigned coefficients = Le16(&fmt[20]);
      if (coefficients < 7 || coefficients > 256) {
        Refuse(name, "MS ADPCM needs 7 to 256 coefficient pairs");
      }
      if (fmt.size() < 22 + 4 * std::size_t{coefficients}) {
        Refuse(name, "MS ADPCM coefficient table runs past the format chunk");
      }
      if (info.block_align < 7 * ch) Refuse(name, "MS ADPCM block size is too small");
      const unsigned most = (info.block_align - 7 * ch) * 2 / ch + 2;
      unsigned per_block = Le16(&fmt[18]);
      if (per_block == 0) per_block = most;
      if (per_block < 2 || per_block > most) Refuse(name, "MS ADPCM samples per block do not fit the block size");
      info.samples_per_block = static_cast<std::uint16_t>(per_block);
      return;
    }
    case 0x0011: {
      info.encoding = WaveEncoding::kImaAdpcm;
      if (info.bits_per_sample != 4) Refuse(name, "IMA ADPCM needs 4 bits per sample");
      if (ch > 2) Refuse(name, "IMA ADPCM with more than 2 channels is not supported");
      if (info.block_align < 4 * ch || (info.block_align - 4 * ch) % (4 * ch) != 0) {
        Refuse(name, "IMA ADPCM block size does not fit the channel count");
      }
      const unsigned most = (info.block_align - 4 * ch) * 8 / (4 * ch) + 1;
      unsigned per_block = fmt.size() >= 20 && extra >= 2 ? Le16(&fmt[18]) : 0;
      if (per_block == 0) per_block = most;
      if (per_block > most) Refuse(name, "IMA ADPCM samples per block do not fit the block size");
      info.samples_per_block = static_cast<std::uint16_t>(per_block);
      return;
    }
    default: {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%04X", tag);
      Refuse(name, std::string("unsupported wave encoding ") + hex +
                       " (PCM, MS ADPCM and IMA ADPCM are played)");
    }
  }
}

// Frames in the data, counting a final short block as far as it goes.
std::uint64_t CountFrames(const WaveInfo& info) {
  const std::uint64_t full = info.data_size / info.block_align;
  const std::uint64_t rest = info.data_size % info.block_align;
  const std::uint64_t ch = info.channels;
  std::uint64_t partial = 0;
  switch (info.encoding) {
    case WaveEncoding::kPcm:
      return full;
    case WaveEncoding::kMsAdpcm:
      if (rest >= 7 * ch) partial = 2 + (rest - 7 * ch) * 2 / ch;
      break;
    case WaveEncoding::kImaAdpcm:
      if (rest >= 4 * ch) partial = 1 + (rest - 4 * ch) / (4 * ch) * 8;
      break;
  }
  return full * info.samples_per_block + std::min<std::uint64_t>(partial, info.samples_per_block);
}

WaveInfo Parse(const ReadAt& read, std::uint64_t total, std::string_view name) {
  std::uint8_t head[12];
  if (total < 12 || read(0, head) < 12) Refuse(name, "too short to be a wave file");
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) {
    Refuse(name, "not a RIFF WAVE file");
  }
  // The RIFF size is often wrong in the wild; the chunks are walked to the end of the file.
  WaveInfo info;
  std::vector<std::uint8_t> fmt;
  bool have_data = false;
  std::optional<std::uint32_t> fact_frames;
  std::uint64_t pos = 12;
  while (pos + 8 <= total) {
    std::uint8_t chunk[8];
    if (read(pos, chunk) < 8) break;
    const std::uint32_t size = Le32(chunk + 4);
    const std::uint64_t body = pos + 8;
    const std::uint64_t available = total - body;
    if (std::memcmp(chunk, "fmt ", 4) == 0 && fmt.empty()) {
      if (size < 16) Refuse(name, "format chunk is too short");
      if (size > available) Refuse(name, "format chunk runs past the end of the file");
      fmt.resize(std::min<std::size_t>(size, kMaxFormatBytes));
      if (read(body, fmt) < fmt.size()) Refuse(name, "cannot read the format chunk");
    } else if (std::memcmp(chunk, "fact", 4) == 0 && size >= 4 && available >= 4) {
      std::uint8_t value[4];
      if (read(body, value) == 4) fact_frames = Le32(value);
    } else if (std::memcmp(chunk, "data", 4) == 0 && !have_data) {
      have_data = true;
      info.data_offset = body;
      // A truncated file plays what it holds.
      info.data_size = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, available));
    }
    pos = body + size + (size & 1u);
  }
  if (fmt.empty()) Refuse(name, "no format chunk");
  if (!have_data) Refuse(name, "no data chunk");
  CheckFormat(fmt, info, name);
  info.frames = CountFrames(info);
  if (fact_frames && info.encoding != WaveEncoding::kPcm) {
    info.frames = std::min<std::uint64_t>(info.frames, *fact_frames);
  }
  return info;
}

}  // namespace

WaveInfo ParseWave(std::span<const std::uint8_t> bytes, std::string_view name) {
  ReadAt read = [bytes](std::uint64_t offset, std::span<std::uint8_t> out) -> std::size_t {
    if (offset >= bytes.size()) return 0;
    const std::size_t n = std::min<std::uint64_t>(out.size(), bytes.size() - offset);
    std::memcpy(out.data(), bytes.data() + offset, n);
    return n;
  };
  return Parse(read, bytes.size(), name);
}

WaveInfo ReadWaveInfo(const std::filesystem::path& file) {
  const std::string name = file.string();
  std::ifstream in(file, std::ios::binary);
  if (!in) Refuse(name, "cannot open the sound file");
  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  if (end < 0) Refuse(name, "cannot read the sound file");
  ReadAt read = [&in](std::uint64_t offset, std::span<std::uint8_t> out) -> std::size_t {
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<std::size_t>(in.gcount());
  };
  return Parse(read, static_cast<std::uint64_t>(end), name);
}

}  // namespace mavlet
