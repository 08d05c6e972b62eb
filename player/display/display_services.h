#pragma once
// What the display commands (layers, cursor, colour depth, full screen) need from their owner,
// the game system: the layers, screen update and presentation, transitions and the display
// settings. The game system implements it and hands it out through GameServices::DisplayPort;
// DisplayOf throws MavError when the host has no display.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/graphics/rect.h"
#include "player/backend/input.h"
#include "player/display/screen_transition.h"

namespace mavlet {

class ChoiceServices;
class Display;
class GameServices;
class TCustomGameSurface;
class TSpEffectManager;

class DisplayServices {
 public:
  virtual ~DisplayServices() = default;

  // Display layer 0..11; nullptr outside.
  virtual TCustomGameSurface* Layer(int k) = 0;
  virtual Rect ScreenRect() const = 0;

  // --- screen update
  virtual void Invalidate(const Rect& rect) = 0;
  virtual void InvalidateAll() = 0;
  virtual const Rect& DirtyRect() const = 0;
  virtual void ClearDirtyRect() = 0;
  // Redraws the layers within rect into the back picture.
  virtual void RedrawArea(const Rect& rect) = 0;
  // Brings the screen up to date: the changed area, or everything while a layer effect runs.
  // While a transition runs it only redraws the changed area into the back picture.
  virtual void Compose() = 0;
  virtual void Present(const Rect& rect) = 0;
  virtual void PresentDirect(const Rect& rect) = 0;
  // The display (for the frame timer and message pumping during transitions); may be null.
  virtual Display* GetDisplay() const = 0;

  // The "FadeinDraw" switch: off shows every surface change at once.
  virtual bool FadeInDraw() const = 0;
  // nullptr for a kind that has no transition, and while another transition runs (a change
  // asked for meanwhile, by the always stream or an input handler, then goes into the back
  // picture and shows through the running transition instead of taking over the front copy
  // and the frame timer).
  virtual std::unique_ptr<ScreenTransition> CreateTransition(int kind) = 0;
  // Marks the run of a transition (see CreateTransition).
  virtual void SetTransitionRunning(bool on) = 0;
  // Between the steps of a transition: lets the window deliver its events and the audio
  // channels refill and fade.
  virtual void ServeTransitionWait() = 0;

  // --- display settings
  // Throws MavError for a depth the display cannot use.
  virtual void SetBitCount(int bits) = 0;
  virtual void SetFullScreen(bool on) = 0;
  virtual void SetCursor(std::string_view name) = 0;

  // The particle effects (SpEffect).
  virtual TSpEffectManager& SpEffects() = 0;

  // --- typed text for the text entry line (Input)
  // Asks the platform for typed text (and again to move the input method's candidate list to
  // the caret, a box in game-area pixels) until StopTextInput.
  virtual void StartTextInput(const Rect& caret) = 0;
  virtual void StopTextInput() = 0;
  // Edits since the last call, oldest first.
  virtual std::vector<TextInputEvent> TakeTextInput() = 0;
  // The input method's composition (UTF-8), empty when none.
  virtual std::string TextComposition() = 0;

  // The choice commands' port; nullptr when the host has no choice layers.
  virtual ChoiceServices* ChoicePort() = 0;
};

// The display port of the host; throws MavError when it has none.
DisplayServices& DisplayOf(GameServices& sys);

}  // namespace mavlet
