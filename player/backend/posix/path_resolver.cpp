#include "player/backend/posix/path_resolver.h"

#include <sys/stat.h>

#include <system_error>

#include "player/common/ascii_case.h"
#include "player/common/encoding.h"
#include "player/common/sjis_text.h"

namespace mavlet {

namespace fs = std::filesystem;

namespace {

// Names on disk may be UTF-8 or Shift-JIS, so both sides fold byte by byte (AsciiLowerBytes).
// Folders a resolver keeps listed; beyond this the index starts afresh (a title has a handful).
constexpr std::size_t kMaxFolders = 1024;

// The names a title component may have on disk: UTF-8 first, then the raw Shift-JIS bytes.
std::vector<std::string> Candidates(const std::string& part) {
  std::vector<std::string> out;
  if (auto utf8 = SjisToUtf8Strict(part)) out.push_back(std::move(*utf8));
  if (out.empty() || out.front() != part) out.push_back(part);
  return out;
}

// Modification time of a folder in nanoseconds; nullopt when it cannot be read.
std::optional<std::int64_t> FolderStamp(const fs::path& folder) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

void AddName(std::unordered_map<std::string, std::string>& exact,
             std::unordered_map<std::string, std::string>& folded, std::string name) {
  auto [slot, fresh] = folded.try_emplace(AsciiLowerBytes(name), name);
  // Several names that differ only in case: the smallest wins, whatever the listing order.
  if (!fresh && name < slot->second) slot->second = name;
  exact.emplace(name, std::move(name));
}

}  // namespace

std::optional<std::vector<std::string>> SplitTitlePath(std::string_view title_path) {
  std::vector<std::string> parts;
  std::string current;
  auto finish = [&]() -> bool {
    if (current.empty() || current == ".") {
    } else if (current == "..") {
      if (parts.empty()) return false;
      parts.pop_back();
    } else {
      parts.push_back(current);
    }
    current.clear();
    return true;
  };
  for (std::size_t i = 0; i < title_path.size();) {
    const auto b = static_cast<std::uint8_t>(title_path[i]);
    if (IsLeadByte(b) && i + 1 < title_path.size()) {
      current.append(title_path.substr(i, 2));
      i += 2;
      continue;
    }
    if (b == '\\' || b == '/') {
      if (!finish()) return std::nullopt;
    } else if (b == 0) {
      return std::nullopt;  // no file name holds a NUL byte
    } else {
      current.push_back(static_cast<char>(b));
    }
    ++i;
  }
  if (!finish()) return std::nullopt;
  return parts;
}

const PathResolver::Folder& PathResolver::Listing(const fs::path& folder, bool refresh) {
  const std::string& key = folder.native();
  if (!refresh) {
    auto it = folders_.find(key);
    if (it != folders_.end()) return it->second;
  }
  if (folders_.size() >= kMaxFolders && folders_.find(key) == folders_.end()) folders_.clear();
  ++listings_;
  Folder listing;
  // The stamp is taken before reading, so a change during the listing shows as a new stamp.
  listing.stamp = FolderStamp(folder);
  std::error_code ec;
  fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  listing.listed = !ec && listing.stamp.has_value();
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    AddName(listing.exact, listing.folded, it->path().filename().native());
  }
  Folder& stored = folders_[key];
  stored = std::move(listing);
  return stored;
}

std::optional<std::string> PathResolver::Match(const Folder& folder, const std::vector<std::string>& candidates) {
  for (const std::string& c : candidates) {
    if (folder.exact.count(c)) return c;
  }
  for (const std::string& c : candidates) {
    auto it = folder.folded.find(AsciiLowerBytes(c));
    if (it != folder.folded.end()) return it->second;
  }
  return std::nullopt;
}

PathResolver::WalkEnd PathResolver::Recheck(const fs::path& folder, const std::vector<std::string>& candidates,
                                            std::optional<std::string>& name) {
  // A file that appeared under its exact name (a save, a download): one stat per encoding.
  Folder& cached = folders_[folder.native()];
  for (const std::string& c : candidates) {
    std::error_code ec;
    if (fs::exists(folder / c, ec)) {
      AddName(cached.exact, cached.folded, c);
      name = c;
      return WalkEnd::kFound;
    }
  }
  // Any other change to the folder changes its stamp; only then is it read again.
  const std::optional<std::int64_t> stamp = FolderStamp(folder);
  if (!stamp) return WalkEnd::kStale;  // gone: the listing further up is out of date (or a file)
  if (cached.listed && stamp == cached.stamp) return WalkEnd::kMissing;
  const Folder& fresh = Listing(folder, true);
  name = Match(fresh, candidates);
  if (name) return WalkEnd::kFound;
  return fresh.listed ? WalkEnd::kMissing : WalkEnd::kStale;
}

PathResolver::WalkEnd PathResolver::Walk(const fs::path& base, const std::vector<std::string>& parts,
                                         bool refresh, fs::path& found) {
  fs::path current = base;
  for (const std::string& part : parts) {
    const std::vector<std::string> candidates = Candidates(part);
    std::optional<std::string> name = Match(Listing(current, refresh), candidates);
    if (!name && !refresh) {
      const WalkEnd end = Recheck(current, candidates, name);
      if (!name) return end;
    }
    if (!name) return WalkEnd::kMissing;
    current /= *name;
  }
  std::error_code ec;
  if (!fs::exists(current, ec)) return WalkEnd::kStale;
  found = std::move(current);
  return WalkEnd::kFound;
}

std::optional<fs::path> PathResolver::Resolve(const fs::path& base, std::string_view title_path) {
  const auto parts = SplitTitlePath(title_path);
  if (!parts) return std::nullopt;
  std::error_code ec;
  if (parts->empty()) {
    if (fs::is_directory(base, ec)) return base;
    return std::nullopt;
  }
  // A cached hit may be stale (a file deleted or renamed since): one stat confirms it, and a
  // stale answer re-reads every folder on the way once.
  fs::path found;
  WalkEnd end = Walk(base, *parts, false, found);
  if (end == WalkEnd::kStale) end = Walk(base, *parts, true, found);
  if (end == WalkEnd::kFound) return found;
  return std::nullopt;
}

}  // namespace mavlet
