#pragma once
// The engine object: the title's settings, the eight streams, the variable store, the scenario
// archive and the engine's part of a saved game. One per player; everything it needs from the
// host comes in through EngineServices.
#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "player/engine/call_manager.h"
#include "player/common/random.h"
#include "player/engine/global_file.h"
#include "player/storage/file_unit.h"
#include "player/vars/system_value_host.h"

namespace mavlet {

class Clock;
class CommandRegistry;
class Dialogs;
class EngineHook;
class FileServices;
class Log;
class SettingsStore;
class TGameStatus;
class GameServices;
class TParamManager;
class TParameter;

struct EngineServices {
  const CommandRegistry* registry = nullptr;
  FileServices* files = nullptr;
  SettingsStore* settings = nullptr;
  Dialogs* dialogs = nullptr;
  Clock* clock = nullptr;
  Log* log = nullptr;
  // Calendar time for "@Year".."@Week"; null reads a fixed date.
  LocalTimeSource* local_time = nullptr;
  // Where scenario n comes from; unset: the title's files and archives. nullopt = missing.
  std::function<std::optional<ByteBuffer>(std::int32_t n)> scenario_source;
  // Commands one run "to its end" may execute before it yields (see kMaxRunCommands).
  std::uint64_t max_run_commands = 1'000'000;
  // Bytes of saved games one logic step may write and read (see kMaxStepWorkBytes).
  std::uint64_t max_step_work_bytes = std::uint64_t{2} << 20;
  // Largest saved game (see kMaxSaveBytes).
  std::size_t max_save_bytes = std::size_t{64} << 20;
};

class TBookManager : public EngineValueHost {
 public:
  static constexpr int kStreams = 8;
  // Default upper bound of commands one run "to its end" may execute before it yields with a
  // warning: far above any sane scenario, so none can freeze the player.
  static constexpr std::uint64_t kMaxRunCommands = 1'000'000;
  // A logic step ends early, as when its commands are spent, once it has
  // - done kMaxStepWorkBytes of work on slot files: the lines written and read (before packing)
  //   and kSlotWriteWorkBytes more for each file written (packing it and flushing it to disk
  //   costs milliseconds however small it is). A saved game takes tens of kilobytes, so a step
  //   may still write about eight slot files, while a page that calls itself and saves on every
  //   level (a growing call stack each time) would otherwise spend minutes in one step;
  // - run kMaxBusyStepMs on a real clock without waiting: far above any sane step (a frame is
  //   30 ms) and well below the few seconds after which a desktop calls a window hung. Time
  //   spent sleeping inside a run to its end does not count; a transition or a question inside
  //   one command does, so after a long one the rest of the step's non-stop commands runs in
  //   the next step (a frame later). A virtual clock never moves while
  //   work is done, so headless runs are decided by the command and work budgets alone and
  //   repeat exactly.
  // Either is logged once; the warning comes again only after a step that was not cut so.
  static constexpr std::uint64_t kMaxStepWorkBytes = std::uint64_t{2} << 20;
  static constexpr std::uint64_t kSlotWriteWorkBytes = std::uint64_t{256} << 10;
  static constexpr std::uint32_t kMaxBusyStepMs = 1000;
  // A saved game larger than this is refused (an error; the slot keeps what it held): room for
  // a few variables at the text length limit, and a bound on what one SaveGame writes.
  static constexpr std::size_t kMaxSaveBytes = std::size_t{64} << 20;
  // Keys of the slot that keeps values across games.
  static constexpr int kStoreSlot = 99;

  explicit TBookManager(const EngineServices& services);
  ~TBookManager() override;
  TBookManager(const TBookManager&) = delete;
  TBookManager& operator=(const TBookManager&) = delete;

  // Reads Global.pmx below the folder, declares the variables, opens the scenario archive and
  // makes sure a save folder is set. Throws MavError naming the file and the problem.
  void Init(const std::filesystem::path& folder);
  // Same from data already read (tests, tools); folder is the title folder.
  void InitFrom(const std::filesystem::path& folder, const TGlobalData& data);

  // --- streams
  void Restart();
  // One logic step. True when the main stream has ended (or the player is closing).
  bool Tick(GameServices& sys);
  void StartInterrupt(int k, std::int32_t page);
  std::int32_t IntPage(int k) const { return int_page_[static_cast<std::size_t>(k)]; }
  TCallManager& Manager(int k) { return *managers_[static_cast<std::size_t>(k)]; }
  bool IsMain(const TCallManager& mgr) const { return &mgr == managers_[0].get(); }
  // Runs the always stream when due; only for commands of the main stream.
  void RunAlwaysStream(TCallManager& mgr, GameServices& sys);
  // The one way to run a stream "to its end" inside a single command (the always stream, the
  // page run after LoadGame, handler streams of a text, a choice's sub-scenario): advances the
  // stream until it ends. A command that waits there (Wait, WaitClick, a sound) waits for real:
  // between its executions the run sleeps kRunWaitStepMs on the clock and calls
  // sys.KeepAlive(), so time moves on (a virtual clock advances) and the window stays alive.
  // Executed commands count against the shared budget (RunBudgetSpent) and against
  // kMaxRunCommands for this run, which cuts endless non-stop loops; runs nest at most
  // kMaxRunDepth deep. `what` names the run in the warning. False when the run was cut short.
  // A run also stops (quietly, returning true) as soon as `stop`, when given, holds after an
  // Advance.
  bool RunToEnd(TCallManager& mgr, GameServices& sys, std::string_view what,
                const std::function<bool()>& stop = {});
  static constexpr std::uint32_t kRunWaitStepMs = 10;
  std::uint64_t MaxRunCommands() const { return services_.max_run_commands; }
  // One budget of MaxRunCommands() commands is shared by a logic step and every run nested in it
  // (always stream, after-load pages, handler and choice streams), so runs that nest each other
  // cannot multiply their bounds. True once the budget in force is spent.
  bool RunBudgetSpent();
  // Counts bytes of saved games written or read against the step's work budget.
  void AddStepWork(std::uint64_t bytes) { work_done_ += bytes; }
  std::uint64_t MaxStepWorkBytes() const { return services_.max_step_work_bytes; }
  void ResetGame(std::int32_t page, GameServices& sys);

  // Reads scenario n into a page that LoadScenario has just cleared.
  void ReadScenarioInto(TPage& page, std::int32_t n);

  // --- variables
  TParamManager& Params() { return *params_; }
  bool CheckCondition(const std::string& cond);
  // Marks are kept by variable id, so a variable that is removed (Del, New replacing it, a load)
  // leaves the marks and a newer variable at the same address is never taken for it.
  void AddMark(const TParameter& param);
  void DelMarks();
  void ForgetMark(const TParameter* param);

  // --- slots
  // The save folder: the "SavePath" setting read afresh; empty when the title uses no settings.
  std::filesystem::path GetSavePath();
  std::string ReadKey(int slot, std::string_view key, std::string_view fallback);
  void WriteKey(int slot, std::string_view key, std::string_view value);
  std::string ReadStoreValue(std::string_view key, std::string_view fallback) {
    return ReadKey(kStoreSlot, key, fallback);
  }
  void WriteStoreValue(std::string_view key, std::string_view value) { WriteKey(kStoreSlot, key, value); }
  void SaveGameSlot(int slot, GameServices& sys);
  // Loading finishes every step even when one fails (a damaged picture or sound); the first
  // failure is raised after that. A slot that cannot be read throws before anything changes.
  void LoadGameSlot(int slot, GameServices& sys);
  // The same, handing back the first failure (null for none) instead of raising it.
  [[nodiscard]] std::exception_ptr LoadGameSlotFirstError(int slot, GameServices& sys);
  // Deletes the title's settings key (the save folder is asked for again at the next start).
  void ClearSettings();

  // --- player state
  void RequestTerminate() { terminating_ = true; }
  bool Terminating() const { return terminating_; }
  // A closed window (or a process told to end) ends the game as Exit does: the engine
  // terminates, so no later command of the running step executes and every nested wait returns.
  // Asked at the start of each logic step and by the nested waits; true once terminating.
  bool TerminateOnClose(GameServices& sys);
  bool StopFrame() const { return stop_frame_; }
  void SetStopFrame(bool on) { stop_frame_ = on; }

  // Title settings.
  const std::filesystem::path& BasePath() const { return base_path_; }
  const std::filesystem::path& WavPath() const { return wav_path_; }
  const std::string& Title() const { return title_; }
  std::uint8_t ScreenMode() const { return screen_mode_; }
  std::int32_t StartPage() const { return start_page_; }
  const std::string& RegKey() const { return reg_key_; }
  bool NoRegistry() const { return no_registry_ != 0; }

  // Engine state the text, layer and choice commands share.
  std::int32_t text_spd = 3;
  std::int32_t text_col = 0;
  std::int32_t text_scol = 0;
  std::string font_name;  // Shift-JIS
  bool no_paint_back = false;
  std::int32_t text_start_pos = 0;
  std::int32_t text_start_token = 0;
  std::vector<std::pair<std::int32_t, std::int32_t>> history;

  // Text skipping ("@NoTextWait"): while on and text is shown, pages run without waiting; a
  // press of the decide or cancel button ends it.
  bool TextShown() const { return text_shown_; }
  void SetTextShown(bool on) { text_shown_ = on; }
  bool SkippingText() const { return no_text_wait_ && text_shown_; }
  // Ends the skipping when the decide or cancel button was pressed (one query each, in order).
  void StopTextSkipOnPress(GameServices& sys);

  // The colour depth the title asked for (SetBit, or the depth chosen at start) and the
  // full-screen switch. Full screen is refused at 8 bits or less.
  std::int32_t BitCount() const { return bit_count_; }
  void SetBitCount(std::int32_t bits) { bit_count_ = bits; }
  bool FullScreenOn() const { return full_screen_on_; }
  void SetFullScreenOn(bool on) { full_screen_on_ = on; }
  bool FullScreenAllowed(bool on) const { return !on || bit_count_ > 8; }

  // The text font: taken only when it is one of the screen's fonts with a double-byte character
  // in its name that is not a vertical ("@") font; otherwise nothing changes. True when taken.
  bool SetFontName(std::string_view name, GameServices& sys);

  // Services.
  Clock& GetClock() { return *services_.clock; }
  Log& GetLog() { return *services_.log; }
  Dialogs& GetDialogs() { return *services_.dialogs; }
  FileServices& FileSystem() { return *services_.files; }
  const CommandRegistry& Registry() const { return *services_.registry; }
  TFileUnit& Archive() { return archive_; }

  void SetHook(EngineHook* hook) { hook_ = hook; }
  EngineHook* Hook() const { return hook_; }
  // A number for each scenario load into a page, never repeated within this engine: a command
  // is identified by (stream, page, index, generation) even after its page was reloaded.
  std::uint64_t NextPageGeneration() { return ++page_generation_; }

  // The command last about to execute (innermost stream): identifies where an error came from.
  struct CommandSite {
    const TCommand* command = nullptr;
    int kind = -1;
    std::int32_t page = -1;
    std::int32_t com = -1;
    friend bool operator==(const CommandSite&, const CommandSite&) = default;
  };
  const CommandSite& LastSite() const { return last_site_; }
  void NoteExecute(TCallManager& mgr, TCommand& command, const TStackData& pos);

  static const char* const kDefaultFontName;  // "ＭＳ ゴシック" in Shift-JIS
  TRandom& Rng() { return random_; }

  // System values the engine owns.
  TRandom* Random() override { return &random_; }
  Clock* TickClock() override { return services_.clock; }
  LocalTimeSource* LocalTime() override { return services_.local_time; }
  FileServices* Files() override { return services_.files; }
  std::filesystem::path TitleFolder() override { return base_path_; }
  std::filesystem::path SaveFolder() override { return GetSavePath(); }
  std::string ReadSlotKey(int slot, std::string_view key, std::string_view fallback) override {
    return ReadSlotFileKey(SaveFolder(), slot, key, fallback);
  }
  void WriteSlotKey(int slot, std::string_view key, std::string_view value) override {
    AddStepWork(kSlotWriteWorkBytes);
    WriteSlotFileKey(SaveFolder(), slot, key, value);
  }
  std::int32_t TextSpd() override { return text_spd; }
  void SetTextSpd(std::int32_t v) override { text_spd = v; }
  bool NoTextWait() override { return no_text_wait_; }
  void SetNoTextWait(bool on) override { no_text_wait_ = on; }
  bool NoPaintBack() override { return no_paint_back; }
  void SetNoPaintBack(bool on) override { no_paint_back = on; }
  std::int32_t NowPage() override { return managers_[0]->Pos().Page; }
  void SetPendingPage(std::int32_t page) override { managers_[0]->SetPendingPage(page); }
  std::int32_t HistoryCount() override { return static_cast<std::int32_t>(history.size()); }
  std::string FontName() override { return font_name; }

 private:
  // The engine's part of a slot: variables, text settings, streams, history and marks.
  void LoadEngineState(TGameStatus& status, GameServices& sys);
  // Every key of a saved game into the status (cleared first but for its header).
  void WriteGame(TGameStatus& status, GameServices& sys);

  void SetUpSaveFolder();
  std::string SettingsKey() const;

  EngineServices services_;
  std::unique_ptr<TParamManager> params_;
  std::array<std::unique_ptr<TCallManager>, kStreams> managers_;
  std::array<std::int32_t, kStreams> int_page_{};
  std::filesystem::path base_path_;
  std::filesystem::path wav_path_;
  std::string title_;
  std::uint8_t screen_mode_ = 0;
  std::int32_t start_page_ = -1;
  std::string reg_key_;
  std::uint8_t no_registry_ = 0;
  TFileUnit archive_;
  std::vector<std::uint64_t> marks_;  // variable ids
  EngineHook* hook_ = nullptr;
  CommandSite last_site_;
  std::int32_t bit_count_ = 0;
  bool full_screen_on_ = false;
  bool no_text_wait_ = false;
  bool text_shown_ = false;
  bool terminating_ = false;
  bool stop_frame_ = false;
  bool always_running_ = false;
  int run_depth_ = 0;
  // Commands executed by every stream; the shared run budget is counted against it.
  std::uint64_t total_executed_ = 0;
  std::uint64_t page_generation_ = 0;
  std::uint64_t budget_end_ = 0;
  int budget_users_ = 0;
  bool budget_warned_ = false;
  // Why the step in force was cut, and why the step before it was.
  enum class StepCut { kNone, kCommands, kWork, kTime };
  StepCut step_cut_ = StepCut::kNone;
  StepCut last_step_cut_ = StepCut::kNone;
  // Bytes of saved games written and read; the work budget is counted against it.
  std::uint64_t work_done_ = 0;
  std::uint64_t work_end_ = 0;
  // Clock reading when the step began or last slept.
  std::uint32_t busy_since_ms_ = 0;
  friend class RunBudget;
  TRandom random_;
};

}  // namespace mavlet
