// Operands, comparisons, conditions and the Calc arithmetic of the variable store.
#include <cstdint>
#include <limits>
#include <optional>

#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/common/int_convert.h"
#include "player/common/sjis_text.h"
#include "player/vars/name_match.h"
#include "player/vars/param_manager.h"

namespace mavlet {
namespace {

std::string_view Unquoted(std::string_view operand) {
  if (operand.empty() || operand.front() != '"') return operand;
  operand.remove_prefix(1);
  return operand.substr(0, operand.find('"'));
}

template <typename T>
bool Ordered(const T& a, const T& b, CompareOp op) {
  switch (op) {
    case CompareOp::kEqual: return a == b;
    case CompareOp::kNotEqual: return a != b;
    case CompareOp::kLessEqual: return a <= b;
    case CompareOp::kGreaterEqual: return a >= b;
    case CompareOp::kLess: return a < b;
    case CompareOp::kGreater: return a > b;
    default: return false;
  }
}

bool CompareNumbers(std::int32_t var, std::int32_t operand, CompareOp op) {
  switch (op) {
    case CompareOp::kOn: return var != 0;
    case CompareOp::kOff: return var == 0;
    default: return Ordered(var, operand, op);
  }
}

bool CompareTexts(std::string_view var, std::string_view operand, CompareOp op) {
  switch (op) {
    case CompareOp::kEqual: return EqualsIgnoreAsciiCase(var, operand);
    case CompareOp::kNotEqual: return !EqualsIgnoreAsciiCase(var, operand);
    default: return false;
  }
}

bool CompareFlags(bool var, bool operand, CompareOp op) {
  switch (op) {
    case CompareOp::kEqual: return var == operand;
    case CompareOp::kNotEqual: return var != operand;
    case CompareOp::kOn: return var;
    case CompareOp::kOff: return !var;
    default: return false;
  }
}

// The last n characters of s.
std::string MbRight(std::string_view s, std::int32_t n) {
  const int length = MbLength(s);
  const int start = n >= length ? 1 : length - n + 1;
  return MbCopy(s, start, length);
}

std::string MbLeft(std::string_view s, std::int32_t n) { return MbCopy(s, 1, n); }

}  // namespace

std::string TParamManager::ValueStr(std::string_view operand) {
  if (TParameter* p = Find(operand)) return p->GetStr();
  return std::string(Unquoted(operand));
}

std::int32_t TParamManager::ValueNum(std::string_view operand) {
  if (TParameter* p = Find(operand)) return p->GetNum();
  return ParseIntOr(NormalizeText(operand), 0);
}

bool TParamManager::ValueFlag(std::string_view operand) {
  if (TParameter* p = Find(operand)) return p->GetFlag();
  return EqualsIgnoreAsciiCase(operand, "ON");
}

bool TParamManager::CompareOperand(TParameter& var, std::string_view operand, CompareOp op) {
  if (static_cast<std::uint8_t>(op) > static_cast<std::uint8_t>(CompareOp::kOff)) {
    throw MavError("TParameter.Compareｴﾗｰ");
  }
  std::string text;
  if (TParameter* p = Find(operand)) {
    text = p->GetStr();
  } else {
    text.assign(Unquoted(operand));
  }
  switch (var.GetParamType()) {
    case ParamType::kNum: {
      const auto value = ParseDecimalStrict(text);
      if (!value) return false;
      return CompareNumbers(var.GetNum(), *value, op);
    }
    case ParamType::kStr:
      return CompareTexts(var.GetStr(), text, op);
    case ParamType::kFlag:
      return CompareFlags(var.GetFlag(), EqualsIgnoreAsciiCase(text, "ON"), op);
  }
  return false;
}

bool TParamManager::CheckCondition(std::string_view condition) {
  if (condition.empty()) return true;
  auto it = condition_memo_.find(condition);
  if (it == condition_memo_.end()) {
    // Scenario texts hold a bounded number of distinct conditions; forget them all should a
    // generated stream of texts ever fill the memo.
    if (condition_memo_.size() >= kConditionMemoLimit) condition_memo_.clear();
    it = condition_memo_.emplace(std::string(condition), ParseCondition(condition)).first;
  }
  return CheckCondition(it->second);
}

bool TParamManager::CheckCondition(const ParsedCondition& condition) {
  if (condition.empty) return true;
  int held = 0;
  for (const ConditionClause& clause : condition.clauses) {
    TParameter* var = Find(clause.name);
    if (var == nullptr) return false;
    if (CompareOperand(*var, clause.operand, clause.op)) {
      ++held;
      if (condition.any) return true;
    } else if (!condition.any) {
      return false;
    }
  }
  return held > 0;
}

bool TParamManager::Calc(const CalcAssignment& assignment) {
  TParameter* target = Find(assignment.target);
  if (target == nullptr) return false;
  Calc(*target, assignment.left, assignment.op, assignment.right);
  return true;
}

bool TParamManager::CalcText(std::string_view argument) {
  return Calc(ParseCalcAssignment(argument));
}

void TParamManager::Calc(TParameter& target, std::string_view left, CalcOp op,
                         std::string_view right) {
  // Mid: right is "start;count", each part an operand of its own.
  auto mid = [&](const std::string& text) -> std::optional<std::string> {
    std::string parts(right);
    const std::string start_operand = CutToken(parts, ";");
    const std::int64_t start = ValueNum(start_operand);
    std::int64_t count = ValueNum(parts);
    const std::int64_t length = MbLength(text);
    if (count < 1 || start < 1 || start > length) return std::nullopt;
    if (start + count > length) count = length - start + 1;
    return MbCopy(text, static_cast<int>(start), static_cast<int>(count));
  };

  switch (target.GetParamType()) {
    case ParamType::kNum: {
      switch (op) {
        case CalcOp::kAssign:
          target.SetNum(ValueNum(left));
          return;
        case CalcOp::kAdd:
        case CalcOp::kSub:
        case CalcOp::kMul:
        case CalcOp::kDiv:
        case CalcOp::kMod:
        case CalcOp::kAnd:
        case CalcOp::kOr:
        case CalcOp::kXor: {
          const std::int32_t a = ValueNum(left);
          const std::int32_t b = ValueNum(right);
          const auto ua = static_cast<std::uint32_t>(a);
          const auto ub = static_cast<std::uint32_t>(b);
          std::uint32_t r = 0;
          switch (op) {
            case CalcOp::kAdd: r = ua + ub; break;
            case CalcOp::kSub: r = ua - ub; break;
            case CalcOp::kMul: r = ua * ub; break;
            case CalcOp::kAnd: r = ua & ub; break;
            case CalcOp::kOr: r = ua | ub; break;
            case CalcOp::kXor: r = ua ^ ub; break;
            case CalcOp::kDiv:
            case CalcOp::kMod: {
              const bool div = op == CalcOp::kDiv;
              if (b == 0) {
                Warn("Calc: " + SjisToUtf8(target.Name()) + (div ? " / 0" : " % 0") +
                     ": division by zero, value left unchanged");
                return;
              }
              if (b == -1) {
                // The quotient of the most negative number does not fit; the remainder is 0.
                if (div && a == std::numeric_limits<std::int32_t>::min()) {
                  Warn("Calc: " + SjisToUtf8(target.Name()) +
                       ": quotient of -2147483648 / -1 overflows, value left unchanged");
                  return;
                }
                r = div ? static_cast<std::uint32_t>(-static_cast<std::int64_t>(a)) : 0;
                break;
              }
              r = static_cast<std::uint32_t>(div ? a / b : a % b);
              break;
            }
            default: break;
          }
          target.SetNum(static_cast<std::int32_t>(r));
          return;
        }
        case CalcOp::kTrim:
          target.SetNum(ParseIntOr(NormalizeText(TrimWide(ValueStr(left))), 0));
          return;
        case CalcOp::kPos: {
          const std::string needle = ValueStr(right);
          target.SetNum(MbPos(needle, ValueStr(left)));
          return;
        }
        case CalcOp::kLeft:
        case CalcOp::kRight: {
          const std::int32_t n = ValueNum(right);
          if (n < 1) {
            target.SetNum(0);
            return;
          }
          const std::string text = ValueStr(left);
          const std::string part = op == CalcOp::kLeft ? MbLeft(text, n) : MbRight(text, n);
          target.SetNum(ParseIntOr(NormalizeText(part), 0));
          return;
        }
        case CalcOp::kMid: {
          const auto part = mid(ValueStr(left));
          target.SetNum(part ? ParseIntOr(*part, 0) : 0);
          return;
        }
      }
      return;
    }
    case ParamType::kStr: {
      switch (op) {
        case CalcOp::kAdd: {
          std::string text = ValueStr(left);
          const std::string tail = ValueStr(right);
          if (text.size() + tail.size() > kMaxTextLength) {
            Warn("Calc: " + SjisToUtf8(target.Name()) + ": joined text would exceed " +
                 std::to_string(kMaxTextLength) + " bytes, value left unchanged");
            return;
          }
          text += tail;
          target.SetStr(text);
          return;
        }
        case CalcOp::kTrim:
          target.SetStr(TrimWide(ValueStr(left)));
          return;
        case CalcOp::kPos: {
          const std::string needle = ValueStr(right);
          target.SetNum(MbPos(needle, ValueStr(left)));
          return;
        }
        case CalcOp::kLeft:
        case CalcOp::kRight: {
          const std::int32_t n = ValueNum(right);
          if (n < 1) {
            target.SetStr("");
            return;
          }
          const std::string text = ValueStr(left);
          target.SetStr(op == CalcOp::kLeft ? MbLeft(text, n) : MbRight(text, n));
          return;
        }
        case CalcOp::kMid: {
          const auto part = mid(ValueStr(left));
          target.SetStr(part ? *part : std::string());
          return;
        }
        default:
          target.SetStr(ValueStr(left));
          return;
      }
    }
    case ParamType::kFlag: {
      const bool a = ValueFlag(left);
      const bool b = ValueFlag(right);
      switch (op) {
        case CalcOp::kAnd: target.SetFlag(a && b); return;
        case CalcOp::kOr: target.SetFlag(a || b); return;
        case CalcOp::kXor: target.SetFlag(a != b); return;
        default: target.SetFlag(a); return;
      }
    }
  }
}

}  // namespace mavlet
