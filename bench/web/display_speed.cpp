// The display code's speed in a plain timing loop, built twice from this one source: natively and
// with em++ for the browser (run there through display_speed.html). bench/web/run_bench.py runs
// both in the same minute and prints the browser's figures as ratios of the native ones.
// Figures, one "name value" line each on standard output:
//   compose_us        one compose of the typical scene at 640x480, 32 bits (best of 7 rounds)
//   bound_us          the scene's bound (the same rectangles row-copied), for scale
//   transition_<kind> the slowest step of that transition kind at 640x480, 32 bits, in ms: each
//                     step's time is its best over three runs of the whole transition (after one
//                     untimed run), so one preempted step does not count as slow
//   slowest_kind      the kind whose slowest step is slowest, and that step's ms
// Timing is wall time on steady_clock (the browser gives a page no thread CPU clock); the
// browser rounds it to 5-100 microseconds, which the rounds of 50 composes absorb. Each figure is
// taken after untimed warm-up work: the browser first runs WebAssembly through a quick baseline
// compiler and swaps in optimised code only once a function has run for a while, and the
// figures are about the code a title runs for minutes, not its first second.
// usage: bench_display_speed [--quick]  (--quick, or any --benchmark_* option as the test
// command's smoke step passes: fewer rounds and kinds)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "bench/display/compose_scene.h"
#include "player/backend/graphics/surface.h"
#include "player/common/random.h"
#include "player/display/transitions/transition_factory.h"

namespace {

using mavlet::PixelFormat;
using mavlet::Surface;

constexpr int kWidth = 640, kHeight = 480;

double NowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Keeps the compiler from dropping a compose whose result nobody reads.
volatile std::uint32_t sink = 0;

template <typename F>
double BestRoundUs(int rounds, int per_round, F&& work) {
  double best = std::numeric_limits<double>::infinity();
  for (int r = 0; r < rounds; ++r) {
    const double start = NowMs();
    for (int i = 0; i < per_round; ++i) work();
    best = std::min(best, (NowMs() - start) * 1000.0 / per_round);
  }
  return best;
}

// The slowest step of one transition kind, each step timed at its best over `runs` runs.
double SlowestStepMs(int kind, int runs) {
  const PixelFormat format = PixelFormat::Xrgb8888();
  std::vector<double> best;
  for (int run = -1; run < runs; ++run) {
    Surface screen(format, kWidth, kHeight), front(format, kWidth, kHeight), back(format, kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        screen.SetRawPixel(x, y, screen.DeviceColour(((x * 3) ^ (y * 5) ^ 0x203040) & 0xFFFFFF));
        back.SetRawPixel(x, y, back.DeviceColour(((x * 7 + y) * 0x010101 ^ 0x804020) & 0xFFFFFF));
      }
    }
    mavlet::TRandom random;
    auto t = mavlet::MakeScreenTransition(kind, screen, front, back, random);
    t->SetReverse(false);
    t->SetArea(screen.bounds());
    bool more = true;
    for (std::size_t step = 0; more && step < 100000; ++step) {
      const double start = NowMs();
      more = t->Step();
      const double ms = NowMs() - start;
      if (run < 0) continue;
      if (step >= best.size()) best.push_back(ms);
      best[step] = std::min(best[step], ms);
    }
    sink = sink + screen.RawPixel(kWidth / 2, kHeight / 2);
  }
  return best.empty() ? 0 : *std::max_element(best.begin(), best.end());
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick =
      argc > 1 && (std::strcmp(argv[1], "--quick") == 0 || std::strncmp(argv[1], "--benchmark", 11) == 0);
  mavlet::bench::Scene scene(kWidth, kHeight);
  const int rounds = quick ? 2 : 7, per_round = quick ? 5 : 50;
  const double warm_until = NowMs() + (quick ? 50 : 500);
  while (NowMs() < warm_until) {
    scene.Compose();
    scene.CopyBound();
  }
  const double compose = BestRoundUs(rounds, per_round, [&] {
    scene.Compose();
    sink = sink + scene.screen.RawPixel(kWidth / 2, kHeight / 2);
  });
  const double bound = BestRoundUs(rounds, per_round, [&] {
    scene.CopyBound();
    sink = sink + scene.screen.RawPixel(kWidth / 2, kHeight / 2);
  });
  std::printf("compose_us %.2f\nbound_us %.2f\n", compose, bound);
  int slowest = 0;
  double slowest_ms = -1;
  for (int kind = 2; kind <= 36; kind += quick ? 11 : 1) {
    const double ms = SlowestStepMs(kind, quick ? 1 : 3);
    std::printf("transition_%d %.3f\n", kind, ms);
    std::fflush(stdout);
    if (ms > slowest_ms) {
      slowest_ms = ms;
      slowest = kind;
    }
  }
  std::printf("slowest_kind %d %.3f\n", slowest, slowest_ms);
  return 0;
}
