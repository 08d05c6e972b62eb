// Time from a play request to a playing channel for a 10 MB sound inside a large archive.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "player/backend/headless/headless_clock.h"
#include "player/backend/headless/headless_sound.h"
#include "player/media/audio_channels.h"
#include "player/storage/big_file_unit.h"
#include "player/storage/packed_file.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"
#ifdef MAVLET_BENCH_SDL
#include "player/backend/sdl/sdl_sound.h"
#endif

namespace mavlet {
namespace {

using namespace mavlet::testing;

class LooseFiles : public FileServices {
 public:
  explicit LooseFiles(std::filesystem::path temp) : temp_(std::move(temp)) {}
  std::optional<std::filesystem::path> Resolve(const std::filesystem::path& base,
                                               std::string_view title_path) override {
    std::string p(title_path);
    for (char& c : p) {
      if (c == '\\') c = '/';
    }
    if (std::filesystem::exists(base / p)) return base / p;
    return std::nullopt;
  }
  std::vector<std::filesystem::path> DataDiscRoots() override { return {}; }
  std::filesystem::path TempFolder() override { return temp_; }

 private:
  std::filesystem::path temp_;
};

// About 10 MB of 44.1 kHz stereo: a tone with noise, so it packs like recorded sound does.
Bytes TenMegabyteWave() {
  const std::uint32_t frames = 10 * 1024 * 1024 / 4;
  Bytes data;
  data.reserve(frames * 4);
  std::uint32_t seed = 1;
  for (std::uint32_t i = 0; i < frames; ++i) {
    seed = seed * 134775813u + 1;
    const double tone = 8000.0 * std::sin(2.0 * M_PI * 440.0 * i / 44100.0);
    const auto s = static_cast<std::int16_t>(tone + static_cast<int>(seed >> 20) - 2048);
    PutLe16(data, static_cast<std::uint16_t>(s));
    PutLe16(data, static_cast<std::uint16_t>(s));
  }
  return Riff({{"fmt ", PcmFormat(2, 44100, 16)}, {"data", data}});
}

struct Title {
  TempFolder dir{"bench-audio"};
  LooseFiles files{dir.path()};
  Title() {
    std::filesystem::create_directories(dir.path() / "title" / "WAV");
    WriteBigFileUnit(dir.path() / "title" / "WAV" / "Data1.PMW", {{"BIG.PMW", TenMegabyteWave()}});
  }
};

void PlayBig(benchmark::State& state, SoundDevice& device, Clock& clock) {
  Title title;
  MemoryLog log;
  AudioChannels channels(device, clock, log, TitleFiles{title.dir.path() / "title", &title.files}, {});
  channels.SetSoundOn(true);
  AudioChannel& channel = channels.Channel(0);
  channel.SetLoop(true);
  for (auto _ : state) {
    channel.SetFileName("BIG.PMW");
    channel.Play();
    if (!channel.IsPlaying()) state.SkipWithError("not playing");
    state.PauseTiming();
    channel.SetFileName("");
    channel.Play();
    state.ResumeTiming();
  }
  state.counters["index_reads"] = channels.SoundArchive().IndexReads();
}

// The two costs inside a start, apart: reading and unpacking the entry, and writing the wave.
void BM_UnpackEntry(benchmark::State& state) {
  Title title;
  TBigFileUnit archive;
  archive.OpenArchive(title.dir.path() / "title" / "WAV" / "Data1.PMW");
  for (auto _ : state) {
    ByteBuffer entry;
    archive.ReadEntry(0, entry);
    benchmark::DoNotOptimize(UnpackStream(entry, "BIG.PMW"));
  }
}
BENCHMARK(BM_UnpackEntry)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_WriteTempFile(benchmark::State& state) {
  Title title;
  const Bytes wave = TenMegabyteWave();
  const auto file = title.dir.path() / "~mavl0.wav";
  for (auto _ : state) {
    std::FILE* f = std::fopen(file.c_str(), "wb");
    std::fwrite(wave.data(), 1, wave.size(), f);
    std::fclose(f);
  }
}
BENCHMARK(BM_WriteTempFile)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_PlayFromArchiveHeadless(benchmark::State& state) {
  HeadlessClock clock;
  HeadlessSoundDevice device(clock);
  PlayBig(state, device, clock);
}
BENCHMARK(BM_PlayFromArchiveHeadless)->Unit(benchmark::kMillisecond)->Iterations(10);

#ifdef MAVLET_BENCH_SDL
void BM_PlayFromArchiveSdlDummy(benchmark::State& state) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  HeadlessClock clock;
  SdlSoundDevice device;
  PlayBig(state, device, clock);
}
BENCHMARK(BM_PlayFromArchiveSdlDummy)->Unit(benchmark::kMillisecond)->Iterations(10);
#endif

}  // namespace
}  // namespace mavlet
