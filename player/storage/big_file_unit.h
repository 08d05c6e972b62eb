#pragma once
// The large archive: a plain index in front of entries that are each a packed file, read one
// entry at a time from disk. Sound archives "WAV\Data%d.PMW".
#include <filesystem>
#include <string_view>
#include <vector>

#include "player/storage/byte_buffer.h"
#include "player/storage/file_unit.h"

namespace mavlet {

class TBigFileUnit {
 public:
  // Reads the index unless the same archive (ignoring ASCII case) is already open.
  // Throws MavError naming the file when it cannot be read or its index does not fit the file.
  void OpenArchive(const std::filesystem::path& file);
  // First entry whose stored name equals the upper-cased name; -1 when none.
  int IndexOfEntry(std::string_view name) const;
  // Copies entry `index` (still packed) into out; false for a bad index, no archive or a short file.
  bool ReadEntry(int index, ByteBuffer& out) const;

  const std::vector<ArchiveEntry>& Entries() const { return entries_; }
  const std::filesystem::path& FileName() const { return file_; }
  // How many times an index was read (opening the same archive again reads nothing).
  int IndexReads() const { return index_reads_; }

 private:
  std::filesystem::path file_;
  std::vector<ArchiveEntry> entries_;
  int index_reads_ = 0;
};

// Writes a large archive: names are stored upper case and each entry is packed.
void WriteBigFileUnit(const std::filesystem::path& file,
                      const std::vector<std::pair<std::string, ByteBuffer>>& entries);

}  // namespace mavlet
