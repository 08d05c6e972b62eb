#pragma once
// A command's condition text cut into clauses once, so that a command can keep the parsed form
// and evaluate it on every execution (TParamManager::CheckCondition).
#include <string>
#include <string_view>
#include <vector>

#include "player/vars/expression_words.h"

namespace mavlet {

struct ConditionClause {
  std::string name;     // variable name (may compose with "+")
  CompareOp op = CompareOp::kEqual;
  std::string operand;  // as written, quotes included
};

struct ParsedCondition {
  bool empty = true;    // no condition at all: always true
  bool any = false;     // leading "|": one clause holding is enough
  std::vector<ConditionClause> clauses;
};

// Clauses are cut at ";" (Shift-JIS aware), trimmed of ASCII and full-width blanks, and split
// into three words: variable, comparison word, operand.
ParsedCondition ParseCondition(std::string_view text);

}  // namespace mavlet
