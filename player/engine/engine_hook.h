#pragma once
// What an observer of the interpreter sees (the command trace of the runner, the debug window).
#include "player/engine/command.h"

namespace mavlet {

class TCallManager;

class EngineHook {
 public:
  virtual ~EngineHook() = default;
  // True while the main stream is held paused (debug stepping). Asked before the main stream
  // runs and after each of its commands, so a hold set by a command takes effect at once.
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
