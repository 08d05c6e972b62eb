#pragma once
// The seam for screen transitions (kinds 2..36 of the surface commands). A transition draws
// steps from the front copy towards the back picture onto the screen surface; the command runs
// it to its end (see transitions/transition_driver.h). Without a factory the game system makes
// none and the change is shown at once, as transition kind 1 does.
#include <functional>
#include <memory>

#include "player/backend/graphics/rect.h"

namespace mavlet {

class Surface;
class TRandom;

class ScreenTransition {
 public:
  virtual ~ScreenTransition() = default;
  virtual void SetReverse(bool reverse) = 0;
  // The changed area the transition reveals.
  virtual void SetArea(const Rect& area) = 0;
  // Draws the next step onto the screen surface; false once the transition has finished (the
  // finishing step may still have drawn: UpdateRect tells what to present).
  virtual bool Step() = 0;
  // What to present after the current step; the whole screen or a part of it.
  virtual Rect UpdateRect() const = 0;
  // Set by the driver before a step when the previous one ran late: some kinds then skip their
  // drawing so that the effect keeps its duration.
  virtual void SetSkipDraw(bool skip) = 0;
};

// Makes the transition of a kind on (screen surface, front copy, back picture); nullptr when
// the kind has none.
using TransitionFactory =
    std::function<std::unique_ptr<ScreenTransition>(int kind, Surface& screen, Surface& front, Surface& back)>;

}  // namespace mavlet
