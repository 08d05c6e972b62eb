#pragma once
// SetCursor: the mouse cursor from a cursor file in the title's picture folder.
#include <string>
#include <string_view>

#include "player/engine/command.h"

namespace mavlet {

class TComCursor : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComCursor"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  // Text expression; an empty or missing name gives the default cursor.
  const std::string& NameExpr() const { return name_; }

 private:
  std::string name_;
};

}  // namespace mavlet
