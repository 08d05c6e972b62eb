// Wave headers come from title data (unpacked .PMW sounds and loose .WAV files).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "player/backend/audio/wave_file.h"
#include "player/common/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const mavlet::WaveInfo info = mavlet::ParseWave(std::span<const std::uint8_t>(data, size), "fuzz.wav");
    // Accepted files must describe data inside the input and a playable format.
    if (info.data_offset + info.data_size > size) std::abort();
    if (info.channels == 0 || info.sample_rate == 0 || info.block_align == 0) std::abort();
    if (info.frames > std::uint64_t{info.data_size} * 2 + 2) std::abort();
    (void)info.DurationMs();
  } catch (const mavlet::MavError&) {
  }
  return 0;
}
