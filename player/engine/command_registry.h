#pragma once
// The 50 scenario keywords and the factories that create their command classes. The engine fills
// the flow and state commands; the display and media libraries register theirs, so the engine
// never depends on them. Built once at start-up and handed to TBookManager.
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "player/engine/command.h"

namespace mavlet {

inline constexpr int kKeywordCount = 50;

// Keywords in table order; matched ignoring ASCII letter case, first match wins.
inline constexpr std::array<std::string_view, kKeywordCount> kKeywords = {
    "SetSfc",   "FillSfc",     "OverSfc",      "Bright",   "SetFrame", "IncFrame",  "ShowSfc",
    "HideSfc",  "SetBit",      "SetFullScr",   "Effect",   "SpEffect", "SetMovie",  "SetCursor",
    "PutText",  "ClrText",     "TextPos",      "TextSpd",  "TextCol",  "TextSCol",  "SetFont",
    "Input",    "HistoryCall", "HistoryAdd",   "HistoryClear", "Jump", "Call",      "Return",
    "SelStr",   "SelMap",      "Exit",         "SaveGame", "LoadGame", "Reset",     "Label",
    "Wait",     "WaitClick",   "IntCall",      "WavPlay",  "SoundOn",  "SoundOff",  "Calc",
    "Save",     "Load",        "New",          "Del",      "ClrReg",   "DelMark",   "GetStack",
    "Comment"};

// Index of a keyword (ASCII case ignored), or nullopt.
std::optional<int> FindKeyword(std::string_view word);

class CommandRegistry {
 public:
  using Factory = std::function<std::unique_ptr<TCommand>(TPage* owner)>;

  void Register(int index, Factory factory) { factories_.at(static_cast<std::size_t>(index)) = std::move(factory); }
  template <typename T>
  void Register(int index) {
    Register(index, [](TPage* owner) { return std::make_unique<T>(owner); });
  }
  // nullptr when nothing is registered for the index.
  std::unique_ptr<TCommand> Create(int index, TPage* owner) const {
    const auto& f = factories_.at(static_cast<std::size_t>(index));
    return f ? f(owner) : nullptr;
  }
  bool Has(int index) const { return static_cast<bool>(factories_.at(static_cast<std::size_t>(index))); }

 private:
  std::array<Factory, kKeywordCount> factories_{};
};

}  // namespace mavlet
