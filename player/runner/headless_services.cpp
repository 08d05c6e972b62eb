#include "player/runner/headless_services.h"

namespace mavlet {

HeadlessServices::HeadlessServices(std::ostream& err) : log_(err, LogLevel::kWarning), dialogs_(&err), sound_(clock_) {}

PlayerServices HeadlessServices::Services() {
  PlayerServices s;
  s.display = &display_;
  s.input = &input_;
  s.joysticks = nullptr;
  s.dialogs = &dialogs_;
  s.clock = &clock_;
  s.files = &files_;
  s.settings = &settings_;
  s.local_time = &date_;
  s.log = &log_;
  s.sound = &sound_;
  s.movies = &movies_;
  s.glyphs = &glyphs_;
  s.background_unpack = false;
  s.log_reports = false;
  return s;
}

}  // namespace mavlet
