#pragma once
// What a game system built alone in a test needs from the composition root: square glyphs and
// a sound output that cannot be opened (or the given device).
#include "player/backend/headless/headless_clock.h"
#include "player/common/log.h"
#include "player/shell/absent_outputs.h"
#include "player/shell/game_sound.h"
#include "tests/support/square_glyphs.h"

namespace mavlet {

struct QuietGameParts {
  testing::SquareGlyphs glyphs;
  HeadlessClock clock;
  MemoryLog log;
  SilentSoundDevice silent;
  SoundServices Sound(SoundDevice* device = nullptr) { return {device != nullptr ? device : &silent, &clock, &log}; }
};

}  // namespace mavlet
