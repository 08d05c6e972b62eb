#pragma once
// Keys, mouse buttons and the mouse position as SDL last saw them for the game window.
#include "player/backend/input.h"

namespace mavlet {

class SdlDisplay;

class SdlInputState : public InputState {
 public:
  explicit SdlInputState(SdlDisplay& display) : display_(display) {}
  bool KeyDown(Key key) override;
  bool MouseButtonDown(MouseButton button) override;
  Point MousePosition() override;
  bool ApplicationActive() override;

  // SDL scancode of a key (KeyDown also accepts the keypad Enter and the right Ctrl).
  static int Scancode(Key key);

 private:
  SdlDisplay& display_;
};

}  // namespace mavlet
