#pragma once
// SetCursor: the mouse cursor from a cursor file in the title's picture folder.
#include <string>
#include <string_view>

#include "player/engine/keyword_command.h"

namespace mavlet {

class TComCursor : public TKeywordCommand<KeywordIndex("SetCursor")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  // Text expression; an empty or missing name gives the default cursor.
  const std::string& NameExpr() const { return name_; }

 private:
  std::string name_;
};

}  // namespace mavlet
