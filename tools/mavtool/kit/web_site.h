#pragma once
// The web site of a title, the folder `mavtool web` writes for any static web server:
//   index.html, mavlet.js, mavlet.wasm, ...  the web player's files (every file at the top of
//                                            its folder; mavlet.js, mavlet.wasm and index.html
//                                            must be there)
//   title/...                                the title folder's files, names as they are
//   title.txt                                the title manifest (backend/title_manifest.h),
//                                            "prefetch" when the files total at most 4 MiB
//   fonts/*, fonts/fonts.txt                 the font files the title can draw with and the
//                                            font table (backend/font_table.h)
// The fonts are the ones the desktop player would use: the face of the default font name and of
// every name in the face list a title may choose (names with a double-byte character, not
// beginning with "@"), the face for any other name, and the face list as the player gives it.
// The site is written beside the output folder and renamed into place, so a failure leaves no
// half site; the output folder must be missing, empty or an earlier site. Fails with a
// ToolError naming the file or folder: a missing player file, a folder that is no title (no
// Pmx/Global.pmx), a title file name that is not UTF-8 or not a plain file, an output that is
// a file, another folder or lies inside the title, a font file that cannot be read.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "player/backend/fonts/face_locator.h"

namespace mavtool {

inline constexpr std::uint64_t kPrefetchLimit = 4u << 20;

struct WebSiteRequest {
  std::filesystem::path title;   // the title folder
  std::filesystem::path out;     // the site folder to write
  std::filesystem::path player;  // the web player's files (build/web/player)
};

struct WebSiteReport {
  std::size_t title_files = 0;
  std::uint64_t title_bytes = 0;
  bool prefetch = false;
  std::vector<std::string> font_files;  // below fonts/
};

// fonts resolves the face names and gives the face list; fallback is the face any name without
// a face of its own lands on (none: the table has no default line).
WebSiteReport WriteWebSite(const WebSiteRequest& request, mavlet::FaceLocator& fonts,
                           const std::optional<mavlet::LocatedFace>& fallback);

}  // namespace mavtool
