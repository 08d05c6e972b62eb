#pragma once
// Files that exist first as empty placeholders and are fetched the first time the player opens
// them: the browser's title folder (from the site's manifest) and its fonts. Placeholders keep
// the folder's names on disk, so the one PathResolver still decides which file a title path
// means; only the bytes come later. The fetch is the caller's (the browser's download); it
// writes the whole file or throws. A failed fetch, or one that gives other than the listed size,
// throws MavError naming the file and leaves the placeholder empty and still pending, so a later
// open tries again. FetchedFileServices is the file services' side: every Resolve that lands on
// a pending file fetches it first.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/file_services.h"
#include "player/backend/title_manifest.h"

namespace mavlet {

// A site path ("Pmx/Global.pmx", UTF-8) as a URL path: every byte but letters, digits, "-",
// ".", "_", "~" and "/" percent-encoded.
std::string UrlPath(std::string_view path);

class PendingFiles {
 public:
  // Writes the bytes at url into file (whole), or throws MavError saying why.
  using Fetch = std::function<void(const std::string& url, const std::filesystem::path& file)>;
  explicit PendingFiles(Fetch fetch) : fetch_(std::move(fetch)) {}

  // Creates root, the folders of every entry and an empty placeholder per file (an empty-sized
  // entry needs no fetch), fetched later from url_prefix + UrlPath(entry). Throws MavError
  // naming the entry when a folder or placeholder cannot be made.
  void AddManifest(const TitleManifest& manifest, const std::filesystem::path& root, const std::string& url_prefix);
  // One file to fetch on first use (its placeholder, if any, the caller's); size: what the
  // fetch must give, none: anything.
  void Add(const std::filesystem::path& file, std::string url, std::optional<std::uint64_t> size);
  // Fetches the file when it is still pending; nothing otherwise.
  void Ensure(const std::filesystem::path& file);
  // Fetches every pending file (a small title, fetched whole at start).
  void EnsureAll();
  bool IsPending(const std::filesystem::path& file) const;
  std::size_t PendingCount() const { return pending_.size(); }

 private:
  struct Entry {
    std::string url;
    std::optional<std::uint64_t> size;
  };
  Fetch fetch_;
  std::map<std::string, Entry> pending_;  // by lexically normal path
};

class FetchedFileServices : public FileServices {
 public:
  // Neither is owned; both outlive this.
  FetchedFileServices(FileServices& files, PendingFiles& pending) : files_(files), pending_(pending) {}

  std::optional<std::filesystem::path> Resolve(const std::filesystem::path& base,
                                               std::string_view title_path) override;
  std::vector<std::filesystem::path> DataDiscRoots() override { return files_.DataDiscRoots(); }
  std::vector<std::filesystem::path> OpticalRoots() override { return files_.OpticalRoots(); }
  std::filesystem::path TempFolder() override { return files_.TempFolder(); }

 private:
  FileServices& files_;
  PendingFiles& pending_;
};

}  // namespace mavlet
