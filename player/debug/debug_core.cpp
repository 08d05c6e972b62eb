#include "player/debug/debug_core.h"

#include <algorithm>
#include <exception>
#include <unordered_map>
#include <utility>

#include "player/common/encoding.h"
#include "player/engine/book_manager.h"
#include "player/engine/call_manager.h"
#include "player/engine/page.h"
#include "player/storage/game_status.h"
#include "player/vars/name_match.h"
#include "player/vars/param_manager.h"
#include "player/vars/param_system.h"

namespace mavlet {

DebugCore::DebugCore(TBookManager& book, std::size_t max_lines_per_page)
    : book_(book), max_lines_(std::max<std::size_t>(max_lines_per_page, 1)) {
  book_.Params().SetOnChange(
      [this](TParameter&, std::string_view name, std::string_view value) { OnChange(name, value); });
}

DebugCore::~DebugCore() {
  book_.Params().SetOnChange(nullptr);
  if (book_.Hook() == this) book_.SetHook(nullptr);
}

// --- command log

void DebugCore::OnExecute(TCallManager& mgr, TCommand& command, const TStackData& pos) {
  if (stop_logging_) return;
  const int kind = mgr.Kind();
  const int page = PageOfKind(kind);
  const TPage* owner = command.OwnerPage();
  const CommandKey key{kind, pos.Page, pos.Com, owner != nullptr ? owner->Generation() : 0};
  DebugLogPage& p = pages_[static_cast<std::size_t>(page)];
  // A command executed again (a wait over many steps) is logged once; the counter runs on.
  if (!p.lines.empty() && p.lines.back().key == key) {
    ++counter_;
    return;
  }
  std::string text = "[" + std::to_string(counter_) + "]" + kStreamLabels[kind & 7] +
                     " ﾍﾟｰｼﾞ:" + std::to_string(pos.Page) + " " +
                     std::to_string(static_cast<std::int64_t>(pos.Com) + 1) + "行目 " + command.ClassName();
  AddLine(page, std::move(text), key);
  // Step mode counts commands of the main stream only: a handler stream that logs a line while
  // a main command waits (the always stream every 30 ms) must not hold the main stream again.
  if (kind == 0) stop_ = step_mode_;
  ++counter_;
}

void DebugCore::AddLine(int page, std::string text, const CommandKey& key) {
  DebugLogPage& p = pages_[static_cast<std::size_t>(page)];
  p.lines.push_back(DebugLogLine{std::move(text), key});
  if (sink_) sink_(page + 1, p.lines.back().text);
  while (p.lines.size() > max_lines_) {
    p.lines.pop_front();
    ++p.dropped;
  }
}

// --- breakpoints

void DebugCore::OnChange(std::string_view name, std::string_view value) {
  for (std::size_t i = 0; i < breaks_.size(); ++i) {
    const DebugBreak& b = breaks_[i];
    if (b.paused || !NamesMatch(b.name, name)) continue;
    if (!b.value.empty() && b.value != value) continue;
    step_mode_ = true;
    stop_ = true;
    SelectBreak(i);
    return;
  }
}

bool DebugCore::AddBreak(std::string name, std::string value) {
  if (name.empty()) return false;
  breaks_.push_back(DebugBreak{std::move(name), std::move(value), false, false});
  return true;
}

bool DebugCore::EditBreak(std::size_t index, std::string name, std::string value) {
  if (index >= breaks_.size() || name.empty()) return false;
  breaks_[index].name = std::move(name);
  breaks_[index].value = std::move(value);
  return true;
}

void DebugCore::SelectBreak(std::size_t index, bool add) {
  for (std::size_t i = 0; i < breaks_.size(); ++i) {
    if (i == index)
      breaks_[i].selected = true;
    else if (!add)
      breaks_[i].selected = false;
  }
}

void DebugCore::SetBreakSelected(std::size_t index, bool on) {
  if (index < breaks_.size()) breaks_[index].selected = on;
}

bool DebugCore::AnyBreakSelected() const {
  return std::any_of(breaks_.begin(), breaks_.end(), [](const DebugBreak& b) { return b.selected; });
}

void DebugCore::DeleteSelectedBreaks() {
  std::erase_if(breaks_, [](const DebugBreak& b) { return b.selected; });
}

void DebugCore::TogglePauseSelected() {
  auto first = std::find_if(breaks_.begin(), breaks_.end(), [](const DebugBreak& b) { return b.selected; });
  if (first == breaks_.end()) return;
  const bool paused = !first->paused;
  for (DebugBreak& b : breaks_)
    if (b.selected) b.paused = paused;
}

// --- variables

bool DebugCore::NeverRead(int system_index) {
  // The random generator, date and time, the click values (reading consumes the press), the font
  // and depth lists, and the save headers (each opens a slot).
  return (system_index >= 0 && system_index <= 7) || system_index == 90 || system_index == 91 || system_index == 96 ||
         system_index == 100 || (system_index >= 104 && system_index <= 125);
}

bool DebugCore::ReadRarely(int system_index) {
  // The data pack checks of the scenario, picture and sound packs: each probes the disk (the 15
  // of them made a refresh with system values about twelve times dearer), and a pack is
  // installed or not for the whole run as a rule.
  return system_index >= 128 && system_index <= 142;
}

void DebugCore::RefreshVariables() {
  if (freeze_vars_) return;
  TParamManager& store = book_.Params();
  std::unordered_map<std::uint64_t, std::size_t> old_rows;
  old_rows.reserve(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) old_rows.emplace(rows_[i].id, i);
  std::vector<VariableRow> rows;
  rows.reserve(store.Count());
  const bool read_rare = refreshes_ % kRareEvery == 0;
  ++refreshes_;
  for (std::size_t i = 0; i < store.Count(); ++i) {
    TParameter& param = store.At(i);
    bool rare = false;
    if (param.IsSystemValue()) {
      if (!show_system_) continue;
      const auto* sys = dynamic_cast<const TParamSystem*>(&param);
      if (sys == nullptr || NeverRead(sys->SysIndex())) continue;
      rare = ReadRarely(sys->SysIndex());
    }
    VariableRow row;
    bool known = false;
    if (auto it = old_rows.find(param.Id()); it != old_rows.end()) {
      row = std::move(rows_[it->second]);
      known = true;
    } else {
      row.id = param.Id();
      row.name = param.Name();
      row.name_text = SjisToUtf8(param.Name());
      row.temporary = param.Temporary();
    }
    if (known && rare && !read_rare) {
      rows.push_back(std::move(row));
      continue;
    }
    try {
      std::string value = param.GetStr();
      // Only a changed value is converted again.
      if (row.value != value || row.value_text.empty()) {
        row.value_text = SjisToUtf8(value);
        row.value = std::move(value);
      }
    } catch (const std::exception& e) {
      // A value that cannot be read shows why (the message is already UTF-8).
      row.value.clear();
      row.value_text = e.what();
    }
    rows.push_back(std::move(row));
  }
  rows_ = std::move(rows);
}

// --- save slots

std::vector<std::string> DebugCore::SlotLines(int slot) {
  slot = std::clamp(slot, 0, 99);
  std::vector<std::string> out;
  try {
    TGameStatus status(book_.GetSavePath(), slot);
    out.reserve(status.Lines().size());
    for (const std::string& line : status.Lines()) out.push_back(SjisToUtf8(line));
  } catch (const std::exception& e) {
    out.assign(1, e.what());
  }
  return out;
}

}  // namespace mavlet
