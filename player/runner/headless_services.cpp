#include "player/runner/headless_services.h"

namespace mavlet {

HeadlessServices::HeadlessServices(std::ostream& err) : log_(err, LogLevel::kWarning), dialogs_(&err), sound_(clock_) {}

PlayerServices HeadlessServices::Services() {
  PlayerServices s = PlatformServices(*this);
  s.background_unpack = false;
  s.log_reports = false;
  return s;
}

}  // namespace mavlet
