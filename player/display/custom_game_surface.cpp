#include "player/display/custom_game_surface.h"

namespace mavlet {

void TCustomGameSurface::Reset() {
  x_ = 0;
  y_ = 0;
  transparent_ = false;
  alpha_ = 255;
  visible_ = true;
}

}  // namespace mavlet
