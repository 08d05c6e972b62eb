// The zip reader on arbitrary bytes: it either refuses them or gives entries whose names are
// safe and within the bounds, which write and read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "player/common/error.h"
#include "player/storage/zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<mavlet::ZipEntry> entries;
  try {
    entries = mavlet::ReadZip(bytes, "fuzz.zip");
  } catch (const mavlet::MavError&) {
    return 0;
  }
  if (entries.size() > mavlet::kMaxZipEntries) std::abort();
  for (const mavlet::ZipEntry& e : entries) {
    const std::string n = "/" + e.name + "/";
    if (e.name.empty() || e.name[0] == '/' || n.find("/../") != std::string::npos ||
        e.name.find('\\') != std::string::npos || e.data.size() > mavlet::kMaxZipEntrySize)
      std::abort();
  }
  const std::vector<mavlet::ZipEntry> back = mavlet::ReadZip(mavlet::WriteZip(entries), "again.zip");
  if (back.size() != entries.size()) std::abort();
  for (std::size_t i = 0; i < back.size(); ++i)
    if (back[i].name != entries[i].name || back[i].data != entries[i].data) std::abort();
  return 0;
}
