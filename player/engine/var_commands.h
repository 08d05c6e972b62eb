#pragma once
// Commands that work on variables and on the values kept across games.
#include <cstdint>
#include <string>

#include "player/engine/command.h"
#include "player/vars/calc_assignment.h"

namespace mavlet {

class TComCalc : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComCalc"; }

 private:
  CalcAssignment assignment_;  // cut once; the operands are evaluated on every execution
};

class TComSave : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComSave"; }

 protected:
  std::string key_;
  std::string variable_;
};

class TComLoad : public TComSave {
 public:
  using TComSave::TComSave;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComLoad"; }
  const std::string& Default() const { return default_; }

 private:
  std::string default_;
};

class TComNew : public TCommand {
 public:
  using TCommand::TCommand;
  bool IsNonStop() const override { return true; }
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComNew"; }

 private:
  std::int32_t kind_ = 0;
  std::string name_;
  std::string initial_;
  bool mark_ = false;
};

class TComDel : public TCommand {
 public:
  using TCommand::TCommand;
  bool IsNonStop() const override { return true; }
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComDel"; }

 private:
  std::string name_;
};

class TComDelMark : public TCommand {
 public:
  using TCommand::TCommand;
  bool IsNonStop() const override { return true; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComDelMark"; }
};

class TComClrReg : public TCommand {
 public:
  using TCommand::TCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComClrReg"; }
};

}  // namespace mavlet
