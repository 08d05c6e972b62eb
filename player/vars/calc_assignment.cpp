#include "player/vars/calc_assignment.h"

#include "player/common/sjis_text.h"

namespace mavlet {

CalcAssignment ParseCalcAssignment(std::string_view text) {
  CalcAssignment result;
  std::string rest(text);
  const std::string head = CutToken(rest, "=");
  const std::string_view target = head;
  // Blanks and control bytes only; a full-width blank belongs to the name.
  std::size_t begin = 0;
  std::size_t end = target.size();
  while (begin < end && static_cast<unsigned char>(target[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(target[end - 1]) <= 0x20) --end;
  result.target.assign(target.substr(begin, end - begin));
  result.left = NextWord(rest);
  result.op = CalcOpFromWord(NextWord(rest));
  result.right = NextWord(rest);
  return result;
}

}  // namespace mavlet
