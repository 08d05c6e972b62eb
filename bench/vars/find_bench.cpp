// Lookup and expression speed of the variable store: 340 system values plus 1,000 declared
// names. The linear scan is the reference the index is measured against in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "player/vars/calc_assignment.h"
#include "player/vars/condition.h"
#include "player/vars/name_match.h"
#include "player/vars/param_manager.h"

namespace mavlet {
namespace {

constexpr int kDeclared = 1000;

std::string DeclaredName(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "Var%04d", i);
  return buf;
}

struct BigStore {
  BigStore() {
    for (int i = 0; i < kDeclared; ++i) params.Declare(i % 3, DeclaredName(i));
    // Every 37th name looked up in upper case (letter case after the first byte is free).
    for (int i = 0; i < kDeclared; i += 7) {
      std::string n = DeclaredName(i);
      if (i % 37 == 0) n[1] = 'A';
      names.push_back(n);
    }
  }
  TParamManager params;
  std::vector<std::string> names;  // more than the cache holds, so lookups miss it
};

void BM_FindUncached(benchmark::State& state) {
  BigStore s;
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.params.Find(s.names[i]));
    if (++i == s.names.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindUncached);

// What a plain first-match scan of the list costs (the cache misses every time).
void BM_FindLinearScanReference(benchmark::State& state) {
  BigStore s;
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string& name = s.names[i];
    TParameter* found = nullptr;
    for (std::size_t k = 0; k < s.params.Count(); ++k) {
      if (NamesMatch(s.params.At(k).Name(), name)) {
        found = &s.params.At(k);
        break;
      }
    }
    benchmark::DoNotOptimize(found);
    if (++i == s.names.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindLinearScanReference);

void BM_FindCached(benchmark::State& state) {
  BigStore s;
  const std::string names[] = {"Var0001", "Var0500", "@TextSpd", "Var0999"};
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.params.Find(names[i]));
    i = (i + 1) & 3;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindCached);

void BM_FindMissing(benchmark::State& state) {
  BigStore s;
  const std::string names[] = {"1", "Nothing", "\"quoted\"", "Var10000"};
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.params.Find(names[i]));
    i = (i + 1) & 3;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindMissing);

void BM_FindComposed(benchmark::State& state) {
  BigStore s;
  s.params.Declare(0, "Idx").SetNum(512);
  for (auto _ : state) benchmark::DoNotOptimize(s.params.Find("Var0+Idx"));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindComposed);

void BM_CalcParsed(benchmark::State& state) {
  BigStore s;
  const CalcAssignment a = ParseCalcAssignment("Var0000 = Var0000 + 1");
  for (auto _ : state) s.params.Calc(a);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CalcParsed);

void BM_CalcText(benchmark::State& state) {
  BigStore s;
  for (auto _ : state) s.params.CalcText("Var0000 = Var0000 + 1");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CalcText);

void BM_ConditionParsed(benchmark::State& state) {
  BigStore s;
  const ParsedCondition c = ParseCondition("Var0000 >= 100;Var0002 ON");
  for (auto _ : state) benchmark::DoNotOptimize(s.params.CheckCondition(c));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConditionParsed);

void BM_ConditionText(benchmark::State& state) {
  BigStore s;
  for (auto _ : state) benchmark::DoNotOptimize(s.params.CheckCondition("Var0000 >= 100;Var0002 ON"));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConditionText);

void BM_CreateStore(benchmark::State& state) {
  for (auto _ : state) {
    TParamManager m;
    benchmark::DoNotOptimize(m.Count());
  }
}
BENCHMARK(BM_CreateStore);

}  // namespace
}  // namespace mavlet
