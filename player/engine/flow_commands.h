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

  struct Args {
    std::int32_t target_page = -1;
    std::string label;  // kept for the author only
    std::int32_t target_index = 0;
    bool operator==(const Args&) const = default;
  };
  const Args& args() const { return args_; }

 protected:
  // Pos := target page, target index (0 when negative).
  void JumpTo(TStackData& pos) const;

 private:
  Args args_;
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
