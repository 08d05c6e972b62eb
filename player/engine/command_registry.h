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

// The keyword table, the one place keywords, their numbers and their class names are written:
// the position is the keyword's number, the class name the one traces and the debug window show.
struct KeywordEntry {
  std::string_view keyword;
  std::string_view class_name;
};
inline constexpr std::array<KeywordEntry, kKeywordCount> kKeywordTable = {{
    {"SetSfc", "TComSurface"},          {"FillSfc", "TComFillSfc"},
    {"OverSfc", "TComOverSfc"},         {"Bright", "TComBright"},
    {"SetFrame", "TComFrame"},          {"IncFrame", "TComFrameInc"},
    {"ShowSfc", "TComShowSfc"},         {"HideSfc", "TComHideSfc"},
    {"SetBit", "TComSetBit"},           {"SetFullScr", "TComSetFullScr"},
    {"Effect", "TComEffect"},           {"SpEffect", "TComEffect2"},
    {"SetMovie", "TComMovie"},          {"SetCursor", "TComCursor"},
    {"PutText", "TComInsText"},         {"ClrText", "TComClrText"},
    {"TextPos", "TComTextPos"},         {"TextSpd", "TComTextSpd"},
    {"TextCol", "TComTextCol"},         {"TextSCol", "TComTextSCol"},
    {"SetFont", "TComSetFont"},         {"Input", "TComInput"},
    {"HistoryCall", "TComHistoryCall"}, {"HistoryAdd", "TComHistoryAdd"},
    {"HistoryClear", "TComHistoryClear"}, {"Jump", "TComJump"},
    {"Call", "TComCall"},               {"Return", "TComRet"},
    {"SelStr", "TComSelStr"},           {"SelMap", "TComSelMap"},
    {"Exit", "TComExit"},               {"SaveGame", "TComSaveGame"},
    {"LoadGame", "TComLoadGame"},       {"Reset", "TComReset"},
    {"Label", "TComLabel"},             {"Wait", "TComWait"},
    {"WaitClick", "TComWaitClick"},     {"IntCall", "TComIntCall"},
    {"WavPlay", "TComWavPlay"},         {"SoundOn", "TComSoundOn"},
    {"SoundOff", "TComSoundOff"},       {"Calc", "TComCalc"},
    {"Save", "TComSave"},               {"Load", "TComLoad"},
    {"New", "TComNew"},                 {"Del", "TComDel"},
    {"ClrReg", "TComClrReg"},           {"DelMark", "TComDelMark"},
    {"GetStack", "TComGetStack"},       {"Comment", "TComComment"},
}};

// The number of a keyword, worked out while compiling: a misspelt keyword does not build.
// Code names keywords only this way, never by their numbers.
consteval int KeywordIndex(std::string_view keyword) {
  for (int i = 0; i < kKeywordCount; ++i) {
    if (kKeywordTable[static_cast<std::size_t>(i)].keyword == keyword) return i;
  }
  throw "not a scenario keyword";
}

// The keyword of a number (0..kKeywordCount-1), as the table spells it.
constexpr std::string_view KeywordName(int index) { return kKeywordTable.at(static_cast<std::size_t>(index)).keyword; }

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
  // A class that names its keyword (TKeywordCommand) is filed under it.
  template <typename T>
  void Register() {
    Register<T>(T::kKeyword);
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
