#pragma once
// SetCursor: the mouse cursor from a cursor file in the title's picture folder.
#include <string>
#include <string_view>

#include "player/engine/keyword_command.h"

namespace mavlet {

struct SetCursorArgs {
  std::string name;  // text expression; an empty or missing name gives the default cursor
  bool operator==(const SetCursorArgs&) const = default;
};

class TComCursor : public TArgsCommand<KeywordIndex("SetCursor"), SetCursorArgs, &SetCursorArgs::name> {
 public:
  using TArgsCommand::TArgsCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  // Text expression; an empty or missing name gives the default cursor.
  const std::string& NameExpr() const { return args_.name; }
};

}  // namespace mavlet
