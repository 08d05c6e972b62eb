// Wall time of each frame timer event of the headless runner while a title starts a large
// archived sound, and while it switches music ten times in ten frames (each request supersedes
// one still unpacking): the worst event is what a player would show as a stalled frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <thread>

#include "player/engine/global_file.h"
#include "player/runner/headless_runner.h"
#include "player/storage/big_file_unit.h"
#include "player/storage/packed_file.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

using namespace mavlet::testing;

// Three minutes of 44.1 kHz stereo (about 30 MB): a tone with noise, so it packs like music.
Bytes MusicWave(std::uint32_t seconds) {
  const std::uint32_t frames = seconds * 44100;
  Bytes data;
  data.reserve(std::size_t{frames} * 4);
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

// A title of one page and one sound archive holding the same music under each entry name.
struct SoundTitle {
  TempFolder dir{"bench-audio-frame"};
  SoundTitle(const std::string& page, const std::vector<std::string>& entries, std::uint32_t seconds) {
    const auto root = dir.path();
    std::filesystem::create_directories(root / "Pmx");
    std::filesystem::create_directories(root / "WAV");
    TGlobalData g;
    g.Title = "bench";
    g.ScreenMode = 3;
    g.StartPage = 1;
    g.NoRegistry = 1;
    WriteGlobalFile(root / "Pmx" / "Global.pmx", g);
    PackToFile(root / "Pmx" / "1.pmx", std::vector<std::uint8_t>(page.begin(), page.end()));
    const Bytes wave = MusicWave(seconds);
    const ByteBuffer bytes(wave.begin(), wave.end());
    std::vector<std::pair<std::string, ByteBuffer>> files;
    for (const std::string& name : entries) files.emplace_back(name, bytes);
    WriteBigFileUnit(root / "WAV" / "Data1.PMW", files);
  }
};

// Three minutes of music started once.
SoundTitle BigSoundTitle() {
  return SoundTitle("SoundOn\nWait ,,300\nWavPlay ,,0,BIG.PMW,1\nWait ,,99999\n", {"BIG.PMW"}, 180);
}

// `switches` archived songs of a minute started one frame apart, then a wait.
SoundTitle SwitchingTitle(int switches) {
  std::string page = "SoundOn\nWait ,,300\n";
  for (int i = 0; i < switches; ++i) page += "WavPlay ,,0,SONG" + std::to_string(i % 2) + ".PMW,1\nWait ,,30\n";
  page += "Wait ,,99999\n";
  return SoundTitle(page, {"SONG0.PMW", "SONG1.PMW"}, 60);
}

// background: unpack on a worker thread as the player does; the runner then sleeps out each
// frame interval in real time, as the player's frame timer would, until the sound plays.
void WorstFrame(benchmark::State& state, bool background) {
  const SoundTitle title = BigSoundTitle();
  double worst_ms = 0;
  double worst_sum = 0;
  int latest_start = 0;
  for (auto _ : state) {
    std::ostringstream out, err;
    RunOptions options;
    options.background_unpack = background;
    HeadlessRunner runner(options, out, err);
    if (!runner.Load(title.dir.path())) state.SkipWithError("title did not load");
    double worst = 0;
    int started = 0;
    for (int e = 1; e <= 200 && started == 0; ++e) {
      const auto t0 = std::chrono::steady_clock::now();
      runner.RunEvent();
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
      worst = std::max(worst, ms);
      AudioChannel* channel = runner.Sys().Sound().Channel(0);
      if (channel->Player() != nullptr && channel->Player()->IsPlaying()) started = e;
      if (background && ms < 30) std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(30 - ms));
    }
    if (started == 0) state.SkipWithError(("the sound did not start: " + err.str()).c_str());
    worst_ms = std::max(worst_ms, worst);
    worst_sum += worst;
    latest_start = std::max(latest_start, started);
  }
  state.counters["worst_frame_ms"] = worst_ms;
  state.counters["mean_worst_frame_ms"] = worst_sum / static_cast<double>(state.iterations());
  // The request comes at event 12 (after "Wait ,,300").
  state.counters["playing_at_event"] = latest_start;
}

void BM_WorstFrameStartingBigArchivedSound(benchmark::State& state) { WorstFrame(state, false); }
BENCHMARK(BM_WorstFrameStartingBigArchivedSound)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WorstFrameStartingBigArchivedSoundInBackground(benchmark::State& state) { WorstFrame(state, true); }
BENCHMARK(BM_WorstFrameStartingBigArchivedSoundInBackground)->Unit(benchmark::kMillisecond)->Iterations(3);

// Ten music switches in ten frames with background unpacking; events are timed from the first
// request until the last song plays. Goal: the worst frame under 4 ms.
void BM_WorstFrameSwitchingMusicTenTimes(benchmark::State& state) {
  constexpr int kSwitches = 10;
  const SoundTitle title = SwitchingTitle(kSwitches);
  double worst_ms = 0;
  for (auto _ : state) {
    std::ostringstream out, err;
    RunOptions options;
    options.background_unpack = true;
    HeadlessRunner runner(options, out, err);
    if (!runner.Load(title.dir.path())) state.SkipWithError("title did not load");
    double worst = 0;
    bool playing = false;
    for (int e = 1; e <= 400 && !playing; ++e) {
      const auto t0 = std::chrono::steady_clock::now();
      runner.RunEvent();
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
      worst = std::max(worst, ms);
      AudioChannel* channel = runner.Sys().Sound().Channel(0);
      playing = e > 11 + 2 * kSwitches && channel->Player() != nullptr && channel->Player()->IsPlaying() &&
                channel->FileName() == "SONG" + std::to_string((kSwitches - 1) % 2) + ".PMW";
      if (ms < 30) std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(30 - ms));
    }
    if (!playing) state.SkipWithError(("the last song did not start: " + err.str()).c_str());
    worst_ms = std::max(worst_ms, worst);
  }
  state.counters["worst_frame_ms"] = worst_ms;
}
BENCHMARK(BM_WorstFrameSwitchingMusicTenTimes)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace mavlet
