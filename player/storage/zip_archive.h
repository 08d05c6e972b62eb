#pragma once
// Zip files in memory: the save folder's export and import, and titles dropped onto the
// browser's page. Reads stored and deflated entries of a single-disk zip without zip64 or
// encryption; writes every entry deflated, with the UTF-8 name flag and a fixed date, so the
// same entries always give the same bytes.
// ReadZip fails with a MavError naming the file (and the entry) on anything it cannot trust:
// no end record, a central directory or entry outside the bytes, more than kMaxZipEntries
// entries, an unsupported method, encryption or zip64, a name that is empty, absolute, a drive
// path, holds a ".." component, a control character or a backslash leading out, a name given
// twice, an entry past kMaxZipEntrySize or a total past kMaxZipTotalSize (both as declared and
// as unpacked: a size that lies is refused, never trusted for an allocation), a bad CRC, or
// deflate data that is broken. Folder entries (names ending in "/") are left out.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

struct ZipEntry {
  std::string name;  // "/" separators (a backslash in a read name becomes "/")
  std::string data;
};

inline constexpr std::size_t kMaxZipEntries = 65536;
inline constexpr std::uint64_t kMaxZipEntrySize = std::uint64_t{1} << 30;
inline constexpr std::uint64_t kMaxZipTotalSize = std::uint64_t{4} << 30;

std::vector<ZipEntry> ReadZip(std::string_view bytes, std::string_view file_name);
// Throws MavError on more entries than a zip without zip64 holds (65,535), an entry of 4 GiB
// or more, or a name ReadZip would refuse.
std::string WriteZip(const std::vector<ZipEntry>& entries);

}  // namespace mavlet
