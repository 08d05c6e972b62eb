#pragma once
// Keys, mouse buttons and the mouse position as SDL last saw them for the game window. A press
// that was released again before anybody asked (a tap shorter than a frame) still counts as
// held once, so quick clicks are not lost between two polls. Text input (with the desktop's
// input method) is on only while a text entry line asks for it. Touch comes as gestures (see
// touch_gestures.h): a tap is a left click and a two-finger tap a right click at the first
// finger's game point, a drag gives wheel steps; SDL's mouse events made up from touches are
// ignored so nothing counts twice. After a touch the mouse position is the touch's point until
// the real mouse moves.
#include <array>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "player/backend/input.h"
#include "player/backend/sdl/touch_gestures.h"

union SDL_Event;

namespace mavlet {

class SdlDisplay;

class SdlInputState : public InputState {
 public:
  // Turns SDL's text input off until a text entry line asks for it, and SDL's mouse events made
  // up from touches off (the gestures stand for them).
  explicit SdlInputState(SdlDisplay& display);
  bool KeyDown(Key key) override;
  bool MouseButtonDown(MouseButton button) override;
  Point MousePosition() override;
  bool ApplicationActive() override;
  int TakeWheel() override;
  void StartTextInput(const Rect& caret) override;
  void StopTextInput() override;
  std::vector<TextInputEvent> TakeTextInput() override;
  // True while the title asks for typed text (SDL's text input is then on for the play window).
  bool TextInputOn() const { return text_input_; }
  std::string Composition() override { return composition_; }
  std::optional<PlayerKey> TakePlayerKey() override;

  // Every window event passes here so presses between two polls are remembered.
  void OnEvent(const SDL_Event& event);

  // SDL scancode of a key (KeyDown also accepts the keypad Enter and the right Ctrl).
  static int Scancode(Key key);

 private:
  bool TakePending(int scancode);
  // True while another window of the program (the debug window) has the keyboard or the mouse:
  // what is held there is not input for the play window.
  bool OtherWindowHasKeyboard() const;
  bool OtherWindowHasMouse() const;
  void OnFinger(const SDL_Event& event);

  SdlDisplay& display_;
  std::array<bool, 2> pending_buttons_{};
  std::set<int> pending_keys_;
  int wheel_ = 0;
  bool text_input_ = false;
  std::vector<TextInputEvent> typed_;
  std::string composition_;
  std::deque<PlayerKey> player_keys_;
  TouchGestures touch_;
  // The game point of the last touch, standing for the mouse's until the mouse moves.
  std::optional<Point> touch_point_;
};

}  // namespace mavlet
