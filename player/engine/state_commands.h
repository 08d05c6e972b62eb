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

class TComWait : public TKeywordCommand<KeywordIndex("Wait")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Parse(std::string_view args) override;
  void Prepare(GameServices& sys, TBookManager& book) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

 private:
  std::string ms_;
  std::uint32_t start_ = 0;
};

class TComWaitClick : public TKeywordCommand<KeywordIndex("WaitClick")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

}  // namespace mavlet
