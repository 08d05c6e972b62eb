#pragma once
// The Calc command's argument "target = left op right", cut once at load time.
#include <string>
#include <string_view>

#include "player/vars/expression_words.h"

namespace mavlet {

struct CalcAssignment {
  std::string target;  // stripped of blanks and control bytes at both ends
  std::string left;
  CalcOp op = CalcOp::kAssign;
  std::string right;
};

// Never fails: missing parts are empty and a missing or unknown word is an assignment.
CalcAssignment ParseCalcAssignment(std::string_view text);

}  // namespace mavlet
