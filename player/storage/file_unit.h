#pragma once
// The small archive: one packed file whose payload is a count, a 36-byte index per entry and the
// entries' plain data. Held in memory whole; scenario archives "Pmx\Data%d.pmx".
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "player/storage/byte_buffer.h"

namespace mavlet {

struct ArchiveEntry {
  std::string name;         // at most 31 bytes, as stored (TFileUnit upper-cases on load)
  std::uint32_t size = 0;
  std::uint64_t offset = 0; // into the data area (TFileUnit) or the file (TBigFileUnit)
};

class TFileUnit {
 public:
  // Unpacks the archive and replaces the current content. Throws MavError naming the file when it
  // is missing or damaged (counts and sizes that do not fit the payload).
  void LoadArchive(const std::filesystem::path& file);
  // Same from an unpacked payload already in memory (`what` names it in errors).
  void LoadPayload(ByteBuffer payload, std::string_view what);
  // Upper-cases the name; copies the first matching entry. False (and an empty output) when absent.
  bool ExtractEntry(std::string_view name, ByteBuffer& out) const;

  const std::vector<ArchiveEntry>& Entries() const { return entries_; }
  const std::filesystem::path& FileName() const { return file_; }
  bool Loaded() const { return loaded_; }
  // The data area: everything after the index.
  const ByteBuffer& Data() const { return data_; }

 private:
  std::filesystem::path file_;
  std::vector<ArchiveEntry> entries_;
  ByteBuffer data_;
  bool loaded_ = false;
};

// Builds a small archive payload (not yet packed) from named entries, in the given order.
ByteBuffer BuildFileUnitPayload(const std::vector<std::pair<std::string, ByteBuffer>>& entries);

}  // namespace mavlet
