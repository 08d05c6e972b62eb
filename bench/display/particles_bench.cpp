// 200 particles stepped and drawn on a 1024x768 screen, 32 bits: one frame's work of the
// particle effects (erase, move, draw of every particle) for each kind. The cells come from a
// four-frame 16x16 picture with a colour key, as sparkles are made.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "player/backend/display.h"
#include "player/backend/posix/posix_file_services.h"
#include "player/common/random.h"
#include "player/display/particles/sp_effect_manager.h"
#include "player/storage/packed_file.h"
#include "tools/mavtool/kit/picture_codec.h"

namespace mavlet {
namespace {

constexpr int kParticles = 200;
constexpr std::int32_t kCell = 16;

class Host : public ParticleServices {
 public:
  Host() : base_(std::filesystem::temp_directory_path() / ("mavlet-bench-particles-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(base_ / "PMP");
    ByteBuffer file = {4, 0, 0, 0};
    for (int c = 0; c < 4; ++c) {
      Bitmap cell = Bitmap::Rgb24(kCell, kCell);
      for (int y = 0; y < kCell; ++y)
        for (int x = 0; x < kCell; ++x) {
          std::uint8_t* p = cell.Row(y) + x * 3;
          const int d = std::abs(x - kCell / 2) + std::abs(y - kCell / 2);
          p[0] = static_cast<std::uint8_t>(d < 4 + c ? 255 - d * 20 : 0);
          p[1] = p[0];
          p[2] = static_cast<std::uint8_t>(d < 4 + c ? 255 : 0);
        }
      file.push_back(1);
      const ByteBuffer bmp = mavtool::EncodeBmp(cell);
      file.insert(file.end(), bmp.begin(), bmp.end());
    }
    PackToFile(base_ / "PMP" / "spark.fr", file);
    display.SetSize(1024, 768);
    display.SetBitCount(32);
    display.Initialize();
  }
  ~Host() override {
    std::error_code ec;
    std::filesystem::remove_all(base_, ec);
  }
  Display* GetDisplay() const override { return &display; }
  Point MousePos() override { return {512, 384}; }
  TRandom& Random() override { return random_; }
  FileServices* Files() override { return &files_; }
  std::filesystem::path BasePath() override { return base_; }

  mutable Display display;

 private:
  std::filesystem::path base_;
  TRandom random_;
  PosixFileServices files_;
};

// A manager whose particles of `type` are spread over the screen, spawning no more.
std::unique_ptr<TSpEffectManager> Populate(Host& host, std::int32_t type) {
  auto m = std::make_unique<TSpEffectManager>(host);
  m->SetParams(type, -kParticles, 2, 0, 0, "spark.fr", 2);
  m->Step();
  m->SetParams(type, 1 << 30, 2, 0, 0, "spark.fr", 2);
  return m;
}

void BM_ParticleStep(benchmark::State& state) {
  const auto type = static_cast<std::int32_t>(state.range(0));
  Host host;
  std::unique_ptr<TSpEffectManager> m = Populate(host, type);
  std::size_t alive = 0;
  for (auto _ : state) {
    if (m->Count() < kParticles * 9 / 10) {
      state.PauseTiming();
      m = Populate(host, type);
      state.ResumeTiming();
    }
    m->Step();
    alive += m->Count();
  }
  // Particles alive in an average step.
  state.counters["particles"] = benchmark::Counter(static_cast<double>(alive), benchmark::Counter::kAvgIterations);
  static const char* const kNames[] = {"", "", "fluff", "star", "volute", "rain", "hard rain", "snow", "snow up"};
  state.SetLabel(kNames[type]);
}

BENCHMARK(BM_ParticleStep)->DenseRange(kSpFluff, kSpSnowUp)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace mavlet
