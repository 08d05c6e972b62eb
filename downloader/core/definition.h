#pragma once
// The definition file qldlfile.dat: which files a title needs (address, local name, exact size)
// and the title text shown above the list. Two layouts: a keyed one ("qlkid=", "vendor_id=",
// "title=", "file=" lines, whose addresses are relative to a base address given at start-up) and
// a plain one (any line with a scheme is an entry, any other line the title).
//
// Loading never cuts anything: an over-long line or field, a local name that could reach outside
// the download folder, Shift-JIS that does not decode, a size that is negative or not a number
// fit for 64 bits all refuse the whole file with the message number and a detail naming the file,
// the line and the problem. Nothing here writes a file.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillget {

inline constexpr std::size_t kMaxLineBytes = 4095;
inline constexpr std::size_t kMaxUrlBytes = 2083;
inline constexpr std::size_t kMaxLocalNameBytes = 259;
// A definition file is a few kilobytes; anything far larger is not one.
inline constexpr std::uintmax_t kMaxDefinitionBytes = 16u << 20;
inline constexpr const char* kDefinitionName = "qldlfile.dat";

struct DownloadEntry {
  std::string Url;        // bytes as written (relative in the keyed layout until completed)
  std::string LocalName;  // UTF-8, as written (for display)
  std::string Path;       // UTF-8, relative, '/'-separated, checked safe
  std::int64_t Size = 0;
  bool Complete = false;
  bool Marked = false;
};

enum class Layout { Plain, Keyed };

struct Definition {
  Layout layout = Layout::Plain;
  std::string title;  // UTF-8
  std::string qlkid, vendorId;
  std::vector<DownloadEntry> entries;
};

struct LoadError {
  int message = 0;     // string table number: 804, 805, 816
  std::string detail;  // English, names the file and the problem
};

struct LoadResult {
  std::optional<Definition> definition;
  LoadError error;
};

// Parses definition text; `name` is only used in error details. Complete stays false.
LoadResult ParseDefinition(std::string_view text, std::string_view name = kDefinitionName);
// Reads folder/qldlfile.dat, parses it and sets each entry's Complete from the files in folder.
LoadResult LoadDefinition(const std::filesystem::path& folder);

// The checked relative UTF-8 path for a Shift-JIS local name, or the reason it is refused.
struct LocalPathResult {
  std::string path;
  std::string problem;  // empty when path is good
};
LocalPathResult CheckLocalName(std::string_view sjis);

// Size of a regular file, -1 when there is none (missing, a folder, unreadable).
std::int64_t LocalFileSize(const std::filesystem::path& file);
bool AllComplete(const std::vector<DownloadEntry>& entries, const std::filesystem::path& folder);
// Puts base in front of every entry's address (the keyed layout).
void CompleteAddresses(std::vector<DownloadEntry>& entries, std::string_view base);

}  // namespace quillget
