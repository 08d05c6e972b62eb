#pragma once
// Finds title files written Windows-style ("Pmx\\Global.pmx", Shift-JIS) on a case-sensitive
// file system. Titles copied from a CD or an archive often change letter case ("PMX/GLOBAL.PMX")
// or name encoding (UTF-8 or raw Shift-JIS), so each component is matched exactly first, then
// ignoring ASCII letter case, trying both encodings. Folder listings are indexed once; a miss
// looks for the exact name directly and re-reads the folder when its modification time moved
// (files appear later: saves, downloads).
// Not thread-safe: one resolver belongs to one thread.
#include <filesystem>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace mavlet {

// Components of a title path: split at "\\" and "/" that are not the second byte of a
// double-byte character; empty and "." components dropped, ".." taking back the previous one.
// nullopt when ".." would leave the base folder.
std::optional<std::vector<std::string>> SplitTitlePath(std::string_view title_path);

class PathResolver {
 public:
  std::optional<std::filesystem::path> Resolve(const std::filesystem::path& base, std::string_view title_path);
  // Forgets every folder listing.
  void Clear() { folders_.clear(); }
  // How often a folder was listed (for tests and statistics).
  std::size_t ListingCount() const { return listings_; }

 private:
  struct Folder {
    std::unordered_map<std::string, std::string> exact;   // name on disk -> itself
    std::unordered_map<std::string, std::string> folded;  // ASCII-lower-cased name -> name on disk
    bool listed = false;                                  // false when the folder could not be read
    std::optional<std::int64_t> stamp;                    // folder modification time when listed
  };
  enum class WalkEnd { kFound, kMissing, kStale };
  const Folder& Listing(const std::filesystem::path& folder, bool refresh);
  WalkEnd Walk(const std::filesystem::path& base, const std::vector<std::string>& parts, bool refresh,
               std::filesystem::path& found);
  // After a miss in a cached listing: looks for the names directly, then re-reads the folder
  // when it changed since it was listed.
  WalkEnd Recheck(const std::filesystem::path& folder, const std::vector<std::string>& candidates,
                  std::optional<std::string>& name);
  static std::optional<std::string> Match(const Folder& folder, const std::vector<std::string>& candidates);

  std::unordered_map<std::string, Folder> folders_;
  std::size_t listings_ = 0;
};

}  // namespace mavlet
