// Composes a typical scene on a 32-bit screen: background copy, four colour-keyed sprites, one
// masked (anti-aliased) sprite, one alpha-blended sprite and one fill. The bound it is measured
// against is memcpy of the same number of bytes as the scene writes, timed in the same run; the
// summary line gives the ratio.
#include <benchmark/benchmark.h>

#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "player/backend/graphics/surface.h"

namespace mavlet {
namespace {

constexpr int kSpriteW = 160, kSpriteH = 240;
constexpr int kMaskW = 240, kMaskH = 320;
constexpr int kAlphaW = 200, kAlphaH = 200;
constexpr int kFillH = 120;

struct Scene {
  Scene(int w, int h)
      : screen(PixelFormat::Xrgb8888(), w, h),
        background(PixelFormat::Xrgb8888(), w, h),
        sprite(PixelFormat::Xrgb8888(), kSpriteW, kSpriteH),
        masked(PixelFormat::Xrgb8888(), kMaskW, kMaskH),
        alpha(PixelFormat::Xrgb8888(), kAlphaW, kAlphaH),
        mask(Bitmap::Indexed8(kMaskW, kMaskH)) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) background.SetRawPixel(x, y, static_cast<std::uint32_t>(x * 7 + y * 13) * 0x010203u);
    // A figure in an ellipse; the corners carry the key colour, as character pictures do.
    for (int y = 0; y < kSpriteH; ++y)
      for (int x = 0; x < kSpriteW; ++x) {
        const double dx = (x - kSpriteW / 2.0) / (kSpriteW / 2.0), dy = (y - kSpriteH / 2.0) / (kSpriteH / 2.0);
        sprite.SetRawPixel(x, y, dx * dx + dy * dy < 1 ? 0x00806040u + static_cast<std::uint32_t>(x) : 0x00FF00FFu);
      }
    sprite.SetColourKey(sprite.RawPixel(0, kSpriteH - 1));
    for (int y = 0; y < kMaskH; ++y)
      for (int x = 0; x < kMaskW; ++x) {
        masked.SetRawPixel(x, y, 0x00402010u + static_cast<std::uint32_t>(y));
        const double dx = (x - kMaskW / 2.0) / (kMaskW / 2.0), dy = (y - kMaskH / 2.0) / (kMaskH / 2.0);
        const double d = dx * dx + dy * dy;
        mask.Row(y)[x] = d < 0.8 ? 0 : d < 1 ? static_cast<std::uint8_t>((d - 0.8) * 1275) : 255;
      }
    alpha.Fill(0x00C0C0FF);
  }

  void Compose() {
    const int w = screen.width(), h = screen.height();
    screen.Copy(0, 0, background, background.bounds(), false);
    for (int i = 0; i < 4; ++i) {
      screen.Copy(20 + i * (w - kSpriteW - 40) / 3, h - kSpriteH - 10, sprite, sprite.bounds(), true);
    }
    screen.MaskedBlend(w / 2 - kMaskW / 2, 20, masked, masked.bounds(), mask);
    screen.Blend(Bounds(w - kAlphaW - 30, 30, kAlphaW, kAlphaH), alpha, alpha.bounds(), 160, false);
    screen.FillRect(Rect{20, h - kFillH - 20, w - 20, h - 20}, screen.DeviceColour(0x302010));
  }

  static std::size_t BytesWritten(int w, int h) {
    return 4u * (static_cast<std::size_t>(w) * h + 4u * kSpriteW * kSpriteH + kMaskW * kMaskH +
                 kAlphaW * kAlphaH + static_cast<std::size_t>(w - 40) * kFillH);
  }

  Surface screen, background, sprite, masked, alpha;
  Bitmap mask;
};

void BM_Compose32(benchmark::State& state) {
  Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    scene.Compose();
    benchmark::DoNotOptimize(scene.screen.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Scene::BytesWritten(
                                                        scene.screen.width(), scene.screen.height())));
}
BENCHMARK(BM_Compose32)->Args({640, 480})->Args({1024, 768})->Unit(benchmark::kMicrosecond);

void BM_MemcpyBound(benchmark::State& state) {
  const std::size_t n = Scene::BytesWritten(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  std::vector<std::uint8_t> from(n, 1), to(n, 0);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), n);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}
BENCHMARK(BM_MemcpyBound)->Args({640, 480})->Args({1024, 768})->Unit(benchmark::kMicrosecond);

// Prints each scene's time against the memcpy bound measured in this run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // Single runs, or the median when repetitions are asked for.
      if (run.run_type != Run::RT_Iteration && run.aggregate_name != "median") continue;
      const std::string name = run.benchmark_name();
      const std::string size = name.substr(name.find('/'));
      // CPU time: the machine is shared, so wall time carries other people's load.
      const double per_iteration = run.GetAdjustedCPUTime();
      if (name.rfind("BM_Compose32", 0) == 0) scene_[size] = per_iteration;
      if (name.rfind("BM_MemcpyBound", 0) == 0) bound_[size] = per_iteration;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [size, t] : scene_) {
      if (!bound_.count(size)) continue;
      std::cout << "scene" << size << ": " << t << " us CPU per frame, memcpy bound " << bound_[size]
                << " us, ratio " << t / bound_[size] << "\n";
    }
  }

 private:
  std::map<std::string, double> scene_, bound_;
};

}  // namespace
}  // namespace mavlet

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  mavlet::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
