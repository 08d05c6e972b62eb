#pragma once
// Commands that work on variables and on the values kept across games.
#include <cstdint>
#include <string>

#include "player/engine/keyword_command.h"
#include "player/vars/calc_assignment.h"

namespace mavlet {

class TComCalc : public TKeywordCommand<KeywordIndex("Calc")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

 private:
  CalcAssignment assignment_;  // cut once; the operands are evaluated on every execution
};

class TComSave : public TKeywordCommand<KeywordIndex("Save")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

 protected:
  std::string key_;
  std::string variable_;
};

class TComLoad : public TKeywordCommand<KeywordIndex("Load"), TComSave> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Parse(std::string_view args) override;
  const std::string& Default() const { return default_; }

 private:
  std::string default_;
};

struct NewArgs {
  std::int32_t kind = 0;
  std::string name;
  std::string initial;
  bool mark = false;
  bool operator==(const NewArgs&) const = default;
};

class TComNew : public TArgsCommand<KeywordIndex("New"), NewArgs, &NewArgs::kind, &NewArgs::name, &NewArgs::initial,
                                    &NewArgs::mark> {
 public:
  using TArgsCommand::TArgsCommand;
  bool IsNonStop() const override { return true; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

struct DelArgs {
  std::string name;
  bool operator==(const DelArgs&) const = default;
};

class TComDel : public TArgsCommand<KeywordIndex("Del"), DelArgs, &DelArgs::name> {
 public:
  using TArgsCommand::TArgsCommand;
  bool IsNonStop() const override { return true; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

class TComDelMark : public TKeywordCommand<KeywordIndex("DelMark")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  bool IsNonStop() const override { return true; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

class TComClrReg : public TKeywordCommand<KeywordIndex("ClrReg")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

}  // namespace mavlet
