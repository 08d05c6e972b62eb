#pragma once
// What the debug window knows, without any window: the command log of each stream page with
// its counter, the stop flag and step mode that hold the main stream, the breakpoints fired by
// the variable store's change notices, the variable rows and the save-slot viewer. The window
// (player/main) only draws this and forwards clicks; `mavtool run --debug-log` writes its lines.
//
// Nothing here keeps an address that can go stale: a log line remembers its command as
// (stream, page, index, page generation) and a variable row its parameter's Id(), so a reloaded
// page or a deleted variable whose memory is reused is never taken for the old one. Pages are
// capped (the oldest lines go, the counter keeps counting). System values whose reading has side
// effects or costs (the random generator, the clock and date, the click values, the font list,
// the depth list, the save headers) are never read; the data pack checks, which probe the disk,
// are shown but read only at every kRareEvery-th refresh.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "player/engine/engine_hook.h"

namespace mavlet {

class TBookManager;

// A command as the log remembers it.
struct CommandKey {
  int kind = -1;
  std::int32_t page = -1;
  std::int32_t com = -1;
  std::uint64_t generation = 0;
  friend bool operator==(const CommandKey&, const CommandKey&) = default;
};

struct DebugLogLine {
  std::string text;  // UTF-8, as the window shows it
  CommandKey key;
};

struct DebugLogPage {
  std::deque<DebugLogLine> lines;
  std::uint64_t dropped = 0;  // lines that went over the cap, oldest first
};

// A breakpoint: stops the main stream after the command that gives the variable this value
// (empty: any value). Texts are Shift-JIS, as the store's names and values.
struct DebugBreak {
  std::string name;
  std::string value;
  bool paused = false;
  bool selected = false;
};

// One row of the variable list. name_text and value_text are UTF-8 for the window; value is
// the raw Shift-JIS text the row compares against.
struct VariableRow {
  std::uint64_t id = 0;
  std::string name;  // Shift-JIS
  std::string name_text;
  std::string value;
  std::string value_text;
  bool temporary = false;
};

class DebugCore : public EngineHook {
 public:
  static constexpr int kPages = 7;
  static constexpr std::size_t kDefaultMaxLines = 5000;
  // Captions of the seven log pages (UTF-8): streams 0..5, then 6 and 7 together.
  static constexpr const char* kPageCaptions[kPages] = {"ﾒｲﾝ", "常時", "ﾃｷｽﾄ", "満杯", "終了", "ﾃｷｽﾄ内", "開始時"};
  static constexpr const char* kPausedText = "一時停止";

  // Installs itself as the store's change listener; the caller makes it the engine's hook (or
  // forwards the hook calls to it). The engine must outlive it.
  explicit DebugCore(TBookManager& book, std::size_t max_lines_per_page = kDefaultMaxLines);
  ~DebugCore() override;
  DebugCore(const DebugCore&) = delete;
  DebugCore& operator=(const DebugCore&) = delete;

  // --- EngineHook
  bool HoldMain() override { return stop_; }
  // The command log: a line per command about to execute, the counter, and in step mode the
  // stop flag.
  void OnExecute(TCallManager& mgr, TCommand& command, const TStackData& pos) override;
  // The variable refresh after each logic step.
  void OnTickEnd() override { RefreshVariables(); }

  // --- command log
  // Page index (0..6) of a stream kind: 0..5 their own page, everything else the last.
  static int PageOfKind(int kind) { return kind >= 0 && kind <= 5 ? kind : kPages - 1; }
  const DebugLogPage& Page(int page) const { return pages_[static_cast<std::size_t>(page)]; }
  std::uint64_t Counter() const { return counter_; }
  // "停止": while on, nothing is logged (and step mode stops nothing).
  bool StopLogging() const { return stop_logging_; }
  void SetStopLogging(bool on) { stop_logging_ = on; }
  // "ｽﾃｯﾌﾟ": the stop flag takes the box's state.
  bool StepMode() const { return step_mode_; }
  void SetStepMode(bool on) {
    step_mode_ = on;
    stop_ = on;
  }
  // "次へ": lets the main stream run; in step mode the next logged command stops it again.
  void Next() { stop_ = false; }
  bool Stopped() const { return stop_; }
  // Receives every new line with its page number (1..7), for a file log.
  using LineSink = std::function<void(int page_number, std::string_view line)>;
  void SetLineSink(LineSink sink) { sink_ = std::move(sink); }

  // --- breakpoints
  const std::vector<DebugBreak>& Breaks() const { return breaks_; }
  // False (nothing added) when the name is empty: the dialog refuses to close.
  bool AddBreak(std::string name, std::string value);
  bool EditBreak(std::size_t index, std::string name, std::string value);
  // Selects one break; with `add` the others keep their selection.
  void SelectBreak(std::size_t index, bool add = false);
  void SetBreakSelected(std::size_t index, bool on);
  bool AnyBreakSelected() const;
  void DeleteSelectedBreaks();
  // Every selected break takes the opposite of the first selected break's state.
  void TogglePauseSelected();
  static const char* StateText(const DebugBreak& b) { return b.paused ? kPausedText : ""; }

  // --- variables
  // "停止" of the variable list: while on, the rows stay as they are.
  bool FreezeVariables() const { return freeze_vars_; }
  void SetFreezeVariables(bool on) { freeze_vars_ = on; }
  // "ｼｽﾃﾑ変数": list the system values too (never those that NeverRead names).
  bool ShowSystemValues() const { return show_system_; }
  void SetShowSystemValues(bool on) { show_system_ = on; }
  void RefreshVariables();
  const std::vector<VariableRow>& Variables() const { return rows_; }
  // The system values the view never reads, by their table index.
  static bool NeverRead(int system_index);
  // The system values read only at every kRareEvery-th refresh (about once a second at the
  // usual 30 ms step); a new row is read at once.
  static bool ReadRarely(int system_index);
  static constexpr std::uint64_t kRareEvery = 32;

  // --- save slots
  // The lines of a save slot (0..99) in UTF-8, read only. A slot that cannot be read gives one
  // line naming the problem; a missing slot gives none.
  std::vector<std::string> SlotLines(int slot);

 private:
  void OnChange(std::string_view name, std::string_view value);
  void AddLine(int page, std::string text, const CommandKey& key);

  TBookManager& book_;
  std::size_t max_lines_;
  DebugLogPage pages_[kPages];
  std::uint64_t counter_ = 0;
  bool stop_logging_ = false;
  bool step_mode_ = false;
  bool stop_ = false;
  LineSink sink_;
  std::vector<DebugBreak> breaks_;
  bool freeze_vars_ = false;
  bool show_system_ = false;
  std::uint64_t refreshes_ = 0;
  std::vector<VariableRow> rows_;
};

}  // namespace mavlet
