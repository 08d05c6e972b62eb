#pragma once
// One decoded frame of a picture layer, in the display's format.
#include "player/backend/graphics/surface.h"

namespace mavlet {

// One frame of a picture: an off-screen surface plus the frame's own colour-key switch.
class TGameDxSurface : public Surface {
 public:
  using Surface::Surface;

  // Per-frame colour-key switch of a multi-frame file.
  bool FrameTransparent = false;
};

}  // namespace mavlet
