#include "player/engine/flow_commands.h"

#include "player/common/error.h"
#include "player/common/sjis_text.h"
#include "player/engine/book_manager.h"
#include "player/engine/call_manager.h"
#include "player/vars/param_manager.h"

namespace mavlet {

void TComJump::JumpTo(TStackData& pos) const {
  pos.Page = args_.target_page;
  pos.Com = args_.target_index < 0 ? 0 : args_.target_index;
}

void TComJump::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  RunAlwaysStream(mgr, sys, book);
  JumpTo(pos);
}

void TComCall::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  if (mgr.Stack().size() >= kMaxStackDepth)
    throw MavError("Call on page " + std::to_string(pos.Page) + " at command " + std::to_string(pos.Com) +
                   ": calls nested more than " + std::to_string(kMaxStackDepth) + " deep");
  RunAlwaysStream(mgr, sys, book);
  mgr.Stack().push_back(TStackData{pos.Page, pos.Com + 1, {}});
  JumpTo(pos);
}

void TComReset::Execute(TCallManager&, GameServices& sys, TBookManager& book, TStackData&) {
  book.ResetGame(args().target_page, sys);
}

void TComRet::Execute(TCallManager& mgr, GameServices&, TBookManager&, TStackData& pos) {
  auto& stack = mgr.Stack();
  if (stack.empty()) {
    pos = TStackData{-1, 0, {}};
    return;
  }
  pos = std::move(stack.back());
  stack.pop_back();
}

void TComLabel::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  RunAlwaysStream(mgr, sys, book);
  ++pos.Com;
}

void TComGetStack::Parse(std::string_view args) {
  variable_ = CsvField(args, 0);
  depth_ = CsvField(args, 1);
  remove_ = CsvFieldInt(args, 2, 0);
  SetCond(CsvField(args, 3));
}

namespace {
std::int32_t PackPosition(std::int32_t page, std::int32_t com) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(page) << 16) | static_cast<std::uint32_t>(com));
}
}  // namespace

void TComGetStack::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  RunAlwaysStream(mgr, sys, book);
  ++pos.Com;
  TParamManager& params = book.Params();
  TParameter* var = params.Find(variable_);
  if (var == nullptr) return;
  var->SetNum(0);
  auto& stack = mgr.Stack();
  const std::int64_t count = static_cast<std::int64_t>(stack.size());
  const std::int64_t i = count - 1 - params.ValueNum(depth_);
  if (i >= 0 && i < count) {
    const TStackData& e = stack[static_cast<std::size_t>(i)];
    var->SetNum(PackPosition(e.Page, e.Com));
    if (remove_ != 0) stack.erase(stack.begin() + static_cast<std::ptrdiff_t>(i));
  } else if (i < 0 && !book.IsMain(mgr)) {
    const TStackData& main = book.Manager(0).Pos();
    var->SetNum(PackPosition(main.Page, main.Com));
  }
}

void TComExit::Execute(TCallManager&, GameServices&, TBookManager& book, TStackData&) {
  book.RequestTerminate();
}

void TComIntCall::Execute(TCallManager&, GameServices&, TBookManager& book, TStackData& pos) {
  book.StartInterrupt(args_.stream, args_.page);
  ++pos.Com;
}

}  // namespace mavlet
