#pragma once
// Creation of the screen transitions by kind number (2..36); every other kind has none.
#include <memory>

#include "player/display/screen_transition.h"

namespace mavlet {

class Surface;
class TRandom;

// The transition of `kind` on (screen surface, front copy, back picture); nullptr for kinds
// 0, 1 and 37 upwards. Kinds that start from the old picture copy the screen surface into the
// front copy here. All three surfaces must share one size and pixel format. Random draws (ball
// and dissolve kinds) come from `random`, which must outlive the transition.
std::unique_ptr<ScreenTransition> MakeScreenTransition(int kind, Surface& screen, Surface& front, Surface& back,
                                                       TRandom& random);

// A factory for TGameSystem::SetTransitionFactory drawing from `random`.
TransitionFactory StandardTransitions(TRandom& random);

}  // namespace mavlet
