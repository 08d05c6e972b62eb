#pragma once
// The headless back end as one bundle: a virtual clock, scripted input, dialogs and log that
// print to a stream, settings kept in memory, the POSIX file lookup, a fixed date, a
// virtual-time sound device, FFmpeg's movie decoding and an offscreen display. It hands out the same PlayerServices the
// SDL program fills, so a headless run and the player share one composition (PlayerSession).
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <utility>

#include "player/backend/display.h"
#include "player/backend/fonts/freetype_glyphs.h"
#include "player/backend/headless/headless_clock.h"
#include "player/backend/headless/headless_dialogs.h"
#include "player/backend/headless/headless_input.h"
#include "player/backend/headless/headless_settings.h"
#include "player/backend/headless/headless_sound.h"
#include "player/backend/movie/ffmpeg_movie.h"
#include "player/backend/posix/posix_file_services.h"
#include "player/common/log.h"
#include "player/shell/player_session.h"
#include "player/vars/local_time.h"

namespace mavlet {

// The offscreen display: the display interface used as it is, with the desktop depth the run
// asks for (the session picks the desktop's depth when it is offered).
class HeadlessDisplay : public Display {
 public:
  void SetDesktopBitCount(int bits) { desktop_bits_ = bits; }
  int DesktopBitCount() const override { return desktop_bits_; }
  // A minimised window, for tests of what the player skips while nobody sees it.
  void SetVisible(bool visible) { visible_ = visible; }
  bool Visible() const override { return visible_; }
  // Runs whenever a loop outside the frame timer (a transition, a stream run that waits) lets
  // the window deliver its messages: tests press and let go there. Empty: nothing happens.
  void SetPumpHook(std::function<void()> hook) { pump_hook_ = std::move(hook); }
  void PumpMessages() override {
    if (pump_hook_) pump_hook_();
  }

 private:
  std::function<void()> pump_hook_;
  int desktop_bits_ = 32;
  bool visible_ = true;
};

class HeadlessServices {
 public:
  // err receives the log (warnings and errors) and every message box.
  explicit HeadlessServices(std::ostream& err);
  HeadlessServices(const HeadlessServices&) = delete;
  HeadlessServices& operator=(const HeadlessServices&) = delete;

  // Everything a PlayerSession needs; the message boxes already print, so reports are not
  // logged a second time. Sound unpacks on the frame's thread, so runs repeat exactly.
  PlayerServices Services();

  HeadlessClock& Clock() { return clock_; }
  HeadlessInput& Input() { return input_; }
  HeadlessDialogs& Dialogs() { return dialogs_; }
  MemorySettings& Settings() { return settings_; }
  FixedLocalTime& Date() { return date_; }
  HeadlessSoundDevice& Sound() { return sound_; }
  FfmpegMovieOpener& Movies() { return movies_; }
  HeadlessDisplay& Screen() { return display_; }
  StreamLog& Log() { return log_; }
  PosixFileServices& Files() { return files_; }
  OnDemandGlyphs& Glyphs() { return glyphs_; }
  JoystickPort* Joysticks() { return nullptr; }  // no joystick support

 private:
  StreamLog log_;
  HeadlessClock clock_;
  HeadlessInput input_;
  HeadlessDialogs dialogs_;
  MemorySettings settings_;
  PosixFileServices files_;
  FixedLocalTime date_;
  HeadlessSoundDevice sound_;
  FfmpegMovieOpener movies_;
  HeadlessDisplay display_;
  OnDemandGlyphs glyphs_;
};

}  // namespace mavlet
