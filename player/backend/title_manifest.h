#pragma once
// The title manifest of a web site: the list of a title's files with their sizes, so the
// browser player can create the title's folders at start and fetch each file the first time it
// is opened. The text is UTF-8:
//   mavlet-title 1
//   prefetch                  (optional: the title is small enough to fetch whole at start)
//   SIZE<TAB>RELATIVE/PATH    (one line per file, "/" separators, sorted by path)
// Parsing fails with a MavError naming the file and the line on a wrong first line, a malformed
// line, a path that is absolute, holds "." or ".." or an empty component, a backslash or a
// control character, or is not UTF-8, a size past 2^40, a path listed twice, or more than
// kMaxManifestLines lines. Writing fails the same way on a path it would not read back.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

struct ManifestEntry {
  std::string path;  // UTF-8, "/" separators, relative to the title's folder
  std::uint64_t size = 0;
};

struct TitleManifest {
  std::vector<ManifestEntry> files;
  bool prefetch = false;
};

inline constexpr std::uint64_t kMaxManifestFileSize = std::uint64_t{1} << 40;
inline constexpr std::size_t kMaxManifestLines = 1000000;

TitleManifest ParseTitleManifest(std::string_view text, std::string_view file_name);
// Files sorted by path (byte order), one line each, ending in a newline.
std::string WriteTitleManifest(const TitleManifest& manifest);

// Why a path may not name a file inside a site folder (absolute, empty, "." or ".." or empty
// components, backslashes, control characters, not UTF-8); nullopt when it may.
std::optional<std::string> SitePathProblem(std::string_view path);

// The text split into lines (a final newline ends the last line; "\r" before a newline is
// dropped), for the site's small text files. More than max_lines lines throws a MavError
// naming the file.
std::vector<std::string_view> SiteTextLines(std::string_view text, std::string_view file_name, std::size_t max_lines);

}  // namespace mavlet
