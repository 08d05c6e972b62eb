#include "player/backend/headless/headless_input.h"

namespace mavlet {

void HeadlessInput::ReleaseAll() {
  keys_.clear();
  buttons_.clear();
}

}  // namespace mavlet
