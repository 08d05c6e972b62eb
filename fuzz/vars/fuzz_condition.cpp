// Condition text against a small store: never crashes or throws, and the cache only ever holds
// parameters of the store.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/vars/fuzz_store.h"
#include "player/vars/condition.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mavlet;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TParamManager& params = fuzz::FreshStore();
  const ParsedCondition parsed = ParseCondition(text);
  // Each clause consumes at least one byte of the text.
  if (parsed.clauses.size() > size) std::abort();
  const bool result = params.CheckCondition(text);
  // With no clause left the answer is fixed: true only for the empty condition.
  if (parsed.clauses.empty() && result != parsed.empty) std::abort();
  for (const TParameter* p : params.Cache()) {
    if (!params.Contains(p)) std::abort();
  }
  return 0;
}
