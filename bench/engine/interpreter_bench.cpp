// Interpreter throughput: a non-stop page of Calc, Label and Jump over declared variables,
// run to its end in one logic step. Reports commands per second.
#include <benchmark/benchmark.h>

#include <atomic>
#include <filesystem>
#include <sstream>

#include "bench/bench_title.h"
#include "player/engine/book_manager.h"
#include "player/runner/headless_runner.h"

namespace {

constexpr int kLoops = 100000;

mavlet::bench::BenchTitle MakeTitle() {
  const std::string page =
      "NonStop=1\n"
      "Calc ,,I = 0\n"
      "Label ,,top\n"
      "Calc ,,A = I * 3\n"
      "Calc ,,B = A & 255\n"
      "Calc ,,C = B + I\n"
      "Calc ,,I = I + 1\n"
      "Jump ,I < " + std::to_string(kLoops) + ",1,top,1\n";
  return mavlet::bench::BenchTitle("engine", {"I", "A", "B", "C"}, page);
}

void BM_NonStopCalcLabelJump(benchmark::State& state) {
  const mavlet::bench::BenchTitle title = MakeTitle();
  std::ostringstream trace, err;
  mavlet::HeadlessRunner runner({}, trace, err);
  if (!runner.Load(title.Folder())) {
    state.SkipWithError("title did not load");
    return;
  }
  mavlet::TBookManager& book = runner.Book();
  std::uint64_t commands = 0;
  for (auto _ : state) {
    book.Restart();
    const std::uint64_t before = book.Manager(0).Executed();
    book.Tick(runner.Sys());
    commands += book.Manager(0).Executed() - before;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(commands));
  state.counters["commands_per_step"] = static_cast<double>(commands) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_NonStopCalcLabelJump)->Unit(benchmark::kMillisecond);

}  // namespace
