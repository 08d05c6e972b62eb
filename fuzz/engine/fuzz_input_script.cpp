// Input scripts of the headless runner.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "player/common/error.h"
#include "player/runner/input_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    mavlet::ParseInputScript(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
  } catch (const mavlet::MavError&) {
  }
  return 0;
}
