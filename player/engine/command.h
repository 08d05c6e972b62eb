#pragma once
// The command protocol: every scenario keyword is a class derived from TCommand, created by its
// page and driven by the stream that runs the page.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "player/vars/condition.h"

namespace mavlet {

class TPage;
class TCallManager;
class TBookManager;
class GameServices;
class TGameStatus;

// A position in the scenario: page number (-1 = none), command index within the page, and the
// text handed to the command's Enter when it is entered there (empty unless resuming).
struct TStackData {
  std::int32_t Page = -1;
  std::int32_t Com = 0;
  std::string Resume;
};

class TCommand {
 public:
  explicit TCommand(TPage* owner) : owner_page_(owner) {}
  virtual ~TCommand() = default;
  TCommand(const TCommand&) = delete;
  TCommand& operator=(const TCommand&) = delete;

  // Flags bit of value 2: run on without waiting for the next logic step.
  static constexpr std::int32_t kFlagNonStop = 2;

  // True when the page is non-stop or Flags has the non-stop bit.
  virtual bool IsNonStop() const;
  virtual void Prepare(GameServices& sys, TBookManager& book);
  // Base: Pos.Com += 1. A command that leaves pos unchanged waits and is executed again.
  virtual void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos);
  virtual void SaveState(TCallManager& mgr, TBookManager& book, GameServices& sys, TGameStatus& status);
  // Base: Prepare.
  virtual void LoadState(TCallManager& mgr, TBookManager& book, GameServices& sys, TGameStatus& status);
  virtual void Enter(TCallManager& mgr, GameServices& sys, TBookManager& book, std::string_view resume);
  // Base: Flags := field 0 as integer (default 0); Cond := field 1.
  virtual void Parse(std::string_view args);

  // Keyword-table class name, for traces and the debug window ("TComJump").
  virtual const char* ClassName() const = 0;

  TPage* OwnerPage() const { return owner_page_; }
  // The command after or before this one in its page; nullptr at either end.
  TCommand* NextCommand() const;
  TCommand* PrevCommand() const;
  const std::string& Cond() const { return cond_; }
  // Cond cut into clauses once, on first use.
  const ParsedCondition& ParsedCond() const;
  std::int32_t Flags() const { return flags_; }

 protected:
  // Runs the always stream when due (called first by commands that can wait or loop).
  void RunAlwaysStream(TCallManager& mgr, GameServices& sys, TBookManager& book);
  void SetCond(std::string cond) {
    cond_ = std::move(cond);
    parsed_cond_.reset();
  }
  void SetFlags(std::int32_t flags) { flags_ = flags; }

 private:
  TPage* owner_page_;
  std::string cond_;
  mutable std::unique_ptr<ParsedCondition> parsed_cond_;
  std::int32_t flags_ = 0;
};

}  // namespace mavlet
