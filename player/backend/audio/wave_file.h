#pragma once
// RIFF WAVE headers: what both sound back ends accept and how long a file plays.
// Accepted encodings: PCM with 8 or 16 bits, Microsoft ADPCM and IMA ADPCM.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

namespace mavlet {

enum class WaveEncoding : std::uint16_t {
  kPcm = 0x0001,
  kMsAdpcm = 0x0002,
  kImaAdpcm = 0x0011,
};

struct WaveInfo {
  WaveEncoding encoding = WaveEncoding::kPcm;
  std::uint16_t channels = 0;
  std::uint32_t sample_rate = 0;
  std::uint16_t block_align = 0;
  std::uint16_t bits_per_sample = 0;
  std::uint16_t samples_per_block = 1;  // frames per block; 1 for PCM
  std::uint64_t data_offset = 0;        // first byte of the sample data in the file
  std::uint32_t data_size = 0;          // bytes of sample data present in the file
  std::uint64_t frames = 0;             // sample frames that play

  // Play length in whole milliseconds (rounded down).
  std::uint64_t DurationMs() const { return sample_rate ? frames * 1000 / sample_rate : 0; }
};

// Validates a whole wave file held in memory. `name` is used in error messages.
// Throws MavError ("<name>: <problem>") when the file is not a wave file the player can play.
WaveInfo ParseWave(std::span<const std::uint8_t> bytes, std::string_view name);

// The same for a file on disk; only the chunk headers and the format chunk are read.
// Throws MavError naming the file when it cannot be read or is refused.
WaveInfo ReadWaveInfo(const std::filesystem::path& file);

}  // namespace mavlet
