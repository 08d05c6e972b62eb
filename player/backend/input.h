#pragma once
// Asynchronous key and mouse state, read the moment it is asked for; the text typed into a
// one-line editor (committed text, the input method's composition and the editing keys); and
// the keys the player itself answers (never seen by the title).
#include <optional>
#include <string>
#include <vector>

#include "player/backend/graphics/rect.h"

namespace mavlet {

enum class Key {
  kEnter, kSpace, kEscape, kBackspace, kUp, kDown, kLeft, kRight, kControl, kShift,
  // Keyboard stand-ins for a joystick (TKeyStick's key sets).
  kZ, kX, kS, kE, kF, kC, kNumpad0, kNumpad1, kNumpad2, kNumpad4, kNumpad6, kNumpad8,
  // List menus.
  kHome, kEnd, kPageUp, kPageDown,
};
enum class MouseButton { kLeft, kRight };

// One edit of the text entry line: committed text (UTF-8, already through the input method) or
// an editing key.
struct TextInputEvent {
  enum class Kind { kText, kReturn, kEscape, kBackspace, kLeft, kRight, kHome, kEnd };
  Kind kind = Kind::kText;
  std::string text;  // kText only
  friend bool operator==(const TextInputEvent&, const TextInputEvent&) = default;
};

// Keys of the player, not the title: F11 or Alt+Enter toggles full screen, F12 saves a
// screenshot. A title never sees them (Alt+Enter is no Enter press).
enum class PlayerKey { kToggleFullScreen, kScreenshot };

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

class InputState {
 public:
  virtual ~InputState() = default;
  virtual bool KeyDown(Key key) = 0;
  virtual bool MouseButtonDown(MouseButton button) = 0;
  // Mouse position in game-area pixels; negative when outside the game area.
  virtual Point MousePosition() = 0;
  // False while another application has the focus.
  virtual bool ApplicationActive() = 0;
  // Mouse wheel notches since the last call (positive away from the player), then 0.
  virtual int TakeWheel() { return 0; }

  // --- text entry. Between Start and Stop the platform delivers typed text (with its input
  // method) instead of only key presses; the keys still count as pressed as well.
  // caret: the caret's box in game-area pixels, where the input method places its candidates.
  virtual void StartTextInput(const Rect& /*caret*/) {}
  virtual void StopTextInput() {}
  // Edits since the last call, oldest first, then none. Nothing is kept while stopped.
  virtual std::vector<TextInputEvent> TakeTextInput() { return {}; }
  // The input method's text being composed (UTF-8), not yet committed; empty without one.
  virtual std::string Composition() { return {}; }
  // The oldest player key pressed and not yet taken; nullopt when none is waiting.
  virtual std::optional<PlayerKey> TakePlayerKey() { return std::nullopt; }
};

}  // namespace mavlet
