// mavlet: plays a title in a window.
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/fontconfig/fontconfig_locator.h"
#include "player/backend/fonts/freetype_glyphs.h"
#include "player/backend/posix/posix_file_services.h"
#include "player/backend/sdl/sdl_clock.h"
#include "player/backend/sdl/sdl_dialogs.h"
#include "player/backend/sdl/sdl_display.h"
#include "player/backend/sdl/sdl_input.h"
#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/common/log.h"
#include "player/debug/debug_core.h"
#include "player/engine/book_manager.h"
#include "player/engine/global_file.h"
#include "player/main/debug_window.h"
#include "player/main/sdl_platform.h"
#include "player/shell/instance_lock.h"
#include "player/shell/player_config.h"
#include "player/shell/player_prefs.h"
#include "player/shell/player_session.h"
#include "player/shell/startup.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::optional<std::string>(v) : std::nullopt;
}

fs::path PlayerFolder(const char* argv0) {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) exe = fs::absolute(argv0, ec);
  return exe.parent_path();
}

// The folder offered for save data when no folder chooser is installed, named after the
// title's settings key. Read errors are left to the engine, which reports them properly.
fs::path SaveFolderOffer(FileServices& files, const fs::path& project) {
  std::string key;
  try {
    if (std::optional<fs::path> global = files.Resolve(project, "Pmx\\Global.pmx"))
      key = SjisToUtf8(ReadGlobalFile(*global).RegKey);
  } catch (const MavError&) {
  }
  return DefaultSaveFolder(Env("XDG_DATA_HOME"), Env("HOME"), key.empty() ? "untitled" : key);
}

void HandleEvent(const SDL_Event& e, SdlDisplay& display, SdlInputState& input, PlayerSession* session,
                 DebugWindow* debug, bool& quit) {
  // The debug window's own events are its alone; F9 in the play window shows it again (F11 and
  // F12 are the player's full-screen and screenshot keys).
  if (debug != nullptr && debug->HandleEvent(e)) return;
  if (debug != nullptr && e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_F9 && e.key.windowID == display.WindowId())
    debug->Show();
  // Back from the debug window: a click on the play window gives it the keyboard again.
  if (debug != nullptr && e.type == SDL_MOUSEBUTTONDOWN && e.button.windowID == display.WindowId() &&
      SDL_GetKeyboardFocus() != display.Window())
    SDL_SetWindowInputFocus(display.Window());
  input.OnEvent(e);
  const SdlDisplay::WindowRequest request =
      e.type == SDL_QUIT ? SdlDisplay::WindowRequest::kClose : display.OnWindowEvent(e);
  if (request == SdlDisplay::WindowRequest::kActivate && session) session->OnActivated();
  if (request == SdlDisplay::WindowRequest::kClose) {
    quit = true;
    if (session) session->RequestQuit();
  }
}

int Run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const CommandLine cmd = ParseCommandLine(args);
  if (cmd.show_help) {
    std::cout << UsageText();
    return 0;
  }
  if (cmd.show_version) {
    std::cout << "mavlet " << MAVLET_VERSION << '\n';
    return 0;
  }
  if (!cmd.error.empty()) {
    std::cerr << "mavlet: " << cmd.error << '\n' << UsageText();
    return 2;
  }

  StreamLog log(std::cerr, Env("MAVLET_LOG") == std::optional<std::string>("info") ? LogLevel::kInfo : LogLevel::kWarning);
  const fs::path player_folder = PlayerFolder(argv[0]);
  // Held while we run; a second player finds it taken and runs all the same.
  InstanceLock lock(InstanceLock::DefaultFolder(Env("XDG_RUNTIME_DIR"), TempFolderFrom(std::getenv("TMPDIR"))));
  if (!lock.Held()) log.Info("another player is running");

  PlayerConfig config;
  const fs::path config_file = FindConfigFile(player_folder, Env("XDG_CONFIG_HOME"), Env("HOME"));
  try {
    config = LoadPlayerConfig(config_file, &log);
  } catch (const MavError& e) {
    log.Error(std::string(e.what()) + "; using the default settings");
  }

  // The window system converts window titles through the character type locale, which a C
  // program only has once it asks; a plain "C" locale cannot hold the title's Japanese, so UTF-8
  // stands in for it. Only LC_CTYPE: numbers keep their "C" format.
  const char* ctype = std::setlocale(LC_CTYPE, "");
  if (ctype == nullptr || std::string_view(ctype) == "C" || std::string_view(ctype) == "POSIX")
    std::setlocale(LC_CTYPE, "C.UTF-8");
  SDL_SetHint(SDL_HINT_APP_NAME, "Mavlet");
  if (SDL_Init(SDL_INIT_EVENTS) != 0) {
    std::cerr << "mavlet: cannot start SDL: " << SDL_GetError() << '\n';
    return 1;
  }
  int exit_code = 0;
  {
    std::unique_ptr<SdlPlatform> platform;
    try {
      platform = std::make_unique<SdlPlatform>(config, log, std::cerr);
    } catch (const MavError& e) {
      std::cerr << "mavlet: " << e.what() << '\n';
      SDL_Quit();
      return 1;
    }
    SdlDisplay* display = &platform->Screen();
    SdlInputState& input = platform->Input();
    SdlClock& clock = platform->Clock();
    SdlDialogs& dialogs = platform->Dialogs();
    PosixFileServices& files = platform->Files();
    if (std::optional<fs::path> icon = files.Resolve(player_folder, "mavlet.ico")) {
      if (!display->SetIconFile(*icon)) log.Warn(icon->string() + ": not a usable icon");
    }

    const fs::path project = ChooseProjectFolder(cmd, player_folder, files);
    dialogs.SetFallbackFolder(SaveFolderOffer(files, project));
    const bool debug_mode = DebugWindowAllowed(cmd, player_folder, files);
    if (cmd.debug_mode && !debug_mode) log.Info("-debugmode ignored: Korbel.exe is not beside the player");

    PlayerServices services = platform->Services();
    services.config_file = config_file;
    services.screenshot_folder = DefaultScreenshotFolder(Env("XDG_PICTURES_DIR"), Env("XDG_CONFIG_HOME"), Env("HOME"));
    // The debug window's core watches the engine from its making (before the title starts) to
    // the session's end; the session owns it.
    DebugCore* debug_core = nullptr;
    if (debug_mode)
      services.make_hook = [&debug_core](TBookManager& book) {
        auto core = std::make_unique<DebugCore>(book);
        debug_core = core.get();
        return std::unique_ptr<EngineHook>(std::move(core));
      };
    PlayerSession session(services, config);
    const PlayerSession::StartResult started = session.Start(project);
    bool quit = started == PlayerSession::StartResult::kCancelled;
    if (started == PlayerSession::StartResult::kFailed) {
      // Reported (message box and standard error): the player ends instead of showing an
      // empty window.
      if (!files.Resolve(project, "Pmx\\Global.pmx"))
        std::cerr << "mavlet: no title in " << project.string()
                  << ": Pmx/Global.pmx is missing (give the folder that holds it)\n";
      else
        std::cerr << "mavlet: the title in " << project.string() << " cannot start: " << session.StartError() << '\n';
      exit_code = 1;
      quit = true;
    }
    // The debug window goes before the session that owns its core and the engine.
    std::unique_ptr<DebugWindow> debug_window;
    if (debug_core != nullptr && started == PlayerSession::StartResult::kRunning && session.Book() != nullptr) {
      try {
        const std::unique_ptr<FreeTypeGlyphs> glyphs = InstalledGlyphs();
        debug_window = std::make_unique<DebugWindow>(*debug_core, *session.Book(), *session.Sys(), display->Window(),
                                                     input, glyphs->FaceFile(TBookManager::kDefaultFontName), log);
      } catch (const MavError& e) {
        // Without its window the core is of no use; the title runs on.
        log.Error(e.what());
        session.DropMadeHook();
        debug_core = nullptr;
      }
    }
    // A close request during a question ends the player too.
    if (dialogs.CloseRequested()) quit = true;
    while (!quit && !session.QuitRequested() && !dialogs.CloseRequested()) {
      SDL_Event e;
      // Sleep in the event queue until the next frame is due: an idle title costs no CPU.
      std::uint32_t wait = session.Timer().MsUntilDue();
      if (debug_window) wait = std::min<std::uint32_t>(wait, 50);
      if (clock.WaitEvent(e, wait)) {
        HandleEvent(e, *display, input, &session, debug_window.get(), quit);
        while (SDL_PollEvent(&e)) HandleEvent(e, *display, input, &session, debug_window.get(), quit);
      }
      if (!quit) session.PollTimer();
      if (debug_window) debug_window->Frame();
    }
    session.KeepWindowPlace();
    debug_window.reset();
  }
  SDL_Quit();
  return exit_code;
}

}  // namespace
}  // namespace mavlet

int main(int argc, char** argv) { return mavlet::Run(argc, argv); }
