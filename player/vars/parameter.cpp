#include "player/vars/parameter.h"

#include "player/vars/param_manager.h"

namespace mavlet {

void TParameter::SetName(std::string_view name) {
  if (listed_ && owner_ != nullptr) {
    std::string old = std::move(name_);
    name_.assign(name);
    owner_->Renamed(*this, old);
    return;
  }
  name_.assign(name);
}

void TParameter::NotifyChanged() {
  if (owner_ != nullptr && owner_->HasOnChange()) owner_->NotifyChange(*this);
}

}  // namespace mavlet
