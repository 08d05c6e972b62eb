// Small-archive payloads from untrusted bytes: either a clear error or entries that all lie
// inside the data area and extract to their recorded size.
#include <cstdlib>

#include "player/common/ascii_case.h"
#include "player/common/error.h"
#include "player/storage/file_unit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mavlet::TFileUnit unit;
  try {
    unit.LoadPayload(mavlet::ByteBuffer(data, data + size), "fuzz");
  } catch (const mavlet::MavError&) {
    return 0;
  }
  mavlet::ByteBuffer out;
  std::uint64_t total = 0;
  for (const mavlet::ArchiveEntry& e : unit.Entries()) {
    if (e.name.size() > 31 || e.offset != total) std::abort();
    total += e.size;
    if (!unit.ExtractEntry(e.name, out)) std::abort();
    // A duplicate name extracts the first entry of that name, whose size may differ.
    unit.ExtractEntry(mavlet::AsciiLowerBytes(e.name), out);
  }
  if (total > unit.Data().size()) std::abort();
  unit.ExtractEntry("1.pmx", out);
  return 0;
}
