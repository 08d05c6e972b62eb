#include "player/storage/big_file_unit.h"

#include <algorithm>
#include <string>

#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/storage/archive_index.h"
#include "player/storage/file_io.h"
#include "player/storage/packed_file.h"

namespace mavlet {

void TBigFileUnit::OpenArchive(const std::filesystem::path& file) {
  if (!file_.empty() && ArchiveNameUpperBytes(file_.string()) == ArchiveNameUpperBytes(file.string())) return;
  // Nothing stays open if this one cannot be read, so a retry reads it again.
  file_.clear();
  entries_.clear();

  const std::string what = file.string();
  ReadOnlyFile in(file);
  const std::uint64_t size = in.Size();
  std::uint8_t count_bytes[kArchiveCountSize];
  if (in.ReadAt(0, count_bytes) != kArchiveCountSize) {
    throw MavError(what + ": damaged archive (" + std::to_string(size) + " bytes, too short for the entry count)");
  }
  const std::size_t count = CheckedEntryCount(count_bytes, size, what);
  ByteBuffer index(kArchiveRecordSize * count);
  if (in.ReadAt(kArchiveCountSize, index) != index.size()) {
    throw MavError(what + ": damaged archive (the index ends early)");
  }
  std::vector<ArchiveEntry> entries;
  entries.reserve(count);
  std::uint64_t offset = kArchiveCountSize + index.size();
  for (std::size_t i = 0; i < count; ++i) {
    ArchiveEntry e = ReadIndexRecord(index.data() + kArchiveRecordSize * i);
    e.offset = offset;
    offset += e.size;
    entries.push_back(std::move(e));
  }
  // Entries past the end of a short file stay listed: ReadEntry reports them as unreadable.
  entries_ = std::move(entries);
  file_ = file;
  ++index_reads_;
}

int TBigFileUnit::IndexOfEntry(std::string_view name) const {
  const std::string key = ArchiveNameUpper(name);
  const std::string key_bytes = ArchiveNameUpperBytes(name);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const std::string& stored = entries_[i].name;
    if (stored == key || stored == key_bytes) return static_cast<int>(i);
  }
  return -1;
}

bool TBigFileUnit::ReadEntry(int index, ByteBuffer& out) const {
  out.clear();
  if (file_.empty() || index < 0 || static_cast<std::size_t>(index) >= entries_.size()) return false;
  const ArchiveEntry& e = entries_[static_cast<std::size_t>(index)];
  ReadOnlyFile in(file_);
  // The file's real size bounds what is allocated, whatever the index claims.
  const std::uint64_t size = in.Size();
  const std::uint64_t available = e.offset < size ? size - e.offset : 0;
  out.resize(static_cast<std::size_t>(std::min<std::uint64_t>(e.size, available)));
  out.resize(in.ReadAt(e.offset, out));
  return out.size() == e.size;
}

void WriteBigFileUnit(const std::filesystem::path& file,
                      const std::vector<std::pair<std::string, ByteBuffer>>& entries) {
  std::vector<ArchiveEntry> index;
  std::vector<ByteBuffer> packed;
  index.reserve(entries.size());
  packed.reserve(entries.size());
  std::size_t data_size = 0;
  for (const auto& [name, bytes] : entries) {
    CheckArchiveName(name);
    packed.push_back(PackBuffer(bytes));
    if (packed.back().size() > UINT32_MAX) throw MavError("archive entry " + SjisToUtf8(name) + " is larger than 4 GiB");
    index.push_back({ArchiveNameUpper(name), static_cast<std::uint32_t>(packed.back().size()), 0});
    data_size += packed.back().size();
  }
  ByteBuffer out;
  out.reserve(kArchiveCountSize + kArchiveRecordSize * entries.size() + data_size);
  AppendIndex(out, index);
  for (const ByteBuffer& p : packed) out.insert(out.end(), p.begin(), p.end());
  WriteFileAtomic(file, out);
}

}  // namespace mavlet
