#include "player/vars/condition.h"

#include "player/common/sjis_text.h"

namespace mavlet {
namespace {

// Position of the next ";" at a character start from pos, or the end. One pass over the text
// (cutting a copy clause by clause would move the rest each time).
std::size_t NextSeparator(std::string_view s, std::size_t pos) {
  while (pos < s.size()) {
    const auto b = static_cast<unsigned char>(s[pos]);
    if (b == ';') return pos;
    pos += (IsLeadByte(b) && pos + 1 < s.size()) ? 2 : 1;
  }
  return s.size();
}

}  // namespace

ParsedCondition ParseCondition(std::string_view text) {
  ParsedCondition result;
  if (text.empty()) return result;
  result.empty = false;
  if (text.front() == '|') {
    result.any = true;
    text.remove_prefix(1);
  }
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = NextSeparator(text, pos);
    std::string clause = TrimWide(text.substr(pos, end - pos));
    pos = end + 1;
    ConditionClause c;
    c.name = NextWord(clause);
    c.op = CompareOpFromWord(NextWord(clause));
    c.operand = NextWord(clause);
    result.clauses.push_back(std::move(c));
  }
  return result;
}

}  // namespace mavlet
