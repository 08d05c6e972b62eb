#pragma once
// Commands that move execution, keep the call stack, start handler streams, reset or quit.
#include <cstdint>
#include <string>

#include "player/engine/command.h"

namespace mavlet {

class TComJump : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComJump"; }

  std::int32_t TargetPage() const { return target_page_; }
  std::int32_t TargetIndex() const { return target_index_; }
  const std::string& LabelText() const { return label_; }

 protected:
  // Pos := target page, target index (0 when negative).
  void JumpTo(TStackData& pos) const;

 private:
  std::int32_t target_page_ = -1;
  std::string label_;
  std::int32_t target_index_ = 0;
};

class TComCall : public TComJump {
 public:
  // Calls nested deeper than this are refused with an error: no scenario may exhaust memory.
  static constexpr std::size_t kMaxStackDepth = 100'000;
  using TComJump::TComJump;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComCall"; }
};

class TComReset : public TComJump {
 public:
  using TComJump::TComJump;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComReset"; }
};

class TComRet : public TCommand {
 public:
  using TCommand::TCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComRet"; }
};

class TComLabel : public TCommand {
 public:
  using TCommand::TCommand;
  bool IsNonStop() const override { return true; }
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComLabel"; }
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

class TComGetStack : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComGetStack"; }

 private:
  std::string variable_;
  std::string depth_;
  std::int32_t remove_ = 0;
};

class TComExit : public TCommand {
 public:
  using TCommand::TCommand;
  bool IsNonStop() const override { return false; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComExit"; }
};

class TComIntCall : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComIntCall"; }

 private:
  std::int32_t stream_ = 0;
  std::int32_t page_ = -1;
};

class TComComment : public TCommand {
 public:
  using TCommand::TCommand;
  // A comment has no fields at all, not even Flags and Cond.
  void Parse(std::string_view) override {}
  const char* ClassName() const override { return "TComComment"; }
};

}  // namespace mavlet
