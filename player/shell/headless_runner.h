#pragma once
// Runs a title without a screen: a virtual clock stepped by the frame interval, scripted input,
// dialogs that print, the same engine, game system and frame loop as the player. Used by
// `mavtool run` and by the scenario tests.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/display.h"
#include "player/backend/headless/headless_clock.h"
#include "player/backend/headless/headless_dialogs.h"
#include "player/backend/headless/headless_input.h"
#include "player/backend/headless/headless_settings.h"
#include "player/backend/headless/headless_sound.h"
#include "player/backend/posix/posix_file_services.h"
#include "player/common/log.h"
#include "player/engine/book_manager.h"
#include "player/engine/command_registry.h"
#include "player/engine/engine_hook.h"
#include "player/shell/audio_state_log.h"
#include "player/shell/frame_loop.h"
#include "player/shell/game_system.h"
#include "player/shell/startup.h"
#include "player/vars/local_time.h"

namespace mavlet {

// One line of an input script: "EVENT ACTION".
struct InputAction {
  enum class Kind { kClick, kCancel, kUp, kDown, kLeft, kRight, kCtrl, kMouse };
  int event = 0;
  Kind kind = Kind::kClick;
  int x = 0;  // kMouse only
  int y = 0;
};
// Lines "EVENT click|cancel|up|down|left|right|ctrl" or "EVENT mouse X Y"; "#" lines and blank
// lines are skipped. Throws MavError naming the source and the line.
std::vector<InputAction> ParseInputScript(std::string_view text, std::string_view source_name);

// A picture of the screen surface to write after a timer event.
struct ScreenShot {
  int event = 0;
  std::filesystem::path file;
};

struct RunOptions {
  int events = 600;
  std::uint32_t interval_ms = 30;
  std::vector<InputAction> input;
  bool trace = false;
  // Answer to the save-folder prompt; none cancels it.
  std::optional<std::filesystem::path> save_dir;
  bool until_end = false;
  // Commands one logic step may run, nested runs included (tests lower it).
  std::uint64_t max_run_commands = 1'000'000;
  // Registers command classes beyond the engine's own (display, media); placeholders fill the rest.
  std::function<void(CommandRegistry&)> register_commands;
  // Colour depth of the offscreen display (16, 24 or 32) and the game system's settings.
  int bits = 32;
  GameSystemOptions game;
  // Receives a line whenever an audio channel's state changes (see AudioStateLog); not owned.
  std::ostream* audio_log = nullptr;
  // Screen pictures (PNG) after the given events, and after every shots_every-th event into
  // shots_dir as "shot-NNNNNN.png" (0: none). Folders are created as needed.
  std::vector<ScreenShot> shots;
  int shots_every = 0;
  std::filesystem::path shots_dir;
  // When set, Load fails unless the title's screen mode gives this size.
  std::optional<ScreenSize> expect_size;
};

class HeadlessRunner : private FrameClient, private EngineHook, private DisplayListener {
 public:
  // trace_out receives the trace lines; err receives messages and warnings.
  HeadlessRunner(RunOptions options, std::ostream& trace_out, std::ostream& err);
  ~HeadlessRunner() override;

  // Init of the title folder. Throws MavError when the title cannot be loaded; false when the
  // save-folder prompt was cancelled (the player would close).
  bool Load(const std::filesystem::path& title_folder);
  // Runs the events (or until stream 0 ends with until_end, or until the title quits).
  void Run();
  // One frame timer event: advances the clock by the interval, applies the input, runs the loop.
  void RunEvent();
  // The variables as a saved game holds them ("#name=type,value", UTF-8), one per line.
  void WriteVariables(std::ostream& out);

  int EventsRun() const { return event_; }
  bool MainEnded() const { return main_ended_; }
  TBookManager& Book() { return *book_; }
  TGameSystem& Sys() { return *sys_; }
  HeadlessClock& VirtualClock() { return clock_; }
  HeadlessInput& Input() { return input_; }
  HeadlessDialogs& Messages() { return dialogs_; }
  FixedLocalTime& Date() { return date_; }
  // The virtual-time sound output the channels play on.
  HeadlessSoundDevice& Sound() { return sound_; }
  // The offscreen display: its screen surface holds what the player would show.
  Display& Screen() { return display_; }
  // Writes the screen surface as a PNG, creating its folder; throws MavError naming the file
  // when it cannot.
  void SaveScreenshot(const std::filesystem::path& file);

 private:
  // FrameClient
  bool Ready() override { return true; }
  void Restart() override { book_->Restart(); }
  void EnterFullScreen() override {}
  bool ApplicationActive() override { return input_.ApplicationActive(); }
  void FlipScreen() override { sys_->FlipScreen(); }
  void Tick() override;
  bool Terminating() override { return book_->Terminating(); }
  void UpdateAudio() override;
  bool CanDraw() override { return true; }
  void Compose() override { sys_->Compose(); }
  // EngineHook
  void OnExecute(TCallManager& mgr, TCommand& command, const TStackData& pos) override;
  // DisplayListener
  void OnDisplayInitialized() override { sys_->Initialize(); }
  void OnDisplayFinalizing() override { sys_->Finalize(); }

  void ApplyInput();
  void TakeShots();
  void ReportError(const std::string& message);

  RunOptions options_;
  std::ostream& trace_out_;
  StreamLog log_;
  HeadlessClock clock_;
  HeadlessInput input_;
  HeadlessDialogs dialogs_;
  MemorySettings settings_;
  PosixFileServices files_;
  FixedLocalTime date_;
  HeadlessSoundDevice sound_;
  std::optional<AudioStateLog> audio_log_;
  CommandRegistry registry_;
  std::unique_ptr<TBookManager> book_;
  Display display_;
  std::unique_ptr<TGameSystem> sys_;
  FrameLoop loop_;
  int event_ = 0;
  std::size_t next_input_ = 0;
  bool main_ended_ = false;
  // The last error shown: the same error from the same command is shown once, then only logged.
  std::optional<std::pair<TBookManager::CommandSite, std::string>> last_error_;
};

}  // namespace mavlet
