#include "player/vars/param_str.h"

#include "player/common/int_convert.h"
#include "player/common/sjis_text.h"

namespace mavlet {

std::string TParamStr::GetStr() {
  if (value_.empty() || value_[0] != '"') return value_;
  const auto close = value_.find('"', 1);
  return value_.substr(1, close == std::string::npos ? std::string::npos : close - 1);
}

void TParamStr::SetStr(std::string_view text) {
  value_.assign(text);
  NotifyChanged();
}

std::int32_t TParamStr::GetNum() { return ParseIntOr(NormalizeText(GetStr()), 0); }

void TParamStr::SetNum(std::int32_t value) {
  value_ = std::to_string(value);
  NotifyChanged();
}

void TParamStr::SetFlag(bool on) {
  value_ = on ? "TRUE" : "FALSE";
  NotifyChanged();
}

}  // namespace mavlet
