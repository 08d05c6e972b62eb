// Saved variable lines ("#name=type,value") from an arbitrary status: loading never crashes,
// and saving then loading again reproduces every variable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/vars/fuzz_store.h"
#include "player/storage/game_status.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mavlet;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  TGameStatus status({}, 1);
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const auto eq = line.find('=');
    status.WriteString(line.substr(0, eq), eq == std::string_view::npos ? "" : line.substr(eq + 1));
  }
  TParamManager& params = fuzz::FreshStore();
  params.LoadFromStatus(status);

  std::vector<std::string> before;
  for (std::size_t i = 0; i < params.Count(); ++i) {
    if (!params.At(i).IsSystemValue()) before.push_back(params.At(i).Name() + "=" + params.At(i).GetStr());
  }
  TGameStatus saved({}, 2);
  params.SaveToStatus(saved);
  params.LoadFromStatus(saved);
  std::vector<std::string> after;
  for (std::size_t i = 0; i < params.Count(); ++i) {
    if (!params.At(i).IsSystemValue()) after.push_back(params.At(i).Name() + "=" + params.At(i).GetStr());
  }
  // Names that cannot stand in a key ("="), that compose ("+") or that repeat may be dropped,
  // so compare only when every name is plain and the count is unchanged.
  bool plain = true;
  for (std::size_t i = 0; i < params.Count() && plain; ++i) {
    const std::string& n = params.At(i).Name();
    if (n.find_first_of("=+") != std::string::npos) plain = false;
  }
  if (plain && before.size() == after.size() && before != after) std::abort();
  return 0;
}
