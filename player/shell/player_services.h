#pragma once
// The one struct a platform fills to run the player: its display, input, joysticks, dialogs,
// clock, files, settings, date, log, sound, movies and glyphs, plus how the session runs. The
// SDL program, the headless bundle (mavtool run, the scenario tests, the run fuzzer) and any
// further platform differ only in what they put here. Nothing in it is owned by the session.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "player/engine/book_manager.h"
#include "player/engine/engine_hook.h"
#include "player/storage/byte_buffer.h"

namespace mavlet {

class Clock;
class Dialogs;
class Display;
class FileServices;
class GlyphSource;
class InputState;
class JoystickPort;
class LocalTimeSource;
class Log;
class MovieOpener;
class SettingsStore;
class SoundDevice;

struct PlayerServices {
  Display* display = nullptr;
  InputState* input = nullptr;
  JoystickPort* joysticks = nullptr;  // null: no joystick support at all
  Dialogs* dialogs = nullptr;
  Clock* clock = nullptr;
  FileServices* files = nullptr;
  SettingsStore* settings = nullptr;
  LocalTimeSource* local_time = nullptr;
  Log* log = nullptr;
  // Sound output; null leaves the player silent. A device that cannot be opened keeps sound off.
  SoundDevice* sound = nullptr;
  // Movie decoding; null plays no movies (SetMovie reports them and moves on).
  MovieOpener* movies = nullptr;
  // The glyphs of the installed fonts (text window, choices, "@Fonts"); null: no font, text
  // keeps its layout and draws nothing.
  GlyphSource* glyphs = nullptr;
  // Where scenario n comes from; unset: the title's files and archives (nullopt = missing).
  std::function<std::optional<ByteBuffer>(std::int32_t n)> scenario_source;
  // Hears every command the engine runs (trace, debug window); null: nobody. Not owned.
  EngineHook* hook = nullptr;
  // Makes a hook that needs the engine itself (the debug window's core), called once the session
  // has made its engine and before the title starts. The session owns what it makes, hooks it in
  // place of `hook`, and drops it before the engine goes. Unset: `hook` alone.
  std::function<std::unique_ptr<EngineHook>(TBookManager&)> make_hook;

  // How the session runs; the SDL program keeps the defaults.
  // Unpack packed sounds on a worker thread, so that starting one never stalls a frame; runs on
  // a virtual clock turn it off to stay repeatable.
  bool background_unpack = true;
  // Commands one logic step may run, nested runs included (tests lower it).
  std::uint64_t max_run_commands = TBookManager::kMaxRunCommands;
  // Bytes of saved games one logic step may write and read, and the largest saved game.
  std::uint64_t max_step_work_bytes = TBookManager::kMaxStepWorkBytes;
  std::size_t max_save_bytes = TBookManager::kMaxSaveBytes;
  // Errors are shown through the dialogs and logged; false when the dialogs already print them.
  bool log_reports = true;
  // The settings file (mavlet.ini) where the player keeps the full-screen key's choice and each
  // title's window place; empty: nothing is kept.
  std::filesystem::path config_file;
  // Where the screenshot key saves; empty: the key only says that it cannot.
  std::filesystem::path screenshot_folder;
};

// The services of a platform bundle, filled in this one place: the bundle names its parts
// Screen, Input, Joysticks (a pointer, null without joystick support), Dialogs, Clock, Files,
// Settings, Date, Log, Sound, Movies and Glyphs. The bundle then adds how its runs go.
template <typename Platform>
PlayerServices PlatformServices(Platform& p) {
  PlayerServices s;
  s.display = &p.Screen();
  s.input = &p.Input();
  s.joysticks = p.Joysticks();
  s.dialogs = &p.Dialogs();
  s.clock = &p.Clock();
  s.files = &p.Files();
  s.settings = &p.Settings();
  s.local_time = &p.Date();
  s.log = &p.Log();
  s.sound = &p.Sound();
  s.movies = &p.Movies();
  s.glyphs = &p.Glyphs();
  return s;
}

}  // namespace mavlet
