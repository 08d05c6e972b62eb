#pragma once
// The operator words of conditions and of the Calc command.
#include <cstdint>
#include <string_view>

namespace mavlet {

// Comparison words, matched after trimming blanks, ignoring ASCII case; unknown words are "=".
enum class CompareOp : std::uint8_t {
  kEqual = 0,         // "="
  kNotEqual = 1,      // "<>"
  kLessEqual = 2,     // "<="
  kGreaterEqual = 3,  // ">="
  kLess = 4,          // "<"
  kGreater = 5,       // ">"
  kOn = 6,            // "ON"
  kOff = 7,           // "OFF"
};
CompareOp CompareOpFromWord(std::string_view word);

// Calc words, matched exactly (letter case included); unknown or missing words are ";".
enum class CalcOp : std::uint8_t {
  kAssign = 0,  // ";"
  kAdd = 1,     // "+"
  kSub = 2,     // "-"
  kMul = 3,     // "*"
  kDiv = 4,     // "/"
  kMod = 5,     // "%"
  kAnd = 6,     // "&"
  kOr = 7,      // "|"
  kXor = 8,     // "^"
  kTrim = 9,    // "Trim"
  kPos = 10,    // "Pos"
  kLeft = 11,   // "Left"
  kRight = 12,  // "Right"
  kMid = 13,    // "Mid"
};
CalcOp CalcOpFromWord(std::string_view word);

}  // namespace mavlet
