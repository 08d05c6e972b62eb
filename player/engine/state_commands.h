#pragma once
// Saving and loading games, and waiting for time or a click.
#include <cstdint>
#include <string>

#include "player/engine/keyword_command.h"

namespace mavlet {

class TComSaveGame : public TKeywordCommand<KeywordIndex("SaveGame")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

 private:
  std::string slot_;
  std::string offset_;
};

class TComLoadGame : public TKeywordCommand<KeywordIndex("LoadGame")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

 private:
  std::string slot_;
  std::int32_t after_page_ = -1;
};

struct WaitArgs {
  std::string ms;  // number expression
  bool operator==(const WaitArgs&) const = default;
};

class TComWait : public TArgsCommand<KeywordIndex("Wait"), WaitArgs, &WaitArgs::ms> {
 public:
  using TArgsCommand::TArgsCommand;
  void Prepare(GameServices& sys, TBookManager& book) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

 private:
  std::uint32_t start_ = 0;
};

class TComWaitClick : public TKeywordCommand<KeywordIndex("WaitClick")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

}  // namespace mavlet
