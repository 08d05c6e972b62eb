#include "player/engine/engine_commands.h"

#include <array>

#include "player/common/sjis_text.h"
#include "player/engine/command_registry.h"
#include "player/engine/flow_commands.h"
#include "player/engine/state_commands.h"
#include "player/engine/var_commands.h"

namespace mavlet {
namespace {

constexpr std::array<std::string_view, kKeywordCount> kClassNames = {
    "TComSurface",     "TComFillSfc",    "TComOverSfc",    "TComBright",     "TComFrame",
    "TComFrameInc",    "TComShowSfc",    "TComHideSfc",    "TComSetBit",     "TComSetFullScr",
    "TComEffect",      "TComEffect2",    "TComMovie",      "TComCursor",     "TComInsText",
    "TComClrText",     "TComTextPos",    "TComTextSpd",    "TComTextCol",    "TComTextSCol",
    "TComSetFont",     "TComInput",      "TComHistoryCall", "TComHistoryAdd", "TComHistoryClear",
    "TComJump",        "TComCall",       "TComRet",        "TComSelStr",     "TComSelMap",
    "TComExit",        "TComSaveGame",   "TComLoadGame",   "TComReset",      "TComLabel",
    "TComWait",        "TComWaitClick",  "TComIntCall",    "TComWavPlay",    "TComSoundOn",
    "TComSoundOff",    "TComCalc",       "TComSave",       "TComLoad",       "TComNew",
    "TComDel",         "TComClrReg",     "TComDelMark",    "TComGetStack",   "TComComment"};

// Where a keyword keeps Flags and Cond when its own class is not there yet.
enum class FieldLayout { kStandard, kCondField1, kCondField0, kCondField3 };

FieldLayout LayoutOf(int keyword) {
  switch (keyword) {
    case 22: return FieldLayout::kCondField1;  // HistoryCall
    case 23:
    case 24: return FieldLayout::kCondField0;  // HistoryAdd, HistoryClear
    case 48: return FieldLayout::kCondField3;  // GetStack
    default: return FieldLayout::kStandard;
  }
}

// Stand-in for a keyword whose class is not registered: keeps the standard fields and moves on.
class TComPlaceholder : public TCommand {
 public:
  TComPlaceholder(TPage* owner, int keyword) : TCommand(owner), keyword_(keyword) {}
  void Parse(std::string_view args) override {
    switch (LayoutOf(keyword_)) {
      case FieldLayout::kStandard: TCommand::Parse(args); break;
      case FieldLayout::kCondField1: SetCond(CsvField(args, 1)); break;
      case FieldLayout::kCondField0: SetCond(CsvField(args, 0)); break;
      case FieldLayout::kCondField3: SetCond(CsvField(args, 3)); break;
    }
  }
  const char* ClassName() const override { return kClassNames[static_cast<std::size_t>(keyword_)].data(); }

 private:
  int keyword_;
};

}  // namespace

std::string_view CommandClassName(int keyword_index) {
  if (keyword_index < 0 || keyword_index >= kKeywordCount) return {};
  return kClassNames[static_cast<std::size_t>(keyword_index)];
}

void RegisterEngineCommands(CommandRegistry& r) {
  r.Register<TComJump>(25);
  r.Register<TComCall>(26);
  r.Register<TComRet>(27);
  r.Register<TComExit>(30);
  r.Register<TComSaveGame>(31);
  r.Register<TComLoadGame>(32);
  r.Register<TComReset>(33);
  r.Register<TComLabel>(34);
  r.Register<TComWait>(35);
  r.Register<TComWaitClick>(36);
  r.Register<TComIntCall>(37);
  r.Register<TComCalc>(41);
  r.Register<TComSave>(42);
  r.Register<TComLoad>(43);
  r.Register<TComNew>(44);
  r.Register<TComDel>(45);
  r.Register<TComClrReg>(46);
  r.Register<TComDelMark>(47);
  r.Register<TComGetStack>(48);
  r.Register<TComComment>(49);
}

void RegisterPlaceholders(CommandRegistry& r) {
  for (int i = 0; i < kKeywordCount; ++i) {
    if (r.Has(i)) continue;
    r.Register(i, [i](TPage* owner) { return std::make_unique<TComPlaceholder>(owner, i); });
  }
}

}  // namespace mavlet
