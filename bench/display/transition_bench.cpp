// Times every step of every transition kind to its end and prints a table: average and worst
// step in milliseconds at 640 x 480 and 1024 x 768, 32 bits, and at 16 and 24 bits for the kinds
// that work on raw pixels. Step times are the thread's CPU time (each step is one call); cache
// misses caused by other people's work on a shared machine still show, so run it twice.
// usage: bench_transitions [KIND ...]; any --benchmark_* option: a quick run on small screens
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "player/backend/graphics/surface.h"
#include "player/common/int_convert.h"
#include "player/common/random.h"
#include "player/display/transitions/transition_factory.h"

namespace {

using mavlet::PixelFormat;
using mavlet::Surface;

bool PixelKind(int kind) { return (kind >= 18 && kind <= 24) || kind == 26 || kind == 30 || kind == 34; }

// CPU time of this thread: the machine is shared, and wall time would count other people's work
// whenever the scheduler hands the core away in the middle of a step.
double ThreadMilliseconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Result {
  int steps = 0;
  double average_ms = 0;
  double worst_ms = 0;
};

Result Time(int kind, int bits, int w, int h) {
  const PixelFormat format = *PixelFormat::ForDepth(bits);
  Surface screen(format, w, h), front(format, w, h), back(format, w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      screen.SetRawPixel(x, y, screen.DeviceColour((x * 3) ^ (y * 5) ^ 0x203040));
      back.SetRawPixel(x, y, back.DeviceColour((x * 7 + y) * 0x010101 ^ 0x804020));
    }
  }
  mavlet::TRandom random;
  auto t = mavlet::MakeScreenTransition(kind, screen, front, back, random);
  t->SetReverse(false);
  t->SetArea(screen.bounds());
  Result r;
  double total = 0;
  bool more = true;
  while (more && r.steps < 100000) {
    const double start = ThreadMilliseconds();
    more = t->Step();
    const double ms = ThreadMilliseconds() - start;
    total += ms;
    r.worst_ms = std::max(r.worst_ms, ms);
    ++r.steps;
  }
  r.average_ms = total / r.steps;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  // Arguments: kind numbers (2..36) to time, all of them when none is given. A Google Benchmark
  // option (the test script's smoke run passes --benchmark_min_time) times every kind once on a
  // small screen, so the smoke step stays short.
  std::vector<int> kinds;
  bool smoke = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--benchmark", 0) == 0) {
      smoke = true;
      continue;
    }
    const std::optional<std::int32_t> kind = mavlet::ParseDecimalStrict(arg);
    if (!kind || *kind < 2 || *kind > 36) {
      std::fprintf(stderr, "bench_transitions: \"%s\" is not a transition kind (2..36)\n", argv[i]);
      return 2;
    }
    kinds.push_back(*kind);
  }
  if (kinds.empty()) {
    for (int k = 2; k <= 36; ++k) kinds.push_back(k);
  }
  const int small_w = smoke ? 160 : 640, small_h = smoke ? 120 : 480;
  const int large_w = smoke ? 320 : 1024, large_h = smoke ? 240 : 768;
  std::printf("kind bits | %dx%d steps avg worst (ms) | %dx%d steps avg worst (ms)\n", small_w, small_h, large_w,
              large_h);
  for (const int kind : kinds) {
    for (const int bits : {32, 24, 16}) {
      if (bits != 32 && !PixelKind(kind)) continue;
      const Result a = Time(kind, bits, small_w, small_h);
      const Result b = Time(kind, bits, large_w, large_h);
      std::printf("%4d %4d | %5d %6.3f %6.3f | %5d %6.3f %6.3f%s\n", kind, bits, a.steps, a.average_ms, a.worst_ms,
                  b.steps, b.average_ms, b.worst_ms, b.worst_ms > 2.0 ? "  over 2 ms" : "");
      std::fflush(stdout);
    }
  }
  return 0;
}
