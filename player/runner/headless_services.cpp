#include "player/runner/headless_services.h"

#ifndef __EMSCRIPTEN__
#include "player/backend/fontconfig/fontconfig_locator.h"
#endif

namespace mavlet {

namespace {

// The installed fonts natively; the browser has none of its own here (it hands the run the
// glyphs of its site's font table).
FaceLocatorFactory BundleFaces() {
#ifdef __EMSCRIPTEN__
  return {};
#else
  return InstalledFaces();
#endif
}

}  // namespace

HeadlessServices::HeadlessServices(std::ostream& err)
    : log_(err, LogLevel::kWarning), dialogs_(&err), sound_(clock_), glyphs_(BundleFaces()) {}

PlayerServices HeadlessServices::Services() {
  PlayerServices s = PlatformServices(*this);
  s.background_unpack = false;
  s.log_reports = false;
  return s;
}

}  // namespace mavlet
