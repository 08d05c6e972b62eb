#include "player/storage/archive_index.h"

#include "player/common/ascii_case.h"
#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/common/sjis_text.h"

namespace mavlet {
namespace {

std::uint32_t ReadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void AppendLe32(ByteBuffer& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

std::size_t CheckedEntryCount(const std::uint8_t* p, std::uint64_t total_size, std::string_view what) {
  const auto count = static_cast<std::int32_t>(ReadLe32(p));
  if (count < 0) {
    throw MavError(std::string(what) + ": damaged archive (negative entry count " + std::to_string(count) + ")");
  }
  const std::uint64_t need = kArchiveCountSize + std::uint64_t{kArchiveRecordSize} * static_cast<std::uint64_t>(count);
  if (need > total_size) {
    throw MavError(std::string(what) + ": damaged archive (an index of " + std::to_string(count) +
                   " entries needs " + std::to_string(need) + " bytes, the archive holds " +
                   std::to_string(total_size) + ")");
  }
  return static_cast<std::size_t>(count);
}

ArchiveEntry ReadIndexRecord(const std::uint8_t* p) {
  std::size_t len = 0;
  while (len < kArchiveMaxName && p[len] != 0) ++len;
  ArchiveEntry e;
  e.name.assign(reinterpret_cast<const char*>(p), len);
  e.size = ReadLe32(p + kArchiveNameField);
  return e;
}

void AppendIndex(ByteBuffer& out, const std::vector<ArchiveEntry>& entries) {
  if (entries.size() > static_cast<std::size_t>(INT32_MAX)) throw MavError("too many archive entries");
  AppendLe32(out, static_cast<std::uint32_t>(entries.size()));
  for (const ArchiveEntry& e : entries) {
    std::uint8_t name[kArchiveNameField] = {};
    for (std::size_t i = 0; i < e.name.size() && i < kArchiveMaxName; ++i) name[i] = static_cast<std::uint8_t>(e.name[i]);
    out.insert(out.end(), name, name + kArchiveNameField);
    AppendLe32(out, e.size);
  }
}

void CheckArchiveName(std::string_view name) {
  if (name.empty()) throw MavError("an archive entry name cannot be empty");
  if (name.size() > kArchiveMaxName) {
    throw MavError("archive entry name " + SjisToUtf8(name) + " is longer than 31 bytes");
  }
  if (name.find('\0') != std::string_view::npos) throw MavError("archive entry name holds a NUL byte");
}

std::string ArchiveNameUpper(std::string_view name) { return AsciiUpper(name); }

std::string ArchiveNameUpperBytes(std::string_view name) { return AsciiUpperBytes(name); }

}  // namespace mavlet
