// Global.pmx payloads of any bytes: parsed, and when accepted, built again identically.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "player/common/error.h"
#include "player/engine/global_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    mavlet::TGlobalData d = mavlet::ParseGlobalData(std::span<const std::uint8_t>(data, size), "fuzz");
    mavlet::ByteBuffer again = mavlet::BuildGlobalData(d);
    mavlet::TGlobalData d2 = mavlet::ParseGlobalData(again, "again");
    if (d2.NumNames != d.NumNames || d2.Title != d.Title || d2.FlagNames != d.FlagNames) std::abort();
  } catch (const mavlet::MavError&) {
  }
  return 0;
}
