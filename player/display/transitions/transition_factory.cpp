#include "player/display/transitions/transition_factory.h"

#include "player/backend/graphics/surface.h"
#include "player/display/transitions/kinds.h"

namespace mavlet {

std::unique_ptr<ScreenTransition> MakeScreenTransition(int kind, Surface& screen, Surface& front, Surface& back,
                                                       TRandom& random) {
  if (kind < 2 || kind > 36) return nullptr;
  if (front.format() != screen.format() || back.format() != screen.format() || front.width() != screen.width() ||
      back.width() != screen.width() || front.height() != screen.height() || back.height() != screen.height()) {
    return nullptr;  // surfaces from different modes cannot take part in one transition
  }
  if (auto t = MakeFadeKind(kind, screen, front, back)) return t;
  if (auto t = MakeMotionKind(kind, screen, front, back, random)) return t;
  return MakePixelKind(kind, screen, front, back, random);
}

TransitionFactory StandardTransitions(TRandom& random) {
  return [&random](int kind, Surface& screen, Surface& front, Surface& back) {
    return MakeScreenTransition(kind, screen, front, back, random);
  };
}

}  // namespace mavlet
