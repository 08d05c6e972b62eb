// mavtool web: writes a title's web site (the web player, the title's files, its manifest, the
// fonts it draws with) for any static web server; see kit/web_site.h.
#include <iostream>

#include "player/backend/fontconfig/fontconfig_locator.h"
#include "tools/mavtool/kit/web_site.h"
#include "tools/mavtool/verbs.h"

namespace mavtool {
namespace {

constexpr const char* kUsage = "usage: mavtool web TITLE_FOLDER OUT [--player DIR]";

}  // namespace

int VerbWeb(const Args& args) {
  WebSiteRequest request;
  request.player = "build/web/player";
  std::vector<std::string> places;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--player" && i + 1 < args.size()) {
      request.player = args[++i];
    } else if (args[i] == "--help" || args[i] == "-h") {
      std::cout << kUsage
                << "\n  writes OUT: the web player (from DIR, default build/web/player), the title's files in\n"
                   "  OUT/title with their manifest OUT/title.txt, and the fonts it draws with in OUT/fonts\n";
      return 0;
    } else if (!args[i].empty() && args[i][0] == '-') {
      throw ToolError(std::string("unknown option ") + args[i] + " (" + kUsage + ")");
    } else {
      places.push_back(args[i]);
    }
  }
  if (places.size() != 2) throw ToolError(kUsage);
  request.title = places[0];
  request.out = places[1];
  mavlet::FontconfigLocator fonts;
  const WebSiteReport report = WriteWebSite(request, fonts, fonts.LocateDefault());
  std::cout << "mavtool: wrote " << request.out.string() << ": " << report.title_files << " title files ("
            << report.title_bytes << " bytes" << (report.prefetch ? ", fetched whole at start" : ", fetched on demand")
            << "), " << report.font_files.size() << " font files\n";
  return 0;
}

}  // namespace mavtool
