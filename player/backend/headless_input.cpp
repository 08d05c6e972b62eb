#include "player/backend/headless_input.h"

namespace mavlet {

void HeadlessInput::ReleaseAll() {
  keys_.clear();
  buttons_.clear();
}

}  // namespace mavlet
