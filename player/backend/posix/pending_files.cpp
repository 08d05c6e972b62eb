#include "player/backend/posix/pending_files.h"

#include <fstream>
#include <system_error>
#include <utility>

#include "player/common/error.h"

namespace mavlet {
namespace fs = std::filesystem;

namespace {

std::string Key(const fs::path& file) { return file.lexically_normal().string(); }

// Empties the file (a placeholder again); errors are left to the next fetch.
void MakeEmpty(const fs::path& file) { std::ofstream(file, std::ios::binary | std::ios::trunc); }

}  // namespace

std::string UrlPath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : path) {
    const auto b = static_cast<unsigned char>(c);
    const bool plain = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' ||
                       b == '.' || b == '_' || b == '~' || b == '/';
    if (plain) {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

void PendingFiles::AddManifest(const TitleManifest& manifest, const fs::path& root, const std::string& url_prefix) {
  std::error_code ec;
  fs::create_directories(root, ec);
  if (ec) throw MavError(root.string() + ": the folder cannot be made (" + ec.message() + ")");
  for (const ManifestEntry& entry : manifest.files) {
    if (std::optional<std::string> problem = SitePathProblem(entry.path))
      throw MavError(entry.path + ": " + *problem);
    const fs::path file = root / fs::path(entry.path);
    fs::create_directories(file.parent_path(), ec);
    if (ec) throw MavError(entry.path + ": its folder cannot be made (" + ec.message() + ")");
    {
      std::ofstream out(file, std::ios::binary | std::ios::trunc);
      if (!out) throw MavError(entry.path + ": the file cannot be made (a folder of that name?)");
    }
    if (entry.size > 0) Add(file, url_prefix + UrlPath(entry.path), entry.size);
  }
}

void PendingFiles::Add(const fs::path& file, std::string url, std::optional<std::uint64_t> size) {
  pending_[Key(file)] = Entry{std::move(url), size};
}

bool PendingFiles::IsPending(const fs::path& file) const { return pending_.count(Key(file)) != 0; }

void PendingFiles::Ensure(const fs::path& file) {
  const auto it = pending_.find(Key(file));
  if (it == pending_.end()) return;
  const Entry& entry = it->second;
  try {
    fetch_(entry.url, file);
  } catch (const MavError& e) {
    MakeEmpty(file);
    throw MavError(entry.url + ": " + e.what());
  }
  if (entry.size) {
    std::error_code ec;
    const std::uintmax_t got = fs::file_size(file, ec);
    if (ec || got != *entry.size) {
      MakeEmpty(file);
      throw MavError(entry.url + ": the server sent " + (ec ? std::string("nothing readable") : std::to_string(got) + " bytes") +
                     ", the site's file list says " + std::to_string(*entry.size));
    }
  }
  pending_.erase(it);
}

void PendingFiles::EnsureAll() {
  while (!pending_.empty()) Ensure(fs::path(pending_.begin()->first));
}

std::optional<fs::path> FetchedFileServices::Resolve(const fs::path& base, std::string_view title_path) {
  std::optional<fs::path> found = files_.Resolve(base, title_path);
  if (found) pending_.Ensure(*found);
  return found;
}

}  // namespace mavlet
