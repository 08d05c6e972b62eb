#include "player/vars/param_flag.h"

#include "player/vars/name_match.h"

namespace mavlet {

void TParamFlag::SetStr(std::string_view text) {
  value_ = EqualsIgnoreAsciiCase(text, "ON");
  NotifyChanged();
}

void TParamFlag::SetNum(std::int32_t value) {
  value_ = value != 0;
  NotifyChanged();
}

void TParamFlag::SetFlag(bool on) {
  value_ = on;
  NotifyChanged();
}

}  // namespace mavlet
