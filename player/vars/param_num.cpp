#include "player/vars/param_num.h"

#include "player/common/int_convert.h"
#include "player/common/sjis_text.h"

namespace mavlet {

std::string TParamNum::GetStr() { return std::to_string(value_); }

void TParamNum::SetStr(std::string_view text) {
  value_ = ParseIntOr(NormalizeText(text), 0);
  NotifyChanged();
}

void TParamNum::SetNum(std::int32_t value) {
  value_ = value;
  NotifyChanged();
}

void TParamNum::SetFlag(bool on) {
  value_ = on ? 1 : 0;
  NotifyChanged();
}

}  // namespace mavlet
