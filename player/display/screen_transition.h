#pragma once
// The seam for screen transitions (kinds 2..36 of the surface commands). A transition draws
// steps from the front copy towards the back picture onto the screen surface; the command runs
// it to its end. Until transitions exist the game system makes none and the change is shown
// at once, as transition kind 1 does.
#include <functional>
#include <memory>

#include "player/backend/graphics/rect.h"

namespace mavlet {

class Surface;

class ScreenTransition {
 public:
  virtual ~ScreenTransition() = default;
  virtual void SetReverse(bool reverse) = 0;
  // The changed area the transition reveals.
  virtual void SetArea(const Rect& area) = 0;
  // Draws the next step onto the screen surface; false once the transition has finished.
  virtual bool Step() = 0;
};

// Makes the transition of a kind on (screen surface, front copy, back picture); nullptr when
// the kind has none.
using TransitionFactory =
    std::function<std::unique_ptr<ScreenTransition>(int kind, Surface& screen, Surface& front, Surface& back)>;

}  // namespace mavlet
