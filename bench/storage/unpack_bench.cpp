// Unpacking packed files against plain zlib inflating the same stream, on a picture-like and a
// scenario-like payload. The mask must cost next to nothing: the goal is unpacking at >= 0.95 of
// the baseline's speed. Ratios are printed after the table.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "player/storage/packed_file.h"

namespace {

using mavlet::ByteBuffer;

// A 640x480 24-bit bitmap that compresses like a title's background picture: a sky gradient,
// flat-shaded shapes, and a band of grainy texture.
ByteBuffer PicturePayload() {
  constexpr int kW = 640, kH = 480;
  ByteBuffer b = {'B', 'M'};
  auto le32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i))); };
  auto le16 = [&](std::uint16_t v) { b.push_back(v & 0xFF); b.push_back(v >> 8); };
  le32(54 + kW * kH * 3); le32(0); le32(54);
  le32(40); le32(kW); le32(kH); le16(1); le16(24); le32(0); le32(kW * kH * 3); le32(2835); le32(2835); le32(0); le32(0);
  std::mt19937 gen(42);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      int r = 40 + y * 150 / kH, g = 80 + y * 120 / kH, bl = 200 - y * 60 / kH;
      const int dx = x - 420, dy = y - 300;
      if (dx * dx + dy * dy < 110 * 110) { r = 230; g = 200 - (dy > 0 ? 30 : 0); bl = 170; }
      if (x > 60 && x < 260 && y > 40 && y < 400) { r = 120; g = 90 + (x / 40) * 6; bl = 60; }
      if (y < 90) {  // grain: the part that does not compress
        const int n = static_cast<int>(gen() % 9) - 4;
        r += n; g += n; bl += n;
      }
      b.push_back(static_cast<std::uint8_t>(std::clamp(bl, 0, 255)));
      b.push_back(static_cast<std::uint8_t>(std::clamp(g, 0, 255)));
      b.push_back(static_cast<std::uint8_t>(std::clamp(r, 0, 255)));
    }
  }
  return b;
}

// About 200 KB of scenario text: commands and Shift-JIS lines of dialogue.
ByteBuffer ScenarioPayload() {
  static const char* const kKana[] = {"\x82\xa0", "\x82\xa2", "\x82\xa4", "\x82\xa9", "\x82\xb3", "\x82\xbd", "\x82\xc8",
                                      "\x82\xcd", "\x82\xdc", "\x82\xe2", "\x82\xe7", "\x82\xf0", "\x82\xf1", "\x83\x5c",
                                      "\x95\x5c", "\x8e\x84", "\x8d\xa1", "\x93\xfa", "\x82\xcc", "\x81\x42", "\x81\x41"};
  std::mt19937 gen(7);
  std::string s;
  int page = 0;
  while (s.size() < 200 * 1024) {
    switch (gen() % 6) {
      case 0: s += "SetSfc 0,,1,bg" + std::to_string(gen() % 40) + ".bmp,0,0\r\n"; break;
      case 1: s += "PlaySound 0,,0,bgm" + std::to_string(gen() % 12) + ".mid,1\r\n"; break;
      case 2: s += "#label" + std::to_string(page++) + "\r\n"; break;
      case 3: s += "Calc 0,,@Flag" + std::to_string(gen() % 30) + ",=,1\r\n"; break;
      default: {
        s += "PutText 0,,";
        const int n = 10 + static_cast<int>(gen() % 40);
        for (int i = 0; i < n; ++i) s += kKana[gen() % std::size(kKana)];
        s += "\r\n";
      }
    }
  }
  return ByteBuffer(s.begin(), s.end());
}

struct Stream {
  ByteBuffer masked;  // as stored on disk
  ByteBuffer plain;   // the same zlib stream without the mask
  std::size_t payload_size = 0;
};

Stream MakeStream(const ByteBuffer& payload) {
  Stream s;
  s.masked = mavlet::PackBuffer(payload);
  s.plain = s.masked;
  mavlet::ApplyMask(s.plain);
  s.payload_size = payload.size();
  return s;
}

const Stream& Picture() {
  static const Stream s = MakeStream(PicturePayload());
  return s;
}
const Stream& Scenario() {
  static const Stream s = MakeStream(ScenarioPayload());
  return s;
}

// Baseline: zlib inflating the unmasked stream in one call into a buffer of the exact size,
// allocated once: the least work plain zlib can do.
void ZlibInflate(benchmark::State& state, const Stream& (*stream)()) {
  const Stream& s = stream();
  ByteBuffer out(s.payload_size);
  for (auto _ : state) {
    uLongf size = static_cast<uLongf>(out.size());
    if (uncompress(out.data(), &size, s.plain.data(), static_cast<uLong>(s.plain.size())) != Z_OK) {
      state.SkipWithError("zlib failed");
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.payload_size));
  state.counters["packed_bytes"] = static_cast<double>(s.plain.size());
}

// What the player does: unmask in place and inflate into a fresh buffer.
void Unpack(benchmark::State& state, const Stream& (*stream)()) {
  const Stream& s = stream();
  ByteBuffer work = s.masked;
  for (auto _ : state) {
    ByteBuffer out = mavlet::UnpackStream(work);
    benchmark::DoNotOptimize(out.data());
    state.PauseTiming();
    work = s.masked;  // UnpackStream consumed the mask
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.payload_size));
}

// The zlib streaming path alone (used for very large payloads and damaged streams).
void UnpackZlibPath(benchmark::State& state, const Stream& (*stream)()) {
  const Stream& s = stream();
  ByteBuffer work = s.masked;
  for (auto _ : state) {
    mavlet::ApplyMask(work);
    ByteBuffer out = mavlet::InflateZlibStream(work, "bench");
    benchmark::DoNotOptimize(out.data());
    mavlet::ApplyMask(work);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.payload_size));
}

void Mask(benchmark::State& state) {
  ByteBuffer b = Picture().masked;
  for (auto _ : state) {
    mavlet::ApplyMask(b);
    benchmark::DoNotOptimize(b.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * b.size()));
}

BENCHMARK_CAPTURE(ZlibInflate, picture, Picture)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Unpack, picture, Picture)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(UnpackZlibPath, picture, Picture)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ZlibInflate, scenario, Scenario)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Unpack, scenario, Scenario)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(UnpackZlibPath, scenario, Scenario)->Unit(benchmark::kMicrosecond);
BENCHMARK(Mask)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's CPU time (steadier than wall time on a shared machine) and prints speed ratios against the zlib baseline at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (!r.error_occurred && r.run_type == Run::RT_Iteration) times_[r.benchmark_name()] = r.GetAdjustedCPUTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const char* payload : {"picture", "scenario"}) {
      const std::string base = std::string("ZlibInflate/") + payload;
      if (!times_.count(base)) continue;
      for (const char* kind : {"Unpack/", "UnpackZlibPath/"}) {
        const std::string name = kind + std::string(payload);
        if (!times_.count(name)) continue;
        std::printf("speed ratio %-24s vs %-22s %.3f%s\n", name.c_str(), base.c_str(), times_[base] / times_[name],
                    std::string(kind) == "Unpack/" ? "  (goal >= 0.95)" : "");
      }
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
