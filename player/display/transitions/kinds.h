#pragma once
// Makers of the transition kinds, one per source file; each returns nullptr for kinds it does
// not hold. The public entry is MakeScreenTransition (transition_factory.h).
#include <memory>

#include "player/display/transitions/show_back.h"

namespace mavlet {

class TRandom;

// Fades, banded fades, wipes, curtains, blinds, add and subtract fades (2..11, 27, 28).
std::unique_ptr<TShowBackClass> MakeFadeKind(int kind, Surface& screen, Surface& front, Surface& back);
// Scrolls, shrink and grow, rotation, pot, blur, pera, ball, stretch (12..17, 25, 29, 31..33,
// 35, 36).
std::unique_ptr<TShowBackClass> MakeMotionKind(int kind, Surface& screen, Surface& front, Surface& back,
                                               TRandom& random);
// Grids, random dissolve, diamonds, ripple, mosaic, circle (18..24, 26, 30, 34).
std::unique_ptr<TShowBackClass> MakePixelKind(int kind, Surface& screen, Surface& front, Surface& back,
                                              TRandom& random);

// The ripple that runs one simulation step per frame (kind 26 runs two); no kind selects it.
std::unique_ptr<TShowBackClass> MakeSingleRipple(Surface& screen, Surface& front, Surface& back);
// The fast add and subtract fades (grey steps of 16); no kind selects them.
std::unique_ptr<TShowBackClass> MakeFastAddSub(bool subtract, Surface& screen, Surface& front, Surface& back);

}  // namespace mavlet
