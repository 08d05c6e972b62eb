// The debug window's per-step cost: the variable refresh after each logic step (200 declared
// variables, with and without the system values) and the log hook for a command that repeats.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

#include "bench/bench_title.h"
#include "player/debug/debug_core.h"
#include "player/engine/book_manager.h"
#include "player/runner/headless_runner.h"
#include "player/vars/param_manager.h"

namespace {

// 200 declared variables; one changes a step.
mavlet::bench::BenchTitle MakeTitle() {
  std::vector<std::string> nums;
  for (int i = 0; i < 200; ++i) nums.push_back("V" + std::to_string(i));
  return mavlet::bench::BenchTitle("debug", std::move(nums), "Calc ,,V1 = V1 + 1\nWait ,,99999\n");
}

void BM_RefreshVariables(benchmark::State& state) {
  const mavlet::bench::BenchTitle title = MakeTitle();
  std::ostringstream trace, err;
  mavlet::HeadlessRunner runner({}, trace, err);
  if (!runner.Load(title.Folder())) {
    state.SkipWithError("title did not load");
    return;
  }
  runner.Run();
  mavlet::DebugCore core(runner.Book());
  core.SetShowSystemValues(state.range(0) != 0);
  for (auto _ : state) {
    // One value changes each time, as in a running title.
    runner.Book().Params().Find("V7")->SetNum(static_cast<std::int32_t>(state.iterations()));
    core.RefreshVariables();
  }
  state.counters["rows"] = static_cast<double>(core.Variables().size());
}
BENCHMARK(BM_RefreshVariables)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_LogRepeatedCommand(benchmark::State& state) {
  const mavlet::bench::BenchTitle title = MakeTitle();
  std::ostringstream trace, err;
  mavlet::HeadlessRunner runner({}, trace, err);
  if (!runner.Load(title.Folder())) {
    state.SkipWithError("title did not load");
    return;
  }
  runner.Run();
  mavlet::DebugCore core(runner.Book());
  mavlet::TCallManager& main = runner.Book().Manager(0);
  mavlet::TCommand* wait = main.Current();
  if (wait == nullptr) {
    state.SkipWithError("no current command");
    return;
  }
  const mavlet::TStackData pos = main.Pos();
  for (auto _ : state) core.OnExecute(main, *wait, pos);
}
BENCHMARK(BM_LogRepeatedCommand);

}  // namespace
