#pragma once
// Commands that move execution, keep the call stack, start handler streams, reset or quit.
#include <cstdint>
#include <string>

#include "player/engine/keyword_command.h"

namespace mavlet {

struct JumpArgs {
  std::int32_t target_page = -1;
  std::string label;  // kept for the author only
  std::int32_t target_index = 0;
  bool operator==(const JumpArgs&) const = default;
};

class TComJump : public TArgsCommand<KeywordIndex("Jump"), JumpArgs, &JumpArgs::target_page, &JumpArgs::label,
                                     &JumpArgs::target_index> {
 public:
  using TArgsCommand::TArgsCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

 protected:
  // Pos := target page, target index (0 when negative).
  void JumpTo(TStackData& pos) const;
};

class TComCall : public TKeywordCommand<KeywordIndex("Call"), TComJump> {
 public:
  // Calls nested deeper than this are refused with an error: no scenario may exhaust memory.
  static constexpr std::size_t kMaxStackDepth = 100'000;
  using TKeywordCommand::TKeywordCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

class TComReset : public TKeywordCommand<KeywordIndex("Reset"), TComJump> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

class TComRet : public TKeywordCommand<KeywordIndex("Return")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

struct LabelArgs {
  std::string name;
  bool operator==(const LabelArgs&) const = default;
};

class TComLabel : public TArgsCommand<KeywordIndex("Label"), LabelArgs, &LabelArgs::name> {
 public:
  using TArgsCommand::TArgsCommand;
  bool IsNonStop() const override { return true; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const std::string& Name() const { return args_.name; }
};

class TComGetStack : public TKeywordCommand<KeywordIndex("GetStack")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

 private:
  std::string variable_;
  std::string depth_;
  std::int32_t remove_ = 0;
};

class TComExit : public TKeywordCommand<KeywordIndex("Exit")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  bool IsNonStop() const override { return false; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

struct IntCallArgs {
  std::int32_t stream = 0;
  std::int32_t page = -1;
  bool operator==(const IntCallArgs&) const = default;
};

class TComIntCall
    : public TArgsCommand<KeywordIndex("IntCall"), IntCallArgs, &IntCallArgs::stream, &IntCallArgs::page> {
 public:
  using TArgsCommand::TArgsCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

class TComComment : public TKeywordCommand<KeywordIndex("Comment")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  // A comment has no fields at all, not even Flags and Cond.
  void Parse(std::string_view) override {}
};

}  // namespace mavlet
