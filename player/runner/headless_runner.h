#pragma once
// Runs a title without a screen: the player session (the same composition as the SDL player)
// on the headless services, a virtual clock stepped by the frame interval, scripted input and
// dialogs that print. Used by `mavtool run` and by the scenario tests.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "player/common/log.h"
#include "player/engine/book_manager.h"
#include "player/engine/engine_hook.h"
#include "player/runner/audio_state_log.h"
#include "player/runner/input_script.h"
#include "player/runner/text_log.h"
#include "player/shell/game_system.h"
#include "player/runner/headless_services.h"
#include "player/shell/player_config.h"
#include "player/shell/player_session.h"
#include "player/shell/startup.h"

namespace mavlet {

// A picture of the screen surface to write after a timer event.
struct ScreenShot {
  int event = 0;
  std::filesystem::path file;
};

struct RunOptions {
  int events = 600;
  // The player's settings, read once: the frame interval, the game system's switches (never
  // full screen unless asked for).
  PlayerConfig config;
  // Unpack packed sounds on a worker thread (off: runs repeat exactly).
  bool background_unpack = false;
  std::vector<InputAction> input;
  bool trace = false;
  // Answer to the save-folder prompt; none cancels it.
  std::optional<std::filesystem::path> save_dir;
  bool until_end = false;
  // Commands one logic step may run, nested runs included (tests lower it).
  std::uint64_t max_run_commands = TBookManager::kMaxRunCommands;
  // Bytes of saved games one logic step may write and read, and the largest saved game.
  std::uint64_t max_step_work_bytes = TBookManager::kMaxStepWorkBytes;
  std::size_t max_save_bytes = TBookManager::kMaxSaveBytes;
  // Colour depth of the offscreen display (16, 24 or 32).
  int bits = 32;
  // Receives a line whenever an audio channel's state changes (see AudioStateLog); not owned.
  std::ostream* audio_log = nullptr;
  // Receives a line per character the text window places, clears and fills (see TextLog).
  std::ostream* text_log = nullptr;
  // Screen pictures (PNG) after the given events, and after every shots_every-th event into
  // shots_dir as "shot-NNNNNN.png" (0: none). Folders are created as needed.
  std::vector<ScreenShot> shots;
  int shots_every = 0;
  std::filesystem::path shots_dir;
  // When set, every present (each transition step, each frame that shows something) is written
  // to this folder as "present-NNNNNN.png" (the whole window picture), with "presents.log"
  // holding one tab-separated line per present: event, present index (from 1), the rectangle
  // shown (x, y, width, height) and the transition kind (0 outside transitions).
  std::optional<std::filesystem::path> presents_dir;
  // Where the screenshot key (F12) saves; empty: it only says that it cannot.
  std::filesystem::path screenshots_dir;
  // The settings file the full-screen key and the window place are kept in; empty: none.
  std::filesystem::path config_file;
  // When set, Load fails unless the title's screen mode gives this size.
  std::optional<ScreenSize> expect_size;
  // The title's files and the fonts' glyphs from the caller (the browser's fetched files and
  // its site's font table); null: the headless bundle's own (the local files, installed fonts).
  // Not owned; they must outlive the runner.
  FileServices* files = nullptr;
  GlyphSource* glyphs = nullptr;
  // Runs after every event of Run (the browser lets its page breathe there); empty: nothing.
  std::function<void()> between_events;
};

// The debug window of a scripted run: it sees the interpreter as the engine's hook does (the
// runner forwards every call) and takes the script's debug actions. Implemented above the shell.
class ScriptedDebugger : public EngineHook {
 public:
  // The "次へ" button.
  virtual void Step() = 0;
  // A breakpoint on the variable (UTF-8 name and value; no value: any change).
  virtual void AddBreak(std::string_view name, const std::optional<std::string>& value) = 0;
};

class HeadlessRunner : private EngineHook, private PresentObserver {
 public:
  // trace_out receives the trace lines; err receives messages and warnings.
  HeadlessRunner(RunOptions options, std::ostream& trace_out, std::ostream& err);
  ~HeadlessRunner() override;

  // Starts the session on the title folder. Throws MavError when the title cannot be loaded;
  // false when the save-folder prompt was cancelled (the player would close).
  bool Load(const std::filesystem::path& title_folder);
  // Runs the events (or until stream 0 ends with until_end, or until the title quits).
  void Run();
  // One frame timer event: advances the clock by the interval, applies the input, runs the loop.
  void RunEvent();
  // The variables as a saved game holds them ("#name=type,value", UTF-8), one per line.
  void WriteVariables(std::ostream& out);

  int EventsRun() const { return event_; }
  bool MainEnded() const { return session_->MainEnded(); }
  // The engine and game system exist once Load has started the session.
  TBookManager& Book() { return *session_->Book(); }
  TGameSystem& Sys() { return *session_->Sys(); }
  PlayerSession& Session() { return *session_; }
  HeadlessClock& VirtualClock() { return headless_.Clock(); }
  HeadlessInput& Input() { return headless_.Input(); }
  HeadlessDialogs& Messages() { return headless_.Dialogs(); }
  FixedLocalTime& Date() { return headless_.Date(); }
  // The virtual-time sound output the channels play on.
  HeadlessSoundDevice& Sound() { return headless_.Sound(); }
  // The offscreen display: its screen surface holds what the player would show.
  HeadlessDisplay& Screen() { return headless_.Screen(); }
  // Writes the screen surface as a PNG, creating its folder; throws MavError naming the file
  // when it cannot.
  void SaveScreenshot(const std::filesystem::path& file);
  // Attaches a debug window (null: none); it must stay alive while the runner runs. Scripted
  // debug actions without one are ignored.
  void AttachDebugger(ScriptedDebugger* debugger) { debugger_ = debugger; }
  // True when writing the record of presents failed (the run went on without it).
  bool PresentsFailed() const { return presents_failed_; }

 private:
  // EngineHook
  void OnExecute(TCallManager& mgr, TCommand& command, const TStackData& pos) override;
  bool HoldMain() override { return debugger_ != nullptr && debugger_->HoldMain(); }
  void OnTickEnd() override {
    if (debugger_ != nullptr) debugger_->OnTickEnd();
  }

  // PresentObserver
  void OnPresent(const Surface& visible, const Rect& rect, int tag) override;

  void ApplyInput();
  void TakeShots();

  RunOptions options_;
  std::ostream& trace_out_;
  HeadlessServices headless_;
  std::optional<AudioStateLog> audio_log_;
  std::optional<TextLog> text_log_;
  std::unique_ptr<PlayerSession> session_;
  int event_ = 0;
  std::size_t next_input_ = 0;
  bool button_pressed_ = false;  // "press" without its "release" yet
  std::ofstream presents_log_;
  std::uint64_t present_index_ = 0;
  bool presents_failed_ = false;
  ScriptedDebugger* debugger_ = nullptr;
};

}  // namespace mavlet
