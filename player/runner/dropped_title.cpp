#include "player/runner/dropped_title.h"

#include <fstream>
#include <system_error>

#include "player/common/ascii_case.h"
#include "player/common/error.h"
#include "player/storage/zip_archive.h"

namespace mavlet {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMarker = "pmx/global.pmx";

std::size_t Depth(std::string_view name) {
  std::size_t n = 0;
  for (char c : name) n += c == '/';
  return n;
}

}  // namespace

std::optional<std::string> DroppedTitlePrefix(const std::vector<std::string>& names) {
  std::optional<std::string> best;
  for (const std::string& name : names) {
    if (!EndsWithIgnoreAsciiCaseBytes(name, kMarker)) continue;
    const std::size_t cut = name.size() - kMarker.size();
    // Whole components only: "XPmx/Global.pmx" is no title folder.
    if (cut > 0 && name[cut - 1] != '/') continue;
    std::string prefix = name.substr(0, cut);
    if (!best || Depth(prefix) < Depth(*best) || (Depth(prefix) == Depth(*best) && prefix < *best))
      best = std::move(prefix);
  }
  return best;
}

fs::path FindDroppedTitle(const fs::path& root) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec)) names.push_back(it->path().lexically_relative(root).generic_string());
  }
  const std::optional<std::string> prefix = DroppedTitlePrefix(names);
  if (!prefix) throw MavError("the dropped files hold no title: no Pmx/Global.pmx in them");
  if (prefix->empty()) return root;
  return root / prefix->substr(0, prefix->size() - 1);
}

void UnpackDroppedZip(std::string_view zip, std::string_view zip_name, const fs::path& root) {
  const std::vector<ZipEntry> entries = ReadZip(zip, zip_name);
  for (const ZipEntry& entry : entries) {
    if (entry.name.empty() || entry.name.back() == '/') continue;  // folder entries
    const fs::path file = root / entry.name;
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(entry.data.data(), static_cast<std::streamsize>(entry.data.size()));
    if (!out) throw MavError(std::string(zip_name) + ": " + entry.name + ": cannot be written");
  }
}

}  // namespace mavlet
