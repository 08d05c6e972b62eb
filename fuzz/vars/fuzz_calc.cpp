// Calc assignments, one per line, evaluated in turn over a small store. Scenario errors
// (number writes to read-only system values) are expected; anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/vars/fuzz_store.h"
#include "player/common/error.h"
#include "player/common/log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mavlet;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  MemoryLog log;
  TParamManager& params = fuzz::FreshStore(&log);
  const std::size_t count = params.Count();
  // Few lines: each "X = X + X" may double a text (up to the store's limit).
  for (int line = 0; line < 16 && !text.empty(); ++line) {
    const auto end = text.find('\n');
    const std::string_view assignment = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    try {
      params.CalcText(assignment);
    } catch (const MavError&) {
    }
    // Calc never adds or removes variables, and texts stay within the store's limit.
    if (params.Count() != count) std::abort();
    for (std::size_t i = 0; i < params.Count(); ++i) {
      TParameter& p = params.At(i);
      if (p.IsSystemValue()) continue;
      if (p.GetStr().size() > TParamManager::kMaxTextLength) std::abort();
    }
  }
  for (const TParameter* p : params.Cache()) {
    if (!params.Contains(p)) std::abort();
  }
  return 0;
}
