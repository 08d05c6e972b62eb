#pragma once
// Saving and loading games, and waiting for time or a click.
#include <cstdint>
#include <string>

#include "player/engine/command.h"

namespace mavlet {

class TComSaveGame : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComSaveGame"; }

 private:
  std::string slot_;
  std::string offset_;
};

class TComLoadGame : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComLoadGame"; }

 private:
  std::string slot_;
  std::int32_t after_page_ = -1;
};

class TComWait : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  void Prepare(GameServices& sys, TBookManager& book) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComWait"; }

 private:
  std::string ms_;
  std::uint32_t start_ = 0;
};

class TComWaitClick : public TCommand {
 public:
  using TCommand::TCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  const char* ClassName() const override { return "TComWaitClick"; }
};

}  // namespace mavlet
