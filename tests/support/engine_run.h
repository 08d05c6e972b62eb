#pragma once
// The engine alone on scenario texts held in memory: a small fake of the game system's port
// (FakeGame) and a run helper (EngineRun) that owns the engine and the back-end services it
// needs (memory files and settings, silent dialogs, a manual clock). Engine tests use it instead
// of a whole title run; a failed logic step is kept in errors() instead of failing the test.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/headless/headless_dialogs.h"
#include "player/backend/headless/headless_settings.h"
#include "player/common/log.h"
#include "player/engine/book_manager.h"
#include "player/engine/command_registry.h"
#include "player/engine/game_services.h"
#include "tests/support/fake_files.h"
#include "tests/support/manual_clock.h"

namespace mavlet::testing {

// The game system's port with buttons the test presses by hand; counts what the engine asks.
class FakeGame : public GameServices {
 public:
  // The presses set before a step are the ones that step reports.
  void BeginStep() override;
  // A query takes the press it reports.
  bool ClickPressed() override;
  bool CancelPressed() override;
  void ConsumePresses() override { click_now = cancel_now = false; }
  void InvalidateAll() override { ++invalidations; }
  void RedrawAll() override { ++redraws; }
  void ResetAll() override { ++resets; }
  void SaveToStatus(TGameStatus&) override {}
  void LoadFromStatus(TGameStatus&) override {}
  void KeepAlive() override {}
  std::vector<std::string> ScreenFonts() override { return {}; }
  DisplayServices* DisplayPort() override { return nullptr; }
  MediaServices* MediaPort() override { return nullptr; }

  bool click = false;
  bool cancel = false;
  bool click_now = false;
  bool cancel_now = false;
  int invalidations = 0;
  int redraws = 0;
  int resets = 0;
};

// Variables a run declares, by kind (UTF-8 names).
struct EngineNames {
  std::vector<std::string> nums = {"A", "B"};
  std::vector<std::string> strs;
  std::vector<std::string> flags;
};

// An engine on scenario texts (UTF-8, by page number; the run starts on page 1), with the
// engine's own commands only, restarted and ready for its first logic step.
class EngineRun {
 public:
  // `clock`, when given, replaces the run's manual clock; the run steps it by sleeping.
  explicit EngineRun(std::map<int, std::string> pages, EngineNames names = {}, Clock* clock = nullptr);
  ~EngineRun();
  EngineRun(const EngineRun&) = delete;
  EngineRun& operator=(const EngineRun&) = delete;

  // n logic steps, 30 ms of clock apart. A step that throws is recorded in errors().
  void Steps(int n);
  // A missing variable fails the test.
  std::int32_t Num(std::string_view utf8_name);
  std::string Str(std::string_view utf8_name);  // UTF-8
  bool Has(std::string_view utf8_name);
  // The last logic step reported the main stream as ended.
  bool MainEnded() const { return main_ended_; }
  const std::vector<std::string>& errors() const { return errors_; }
  MemoryLog& log() { return log_; }
  // Log entries that hold `part`.
  int Warnings(std::string_view part) const;

  TBookManager& Book() { return *book; }

  FakeGame game;
  std::unique_ptr<TBookManager> book;

 private:
  std::map<int, std::string> pages_;  // Shift-JIS
  CommandRegistry registry_;
  FakeFiles files_;
  MemorySettings settings_;
  HeadlessDialogs dialogs_{nullptr};
  ManualClock clock_;
  Clock* clock_in_use_;
  MemoryLog log_;
  std::vector<std::string> errors_;
  bool main_ended_ = false;
};

}  // namespace mavlet::testing
