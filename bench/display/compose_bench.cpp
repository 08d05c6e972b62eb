// Composes a typical scene on a 32-bit screen: background copy, four colour-keyed sprites, one
// masked (anti-aliased) sprite, one alpha-blended sprite and one fill. The bound it is measured
// against, timed in the same run, moves the same rectangles between the same surfaces with plain
// row copies (and a plain row fill): the same memory traffic and cache footprint, no pixel work.
// BM_ComposeOverBound gives the ratio. (A single flat memcpy of as many bytes is no such bound: it
// streams one buffer into another, and glibc switches large copies to non-temporal stores at a
// threshold set from the machine's cache size, so its speed, and any ratio against it, changes
// from one machine to another for reasons that have nothing to do with drawing.)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <ctime>
#include <vector>

#include "bench/display/compose_scene.h"

namespace mavlet {
namespace {

using bench::Scene;

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
  Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    scene.CopyBound();
    benchmark::DoNotOptimize(scene.screen.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Scene::BytesWritten(
                                                        scene.screen.width(), scene.screen.height())));
}
BENCHMARK(BM_MemcpyBound)->Args({640, 480})->Args({1024, 768})->Unit(benchmark::kMicrosecond);

double ThreadMicroseconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

// The ratio: the scene and its bound in turn, each on this thread's CPU clock, so both see the
// same load from other work on the machine and the same cache state (timed one after the other,
// as separate benchmarks, they can land in different minutes of a shared machine).
void BM_ComposeOverBound(benchmark::State& state) {
  Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  double compose = 0, bound = 0;
  for (auto _ : state) {
    const double start = ThreadMicroseconds();
    scene.Compose();
    benchmark::ClobberMemory();
    const double middle = ThreadMicroseconds();
    scene.CopyBound();
    benchmark::ClobberMemory();
    compose += middle - start;
    bound += ThreadMicroseconds() - middle;
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["scene_us"] = compose / n;
  state.counters["bound_us"] = bound / n;
  state.counters["ratio"] = bound > 0 ? compose / bound : 0;
}
BENCHMARK(BM_ComposeOverBound)->Args({640, 480})->Args({1024, 768})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace mavlet

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
