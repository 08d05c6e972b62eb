#pragma once
// The SDL platform as one bundle: the window (SdlDisplay), its input and joysticks, message
// boxes, the SDL clock and sound device, FFmpeg's movie decoding, the POSIX file lookup, the INI
// settings store, the local date and the installed fonts. It fills the PlayerServices struct the
// session is built from; the headless bundle (player/runner) fills the same struct, so the
// player and `mavtool run` differ only here. SDL must be initialised (SDL_INIT_EVENTS) before;
// a window that cannot be made throws MavError.
#include <memory>
#include <ostream>

#include "player/backend/fontconfig/fontconfig_locator.h"
#include "player/backend/fonts/freetype_glyphs.h"
#include "player/backend/movie/ffmpeg_movie.h"
#include "player/backend/posix/ini_settings.h"
#include "player/backend/posix/posix_file_services.h"
#include "player/backend/sdl/sdl_clock.h"
#include "player/backend/sdl/sdl_dialogs.h"
#include "player/backend/sdl/sdl_display.h"
#include "player/backend/sdl/sdl_input.h"
#include "player/backend/sdl/sdl_joystick.h"
#include "player/backend/sdl/sdl_sound.h"
#include "player/shell/player_config.h"
#include "player/shell/player_services.h"
#include "player/vars/local_time.h"

namespace mavlet {

class Log;

class SdlPlatform {
 public:
  // The window follows the configuration's scale, filter and vertical sync; joysticks are
  // opened only when it lets the pad be used. err receives what message boxes cannot show.
  SdlPlatform(const PlayerConfig& config, mavlet::Log& log, std::ostream& err);
  SdlPlatform(const SdlPlatform&) = delete;
  SdlPlatform& operator=(const SdlPlatform&) = delete;

  // Everything a PlayerSession needs from this platform; the caller adds the settings file and
  // the screenshot folder.
  PlayerServices Services();

  SdlDisplay& Screen() { return *display_; }
  SdlInputState& Input() { return *input_; }
  SdlJoystickPort* Joysticks() { return joysticks_.get(); }
  SdlDialogs& Dialogs() { return dialogs_; }
  SdlClock& Clock() { return clock_; }
  PosixFileServices& Files() { return files_; }
  IniSettings& Settings() { return settings_; }
  SystemLocalTime& Date() { return local_time_; }
  mavlet::Log& Log() { return log_; }
  SdlSoundDevice& Sound() { return sound_; }
  FfmpegMovieOpener& Movies() { return movies_; }
  OnDemandGlyphs& Glyphs() { return glyphs_; }

 private:
  mavlet::Log& log_;
  std::unique_ptr<SdlDisplay> display_;
  std::unique_ptr<SdlInputState> input_;
  PosixFileServices files_;
  SdlDialogs dialogs_;
  SdlClock clock_;
  IniSettings settings_;
  SystemLocalTime local_time_;
  // Opened only when a title switches sound on.
  SdlSoundDevice sound_;
  FfmpegMovieOpener movies_;
  OnDemandGlyphs glyphs_;
  std::unique_ptr<SdlJoystickPort> joysticks_;
};

}  // namespace mavlet
