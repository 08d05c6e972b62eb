#pragma once
// What an observer of the interpreter sees (the command trace of the runner, the debug window).
#include "player/engine/command.h"

namespace mavlet {

class TCallManager;

class EngineHook {
 public:
  virtual ~EngineHook() = default;
  // True while the main stream is held paused (debug stepping).
  virtual bool HoldMain() { return false; }
  // Called just before a command's Execute, with the position it executes at.
  virtual void OnExecute(TCallManager& mgr, TCommand& command, const TStackData& pos) = 0;
  // Called at the end of each logic step.
  virtual void OnTickEnd() {}
};

// Label of each of the eight streams, UTF-8 (as the debug window shows them).
inline constexpr const char* kStreamLabels[8] = {
    "ﾒｲﾝ", "常時", "ﾃｷｽﾄ表示時", "ﾃｷｽﾄ満杯時", "ﾃｷｽﾄ終了時", "ﾃｷｽﾄ内", "ﾃｷｽﾄ開始時", "汎用"};

}  // namespace mavlet
