#pragma once
// The browser's platform as bundles. WebContent is what both runs share: the title at /title
// (placeholders from the site's manifest, each file fetched the first time the player opens it)
// and the fonts of the site's font table at /fonts (fetched on first use), through the same
// PathResolver and FreeType code as on the desktop. WebPlatform is the real-time player: the
// SDL window on the page's canvas (software renderer), SDL input, pads through the Gamepad API,
// Web Audio through SDL's driver, FFmpeg's movies, questions drawn in the game window, settings
// in /persist (IndexedDB). It fills PlayerServices as the desktop's SdlPlatform does.
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "player/backend/fonts/freetype_glyphs.h"
#include "player/backend/movie/ffmpeg_movie.h"
#include "player/backend/posix/ini_settings.h"
#include "player/backend/posix/pending_files.h"
#include "player/backend/posix/posix_file_services.h"
#include "player/backend/sdl/sdl_clock.h"
#include "player/backend/sdl/sdl_dialogs.h"
#include "player/backend/sdl/sdl_display.h"
#include "player/backend/sdl/sdl_joystick.h"
#include "player/backend/sdl/sdl_sound.h"
#include "player/shell/player_config.h"
#include "player/shell/player_services.h"
#include "player/vars/local_time.h"
#include "player/web/web_input.h"

namespace mavlet {

class Log;

namespace web {

inline const std::filesystem::path kTitleFolder = "/title";
inline const std::filesystem::path kFontFolder = "/fonts";
inline const std::filesystem::path kPersistFolder = "/persist";

// The game window on the page's canvas. Full screen (F11, Alt+Enter, the title's own switch) is
// the page's, as its button gives it: the stage goes full screen and the page keeps scaling the
// canvas by whole multiples. SDL's own canvas full screen is not used: a browser grants it only
// inside an input handler, so SDL's request waited for the next key, which then undid it.
class WebDisplay : public SdlDisplay {
 public:
  using SdlDisplay::SdlDisplay;

 protected:
  void ApplyFullScreen(bool on) override;
};

// A face locator for the site's font table that fetches a face's file before FreeType opens it.
FaceLocatorFactory SiteFaces(PendingFiles& fonts, std::ostream& err);

class WebContent {
 public:
  // err receives what could not be fetched for the fonts (the text is then drawn empty).
  explicit WebContent(std::ostream& err);
  WebContent(const WebContent&) = delete;
  WebContent& operator=(const WebContent&) = delete;

  // Fetches the site's manifest (title.txt) and makes the title's placeholders; with its
  // prefetch line, fetches every file now. Throws MavError naming the file.
  void LoadManifest();

  FileServices& Files() { return fetched_; }
  OnDemandGlyphs& Glyphs() { return glyphs_; }

 private:
  PosixFileServices posix_;
  PendingFiles title_files_;
  FetchedFileServices fetched_;
  PendingFiles font_files_;
  OnDemandGlyphs glyphs_;
};

// The dialogs of the browser: messages and questions in the game window (and on the console);
// the save-folder prompt is answered with the title's folder below /persist/saves, unasked.
class WebDialogs : public Dialogs {
 public:
  WebDialogs(SdlDialogs& boxes, std::ostream& err) : boxes_(boxes), err_(err) {}
  void SetSaveFolder(std::filesystem::path folder) { save_folder_ = std::move(folder); }

  void ShowMessage(std::string_view caption, std::string_view text) override;
  bool AskOkCancel(std::string_view caption, std::string_view text) override;
  std::optional<std::filesystem::path> AskFolder(std::string_view prompt,
                                                 const std::filesystem::path& suggestion) override;
  bool CloseRequested() const override { return boxes_.CloseRequested(); }

 private:
  SdlDialogs& boxes_;
  std::ostream& err_;
  std::filesystem::path save_folder_;
};

// The title's save folder below /persist/saves, named after its settings key (UTF-8) as the
// desktop names its folders ("Software\\Maker\\Game" -> /persist/saves/Maker/Game).
std::filesystem::path SaveFolderForKey(std::string_view key_utf8);

class WebPlatform {
 public:
  // Opens the window on the page's canvas. Throws MavError when it cannot be made.
  WebPlatform(WebContent& content, mavlet::Log& log, std::ostream& err);
  WebPlatform(const WebPlatform&) = delete;
  WebPlatform& operator=(const WebPlatform&) = delete;

  // The browser build has no threads, so packed sounds are unpacked where they are asked for: a
  // worker that cannot start leaves std::async's shared state waiting on it for ever.
  PlayerServices Services() {
    PlayerServices s = PlatformServices(*this);
    s.background_unpack = false;
    return s;
  }

  WebDisplay& Screen() { return *display_; }
  WebInputState& Input() { return *input_; }
  SdlJoystickPort* Joysticks() { return joysticks_.get(); }
  WebDialogs& Dialogs() { return dialogs_; }
  SdlClock& Clock() { return clock_; }
  FileServices& Files() { return content_.Files(); }
  IniSettings& Settings() { return settings_; }
  SystemLocalTime& Date() { return local_time_; }
  mavlet::Log& Log() { return log_; }
  SdlSoundDevice& Sound() { return sound_; }
  FfmpegMovieOpener& Movies() { return movies_; }
  OnDemandGlyphs& Glyphs() { return content_.Glyphs(); }

 private:
  WebContent& content_;
  mavlet::Log& log_;
  std::unique_ptr<WebDisplay> display_;
  std::unique_ptr<WebInputState> input_;
  SdlDialogs boxes_;
  WebDialogs dialogs_;
  SdlClock clock_;
  IniSettings settings_;
  SystemLocalTime local_time_;
  SdlSoundDevice sound_;
  FfmpegMovieOpener movies_;
  std::unique_ptr<SdlJoystickPort> joysticks_;
};

}  // namespace web
}  // namespace mavlet
