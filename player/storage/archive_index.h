#pragma once
// The index format both archive kinds share: a signed 32-bit entry count, then per entry a 32-byte
// NUL-terminated name and a 32-bit size, all little-endian.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "player/storage/byte_buffer.h"
#include "player/storage/file_unit.h"

namespace mavlet {

inline constexpr std::size_t kArchiveCountSize = 4;
inline constexpr std::size_t kArchiveRecordSize = 36;
inline constexpr std::size_t kArchiveNameField = 32;
inline constexpr std::size_t kArchiveMaxName = 31;

// The entry count at `p` (4 bytes). Throws MavError (naming `what`) when it is negative or when
// its index would not fit in `total_size` bytes.
std::size_t CheckedEntryCount(const std::uint8_t* p, std::uint64_t total_size, std::string_view what);
// Name and size of the record at `p` (36 bytes); a name without a NUL is cut at 31 bytes.
ArchiveEntry ReadIndexRecord(const std::uint8_t* p);
// Appends the count and one record per entry (names must already be checked).
void AppendIndex(ByteBuffer& out, const std::vector<ArchiveEntry>& entries);
// Throws MavError when a name cannot be stored: empty, longer than 31 bytes or holding a NUL.
void CheckArchiveName(std::string_view name);

// Archive names are compared upper case. Only ASCII letters change and the second byte of a
// double-byte character is left alone, so two different Japanese names never fold together.
std::string ArchiveNameUpper(std::string_view name);
// The same folding applied to every byte, as older tools may have stored names.
std::string ArchiveNameUpperBytes(std::string_view name);

}  // namespace mavlet
