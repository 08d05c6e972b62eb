#pragma once
// The player from the main window's creation to its destruction, free of any window system:
// it reads the title, sizes the display, creates the joystick front end, the engine and the
// game system with the one command set (RegisterAllCommands), wires them to each other and
// answers the frame timer. It is the one composition root: a platform hands it a filled
// PlayerServices (the SDL program, the headless bundle behind `mavtool run`, the scenario tests
// and the run fuzzer) and one PlayerConfig, and feeds it window events.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "player/backend/display.h"
#include "player/backend/frame_timer.h"
#include "player/engine/book_manager.h"
#include "player/engine/command_registry.h"
#include "player/shell/absent_outputs.h"
#include "player/shell/frame_loop.h"
#include "player/shell/game_input.h"
#include "player/shell/game_system.h"
#include "player/shell/player_config.h"
#include "player/shell/player_services.h"

namespace mavlet {

// The game system's settings for a configuration; background_unpack comes from the services.
GameSystemOptions GameSystemOptionsFor(const PlayerConfig& config, bool background_unpack);

class PlayerSession : private FrameClient, private DisplayListener {
 public:
  static constexpr const char* kCaption = "Mavlet";

  PlayerSession(const PlayerServices& services, const PlayerConfig& config);
  ~PlayerSession() override;
  PlayerSession(const PlayerSession&) = delete;
  PlayerSession& operator=(const PlayerSession&) = delete;

  enum class StartResult {
    kRunning,    // the display is up and the frame timer runs
    kFailed,     // the title could not be read: reported, the window stays empty
    kCancelled,  // the save folder prompt was cancelled: the player closes
  };
  // The creation steps from the engine on. Errors of the title are reported through the dialogs
  // and the log, never thrown.
  StartResult Start(const std::filesystem::path& project_folder);
  // The same for a title whose Global.pmx was read already (tools, fuzzing): no title folder.
  StartResult StartFrom(const TGlobalData& global);
  const std::string& StartError() const { return start_error_; }

  FrameTimer& Timer() { return timer_; }
  // Polls the frame timer and runs an event when it fires. True when an event ran.
  bool PollTimer();
  // One frame timer event with the given lag; an error is reported and the loop goes on.
  void RunTimerEvent(std::uint32_t lag);
  // The application became active again: the next event flips the whole screen.
  void OnActivated() { loop_.RequestFlip(); }
  // The window's contents were lost (exposed, resized): show the screen surface again.
  void OnExposed();
  // Closing the window or the Exit command.
  void RequestQuit() { quit_requested_ = true; }
  bool QuitRequested() const;

  // Called after every logic step and every audio update (a headless run logs audio changes).
  void SetStepObserver(std::function<void()> observer) { step_observer_ = std::move(observer); }
  // The main stream ended in the last logic step.
  bool MainEnded() const { return main_ended_; }

  // Engine front of the full-screen switch: refused at 8 bits or less.
  void SetFullScreen(bool on);
  // Keeps the window's scale and place for this title in the settings file (nothing while it is
  // full screen or before a title runs). The player calls it when it closes.
  void KeepWindowPlace();
  // The file the last screenshot went to (empty before the first).
  const std::filesystem::path& LastScreenshot() const { return last_screenshot_; }

  // How long the window title tells where a screenshot went.
  static constexpr std::uint32_t kNoticeMs = 2000;

  TBookManager* Book() { return book_.get(); }
  // Unhooks and destroys the hook made by the services' make_hook (its window could not open);
  // the engine goes on with the services' plain hook.
  void DropMadeHook();
  TGameSystem* Sys() { return sys_.get(); }
  TGameInput* Joystick() { return joystick_.get(); }
  // Depths above 8 bits offered at the game screen size.
  const std::vector<std::int32_t>& BitList() const;

 private:
  // FrameClient
  bool Ready() override;
  void Restart() override;
  void EnterFullScreen() override { SetFullScreen(true); }
  bool ApplicationActive() override;
  void FlipScreen() override;
  void Tick() override;
  bool Terminating() override { return QuitRequested(); }
  void UpdateAudio() override;
  bool CanDraw() override;
  void Compose() override;
  // DisplayListener
  void OnDisplayInitialized() override;
  void OnDisplayFinalizing() override;
  void OnSurfacesRestored() override;

  // Start's steps around the engine's initialisation.
  StartResult StartWith(const std::function<void()>& init);
  void SetBitCount(int bits);
  void Report(const std::string& message);
  // The player's own keys (full screen, screenshot), and the window title's notice running out.
  void HandlePlayerKeys();
  void ToggleFullScreen();
  void SaveScreenshot();
  // The title's settings key (UTF-8), else its caption: the name its window place is kept under.
  std::string TitleKey() const;

  PlayerServices services_;
  PlayerConfig config_;
  SilentSoundDevice silent_;  // the sound output when the platform brings none
  NoGlyphs no_glyphs_;        // the fonts when the platform brings none
  CommandRegistry registry_;
  FrameTimer timer_;
  FrameLoop loop_;
  std::unique_ptr<TBookManager> book_;
  std::unique_ptr<EngineHook> made_hook_;  // needs book_: goes before it
  std::unique_ptr<TGameInput> joystick_;
  std::unique_ptr<TGameSystem> sys_;
  std::string start_error_;
  bool quit_requested_ = false;
  bool main_ended_ = false;
  std::function<void()> step_observer_;
  std::string caption_;  // the title's caption, UTF-8
  std::optional<std::uint32_t> notice_until_;
  std::filesystem::path last_screenshot_;
  // The last error of a timer event: shown once, repeats of it only logged, so a command that
  // keeps failing cannot bury the window under message boxes.
  std::optional<std::pair<TBookManager::CommandSite, std::string>> last_error_;
};

}  // namespace mavlet
