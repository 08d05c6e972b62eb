#include "player/storage/file_unit.h"

#include <string>

#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/storage/archive_index.h"
#include "player/storage/packed_file.h"

namespace mavlet {

void TFileUnit::LoadArchive(const std::filesystem::path& file) {
  LoadPayload(UnpackFile(file), file.string());
  file_ = file;
}

void TFileUnit::LoadPayload(ByteBuffer payload, std::string_view what) {
  if (payload.size() < kArchiveCountSize) {
    throw MavError(std::string(what) + ": damaged archive (" + std::to_string(payload.size()) +
                   " bytes, too short for the entry count)");
  }
  const std::size_t count = CheckedEntryCount(payload.data(), payload.size(), what);
  const std::size_t header = kArchiveCountSize + kArchiveRecordSize * count;
  const std::uint64_t data_size = payload.size() - header;

  std::vector<ArchiveEntry> entries;
  entries.reserve(count);
  std::uint64_t offset = 0;
  for (std::size_t i = 0; i < count; ++i) {
    ArchiveEntry e = ReadIndexRecord(payload.data() + kArchiveCountSize + kArchiveRecordSize * i);
    if (e.size > data_size - offset) {
      throw MavError(std::string(what) + ": damaged archive (entry " + std::to_string(i) + " \"" +
                     SjisToUtf8(e.name) + "\" of " + std::to_string(e.size) + " bytes runs past the end of the " +
                     std::to_string(data_size) + "-byte data area)");
    }
    e.name = ArchiveNameUpper(e.name);
    e.offset = offset;
    offset += e.size;
    entries.push_back(std::move(e));
  }
  // Only replace the current archive once the new one has proved sound.
  payload.erase(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(header));
  data_ = std::move(payload);
  entries_ = std::move(entries);
  file_.clear();
  loaded_ = true;
}

bool TFileUnit::ExtractEntry(std::string_view name, ByteBuffer& out) const {
  out.clear();
  const std::string key = ArchiveNameUpper(name);
  for (const ArchiveEntry& e : entries_) {
    if (e.name != key) continue;
    const auto begin = data_.begin() + static_cast<std::ptrdiff_t>(e.offset);
    out.assign(begin, begin + static_cast<std::ptrdiff_t>(e.size));
    return true;
  }
  return false;
}

ByteBuffer BuildFileUnitPayload(const std::vector<std::pair<std::string, ByteBuffer>>& entries) {
  std::vector<ArchiveEntry> index;
  index.reserve(entries.size());
  std::size_t data_size = 0;
  for (const auto& [name, bytes] : entries) {
    CheckArchiveName(name);
    if (bytes.size() > UINT32_MAX) throw MavError("archive entry " + SjisToUtf8(name) + " is larger than 4 GiB");
    index.push_back({name, static_cast<std::uint32_t>(bytes.size()), 0});
    data_size += bytes.size();
  }
  ByteBuffer out;
  out.reserve(kArchiveCountSize + kArchiveRecordSize * entries.size() + data_size);
  AppendIndex(out, index);
  for (const auto& entry : entries) out.insert(out.end(), entry.second.begin(), entry.second.end());
  return out;
}

}  // namespace mavlet
