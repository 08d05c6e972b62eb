#pragma once
// The debug core behind a scripted run (`mavtool run`, the scenario tests): the runner forwards
// the engine's hook calls and the script's "debug-step" and "debug-break" lines here.
#include <optional>
#include <string>
#include <string_view>

#include "player/debug/debug_core.h"
#include "player/runner/headless_runner.h"

namespace mavlet {

class ScriptedDebug : public ScriptedDebugger {
 public:
  explicit ScriptedDebug(DebugCore& core) : core_(core) {}

  bool HoldMain() override { return core_.HoldMain(); }
  void OnExecute(TCallManager& mgr, TCommand& command, const TStackData& pos) override {
    core_.OnExecute(mgr, command, pos);
  }
  void OnTickEnd() override { core_.OnTickEnd(); }
  void Step() override { core_.Next(); }
  // A name or value that Shift-JIS cannot hold could never match: such a break is not added
  // and LastBreakRefused() says so.
  void AddBreak(std::string_view name, const std::optional<std::string>& value) override;
  bool LastBreakRefused() const { return refused_; }

 private:
  DebugCore& core_;
  bool refused_ = false;
};

}  // namespace mavlet
