#pragma once
// What the choice commands (SelStr, SelMap) need from their owner, the game system: the
// player's input, the two choice layers, screen update, and the last choice for "@SelStr"
// and "@SelIdx". The game system implements it and hands it out through
// DisplayServices::ChoicePort; ChoicesOf throws MavError when the host has none.
#include <cstdint>
#include <string>

#include "player/backend/graphics/rect.h"
#include "player/backend/input.h"

namespace mavlet {

class GameServices;
class TSelMapSurface;
class TSelStrSurface;

// Keys of list menus beyond the four directions.
enum class NavigationKey : int { kHome = 0, kEnd = 1, kPageUp = 2, kPageDown = 3 };

class ChoiceServices {
 public:
  virtual ~ChoiceServices() = default;

  // --- input, as GameServices reports it: each press, key or notch to the first query that
  // asks for it, which takes it (a later query waits for a new one)
  virtual bool ClickPressed() = 0;
  virtual bool CancelPressed() = 0;
  // The decide button is down now (for drags and held scroll buttons); takes nothing.
  virtual bool ClickHeld() = 0;
  // d: 0 up, 1 down, 2 left, 3 right, keyboard and pad alike, with auto-repeat.
  virtual bool DirectionPressed(int d) = 0;
  virtual bool NavigationPressed(NavigationKey key) = 0;
  // Wheel notches not yet reported: positive away from the player (up), negative towards.
  virtual int WheelSteps() = 0;
  // Game-area pixels; (-1, -1) outside the game area.
  virtual Point MousePos() = 0;

  // --- layers 10 and 11
  virtual TSelStrSurface* SelStrLayer() = 0;
  virtual TSelMapSurface* SelMapLayer() = 0;
  virtual void Invalidate(const Rect& rect) = 0;
  virtual void Compose() = 0;

  // --- "@SelStr" and "@SelIdx"
  virtual void SetLastChoice(const std::string& text, std::int32_t index) = 0;
  virtual void SetLastChoiceIndex(std::int32_t index) = 0;
};

// The choice port of the host; throws MavError when it has none.
ChoiceServices& ChoicesOf(GameServices& sys);

}  // namespace mavlet
