#pragma once
// What the particle effects need from their owner, the game system: the display they draw on
// (its visible surface, erased from its screen surface), the mouse, the shared random
// generator and where pictures live. Tests give a small stand-in.
#include <filesystem>

#include "player/backend/graphics/rect.h"

namespace mavlet {

class Display;
class FileServices;
class TRandom;

class ParticleServices {
 public:
  virtual ~ParticleServices() = default;

  // The display particles are drawn on; nullptr (or one not initialised) draws nothing.
  virtual Display* GetDisplay() const = 0;
  // Mouse in game-area pixels; (-1, -1) outside the game area or while the player is inactive.
  virtual Point MousePos() = 0;
  virtual TRandom& Random() = 0;
  // File lookup for pictures; nullptr finds nothing.
  virtual FileServices* Files() = 0;
  // The title's base folder (holding "PMP").
  virtual std::filesystem::path BasePath() = 0;
};

}  // namespace mavlet
