#include "player/engine/engine_commands.h"

#include "player/common/sjis_text.h"
#include "player/engine/command_registry.h"
#include "player/engine/flow_commands.h"
#include "player/engine/state_commands.h"
#include "player/engine/var_commands.h"

namespace mavlet {
namespace {

// Where a keyword keeps Flags and Cond when its own class is not there yet.
enum class FieldLayout { kStandard, kCondField1, kCondField0, kCondField3 };

FieldLayout LayoutOf(int keyword) {
  switch (keyword) {
    case KeywordIndex("HistoryCall"): return FieldLayout::kCondField1;
    case KeywordIndex("HistoryAdd"):
    case KeywordIndex("HistoryClear"): return FieldLayout::kCondField0;
    case KeywordIndex("GetStack"): return FieldLayout::kCondField3;
    default: return FieldLayout::kStandard;
  }
}

// Stand-in for a keyword whose class is not registered: keeps the standard fields and moves on.
class UnregisteredCommand : public TCommand {
 public:
  UnregisteredCommand(TPage* owner, int keyword) : TCommand(owner), keyword_(keyword) {}
  void Parse(std::string_view args) override {
    switch (LayoutOf(keyword_)) {
      case FieldLayout::kStandard: TCommand::Parse(args); break;
      case FieldLayout::kCondField1: SetCond(CsvField(args, 1)); break;
      case FieldLayout::kCondField0: SetCond(CsvField(args, 0)); break;
      case FieldLayout::kCondField3: SetCond(CsvField(args, 3)); break;
    }
  }
  const char* ClassName() const override { return CommandClassName(keyword_).data(); }

 private:
  int keyword_;
};

}  // namespace

std::string_view CommandClassName(int keyword_index) {
  if (keyword_index < 0 || keyword_index >= kKeywordCount) return {};
  return kKeywordTable[static_cast<std::size_t>(keyword_index)].class_name;
}

void RegisterEngineCommands(CommandRegistry& r) {
  r.Register<TComJump>();
  r.Register<TComCall>();
  r.Register<TComRet>();
  r.Register<TComExit>();
  r.Register<TComSaveGame>();
  r.Register<TComLoadGame>();
  r.Register<TComReset>();
  r.Register<TComLabel>();
  r.Register<TComWait>();
  r.Register<TComWaitClick>();
  r.Register<TComIntCall>();
  r.Register<TComCalc>();
  r.Register<TComSave>();
  r.Register<TComLoad>();
  r.Register<TComNew>();
  r.Register<TComDel>();
  r.Register<TComClrReg>();
  r.Register<TComDelMark>();
  r.Register<TComGetStack>();
  r.Register<TComComment>();
}

void RegisterPlaceholders(CommandRegistry& r) {
  for (int i = 0; i < kKeywordCount; ++i) {
    if (r.Has(i)) continue;
    r.Register(i, [i](TPage* owner) { return std::make_unique<UnregisteredCommand>(owner, i); });
  }
}

}  // namespace mavlet
