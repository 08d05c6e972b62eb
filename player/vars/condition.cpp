#include "player/vars/condition.h"

#include "player/common/sjis_text.h"

namespace mavlet {

ParsedCondition ParseCondition(std::string_view text) {
  ParsedCondition result;
  if (text.empty()) return result;
  result.empty = false;
  if (text.front() == '|') {
    result.any = true;
    text.remove_prefix(1);
  }
  std::string rest(text);
  while (!rest.empty()) {
    std::string clause = TrimWide(CutToken(rest, ";"));
    ConditionClause c;
    c.name = NextWord(clause);
    c.op = CompareOpFromWord(NextWord(clause));
    c.operand = NextWord(clause);
    result.clauses.push_back(std::move(c));
  }
  return result;
}

}  // namespace mavlet
