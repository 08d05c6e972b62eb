#include "player/vars/expression_words.h"

#include <array>
#include <utility>

#include "player/vars/name_match.h"

namespace mavlet {

CompareOp CompareOpFromWord(std::string_view word) {
  while (!word.empty() && static_cast<unsigned char>(word.front()) <= 0x20) word.remove_prefix(1);
  while (!word.empty() && static_cast<unsigned char>(word.back()) <= 0x20) word.remove_suffix(1);
  static constexpr std::array<std::pair<std::string_view, CompareOp>, 8> kWords = {{
      {"=", CompareOp::kEqual},
      {"<>", CompareOp::kNotEqual},
      {"<=", CompareOp::kLessEqual},
      {">=", CompareOp::kGreaterEqual},
      {"<", CompareOp::kLess},
      {">", CompareOp::kGreater},
      {"ON", CompareOp::kOn},
      {"OFF", CompareOp::kOff},
  }};
  for (const auto& [text, op] : kWords) {
    if (EqualsIgnoreAsciiCase(word, text)) return op;
  }
  return CompareOp::kEqual;
}

CalcOp CalcOpFromWord(std::string_view word) {
  static constexpr std::array<std::pair<std::string_view, CalcOp>, 14> kWords = {{
      {";", CalcOp::kAssign},
      {"+", CalcOp::kAdd},
      {"-", CalcOp::kSub},
      {"*", CalcOp::kMul},
      {"/", CalcOp::kDiv},
      {"%", CalcOp::kMod},
      {"&", CalcOp::kAnd},
      {"|", CalcOp::kOr},
      {"^", CalcOp::kXor},
      {"Trim", CalcOp::kTrim},
      {"Pos", CalcOp::kPos},
      {"Left", CalcOp::kLeft},
      {"Right", CalcOp::kRight},
      {"Mid", CalcOp::kMid},
  }};
  for (const auto& [text, op] : kWords) {
    if (word == text) return op;
  }
  return CalcOp::kAssign;
}

}  // namespace mavlet
