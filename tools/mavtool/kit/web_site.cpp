#include "tools/mavtool/kit/web_site.h"

#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <system_error>

#include "player/backend/font_table.h"
#include "player/backend/fonts/freetype_glyphs.h"
#include "player/backend/title_manifest.h"
#include "player/common/encoding.h"
#include "player/vars/font_list.h"
#include "tools/mavtool/kit/kit_files.h"
#include "tools/mavtool/kit/tool_error.h"

namespace mavtool {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRequiredPlayerFiles[] = {"index.html", "mavlet.js", "mavlet.wasm"};

// A folder made beside `next_to` (same file system, so renames stay atomic); removed with its
// contents unless Keep() is called.
class SideFolder {
 public:
  SideFolder(const fs::path& next_to, const char* tag) {
    std::string pattern = next_to.string() + tag + "XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
      throw ToolError(next_to.parent_path().string() + ": cannot make a folder beside " + next_to.filename().string());
    path_ = pattern;
  }
  ~SideFolder() {
    if (!path_.empty()) {
      std::error_code ec;
      fs::remove_all(path_, ec);
    }
  }
  SideFolder(const SideFolder&) = delete;
  SideFolder& operator=(const SideFolder&) = delete;
  const fs::path& path() const { return path_; }
  void Keep() { path_.clear(); }

 private:
  fs::path path_;
};

bool IsEarlierSite(const fs::path& dir) {
  std::ifstream in(dir / "title.txt", std::ios::binary);
  std::string first;
  std::getline(in, first);
  return first.rfind("mavlet-title 1", 0) == 0;
}

// An absolute, normal path without a trailing separator.
fs::path Clean(const fs::path& p) {
  fs::path out = fs::absolute(p).lexically_normal();
  if (out.filename().empty()) out = out.parent_path();
  return out;
}

bool Inside(const fs::path& inner, const fs::path& outer) {
  std::error_code ec;
  const fs::path a = fs::weakly_canonical(inner, ec);
  const fs::path b = fs::weakly_canonical(outer, ec);
  auto [ai, bi] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  return bi == b.end();
}

void Copy(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::create_directories(to.parent_path(), ec);
  if (!fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec) || ec)
    throw ToolError(from.string() + ": cannot copy to " + to.string() + ": " + ec.message());
}

void CheckTitle(const fs::path& title) {
  std::error_code ec;
  if (!fs::is_directory(title, ec)) throw ToolError(title.string() + ": no such title folder");
  const std::optional<fs::path> pmx = FindChildNoCase(title, "Pmx");
  if (!pmx || !FindChildNoCase(*pmx, "Global.pmx"))
    throw ToolError(title.string() + ": not a title folder (no Pmx/Global.pmx)");
}

void CopyPlayer(const fs::path& player, const fs::path& site) {
  std::error_code ec;
  for (const char* name : kRequiredPlayerFiles) {
    if (!fs::is_regular_file(player / name, ec))
      throw ToolError(player.string() + ": no " + name + " in the web player's folder (build it with " +
                      "scripts/build-web.sh, or name the folder with --player)");
  }
  for (const fs::directory_entry& e : fs::directory_iterator(player)) {
    const std::string name = e.path().filename().string();
    if (!e.is_regular_file() || name == "title.txt") continue;
    Copy(e.path(), site / name);
  }
}

mavlet::TitleManifest CopyTitle(const fs::path& title, const fs::path& site) {
  mavlet::TitleManifest manifest;
  std::uint64_t total = 0;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(title, ec), end; it != end; it.increment(ec)) {
    if (ec) throw ToolError(title.string() + ": cannot list the folder: " + ec.message());
    const fs::path& path = it->path();
    if (it->is_directory() && !it->is_symlink()) continue;
    if (!it->is_regular_file()) throw ToolError(path.string() + ": not a plain file (the site copies files only)");
    const std::string relative = path.lexically_relative(title).generic_string();
    if (auto problem = mavlet::SitePathProblem(relative)) throw ToolError(path.string() + ": " + *problem);
    const std::uint64_t size = it->file_size();
    Copy(path, site / "title" / relative);
    manifest.files.push_back({relative, size});
    total += size;
  }
  if (ec) throw ToolError(title.string() + ": cannot list the folder: " + ec.message());
  manifest.prefetch = total <= kPrefetchLimit;
  return manifest;
}

// Copies the located font files into fonts/ (one copy per file, however many names use it)
// and names each by its own file name, made unique.
class FontFolder {
 public:
  explicit FontFolder(fs::path folder) : folder_(std::move(folder)) {}

  mavlet::FontFace Add(const mavlet::LocatedFace& face) {
    std::error_code ec;
    fs::path key = fs::canonical(face.file, ec);
    if (ec) throw ToolError(face.file + ": cannot read the font file: " + ec.message());
    auto it = copied_.find(key);
    if (it == copied_.end()) {
      const fs::path source(face.file);
      std::string name = source.filename().string();
      for (int n = 2; taken_.count(name) != 0 || mavlet::SitePathProblem(name) || name == "fonts.txt"; ++n)
        name = "font-" + std::to_string(n) + source.extension().string();
      taken_.insert(name);
      Copy(key, folder_ / name);
      it = copied_.emplace(key, name).first;
      files_.push_back(name);
    }
    return {it->second, face.index};
  }
  const std::vector<std::string>& Files() const { return files_; }

 private:
  fs::path folder_;
  std::map<fs::path, std::string> copied_;
  std::set<std::string> taken_;
  std::vector<std::string> files_;
};

std::vector<std::string> WriteFonts(mavlet::FaceLocator& fonts, const std::optional<mavlet::LocatedFace>& fallback,
                                    const fs::path& site) {
  FontFolder folder(site / "fonts");
  mavlet::FontTable table;
  const std::vector<std::string> list = mavlet::ShiftJisFaceNames(fonts.FaceNames());
  // The default font name and every name the title can choose from the list.
  std::vector<std::string> names{mavlet::kDefaultFontName};
  for (const std::string& name : mavlet::UsableFonts(list))
    if (name != mavlet::kDefaultFontName) names.push_back(name);
  for (const std::string& sjis : names) {
    const std::string utf8 = mavlet::SjisToUtf8(sjis);
    if (const std::optional<mavlet::LocatedFace> face = fonts.Locate(utf8))
      table.faces.emplace_back(utf8, folder.Add(*face));
  }
  if (fallback) table.fallback = folder.Add(*fallback);
  for (const std::string& sjis : list) table.face_list.push_back(mavlet::SjisToUtf8(sjis));
  std::error_code ec;
  fs::create_directories(site / "fonts", ec);
  WriteTextFile(site / "fonts" / "fonts.txt", mavlet::WriteFontTable(table));
  return folder.Files();
}

// Puts the finished site in place of `out` (missing, empty or an earlier site).
void Replace(SideFolder& built, const fs::path& out) {
  std::error_code ec;
  if (!fs::exists(out, ec)) {
    fs::rename(built.path(), out, ec);
    if (ec) throw ToolError(out.string() + ": cannot rename the site into place: " + ec.message());
    built.Keep();
    return;
  }
  SideFolder old(out, ".old-");
  fs::rename(out, old.path(), ec);
  if (ec) throw ToolError(out.string() + ": cannot move the earlier site aside: " + ec.message());
  fs::rename(built.path(), out, ec);
  if (ec) {
    std::error_code back;
    fs::rename(old.path(), out, back);
    if (!back) old.Keep();
    throw ToolError(out.string() + ": cannot rename the site into place: " + ec.message());
  }
  built.Keep();
}

}  // namespace

WebSiteReport WriteWebSite(const WebSiteRequest& request, mavlet::FaceLocator& fonts,
                           const std::optional<mavlet::LocatedFace>& fallback) {
  const fs::path title = Clean(request.title);
  const fs::path out = Clean(request.out);
  const fs::path player = Clean(request.player);
  CheckTitle(title);
  std::error_code ec;
  if (fs::exists(out, ec)) {
    if (!fs::is_directory(out, ec)) throw ToolError(out.string() + ": is a file, not a site folder");
    if (!MissingOrEmpty(out) && !IsEarlierSite(out))
      throw ToolError(out.string() + ": the folder holds files and is no earlier site (no title.txt manifest)");
  }
  if (Inside(out, title)) throw ToolError(out.string() + ": the site cannot be written inside the title folder");
  if (!fs::is_directory(out.parent_path(), ec)) throw ToolError(out.parent_path().string() + ": no such folder");

  SideFolder site(out, ".tmp-");
  CopyPlayer(player, site.path());
  const mavlet::TitleManifest manifest = CopyTitle(title, site.path());
  WebSiteReport report;
  report.title_files = manifest.files.size();
  for (const mavlet::ManifestEntry& e : manifest.files) report.title_bytes += e.size;
  report.prefetch = manifest.prefetch;
  WriteTextFile(site.path() / "title.txt", mavlet::WriteTitleManifest(manifest));
  report.font_files = WriteFonts(fonts, fallback, site.path());
  // mkdtemp made the folder private; a site is for serving.
  fs::permissions(site.path(),
                  fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                      fs::perms::others_exec,
                  ec);
  Replace(site, out);
  return report;
}

}  // namespace mavtool
