// Large archives from untrusted bytes, through a real file: a clear error, or an index whose
// entries read back no more bytes than the file holds.
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "player/common/error.h"
#include "player/storage/archive_index.h"
#include "player/storage/big_file_unit.h"
#include "player/storage/packed_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string path = (std::filesystem::temp_directory_path() / "fuzz-big-XXXXXX").string();
  const int fd = mkstemp(path.data());
  if (fd < 0) return 0;
  const bool written = size == 0 || write(fd, data, size) == static_cast<ssize_t>(size);
  close(fd);
  if (written) {
    mavlet::TBigFileUnit unit;
    try {
      unit.OpenArchive(path);
      mavlet::ByteBuffer out;
      for (std::size_t i = 0; i < unit.Entries().size() && i < 64; ++i) {
        const mavlet::ArchiveEntry& e = unit.Entries()[i];
        // A name stored upper case is found at its own place or at an earlier twin.
        if (mavlet::ArchiveNameUpper(e.name) == e.name && unit.IndexOfEntry(e.name) > static_cast<int>(i)) {
          std::abort();
        }
        const bool whole = unit.ReadEntry(static_cast<int>(i), out);
        if (out.size() > size || whole != (out.size() == e.size)) std::abort();
        try {
          mavlet::UnpackStream(out, "entry", std::size_t{4} << 20);
        } catch (const mavlet::MavError&) {
        }
      }
    } catch (const mavlet::MavError&) {
    }
  }
  unlink(path.c_str());
  return 0;
}
