#pragma once
// Asynchronous key and mouse state, read the moment it is asked for.
namespace mavlet {

enum class Key {
  kEnter, kSpace, kEscape, kBackspace, kUp, kDown, kLeft, kRight, kControl, kShift,
  // Keyboard stand-ins for a joystick (TKeyStick's key sets).
  kZ, kX, kS, kE, kF, kC, kNumpad0, kNumpad1, kNumpad2, kNumpad4, kNumpad6, kNumpad8,
  // List menus.
  kHome, kEnd, kPageUp, kPageDown,
};
enum class MouseButton { kLeft, kRight };

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
};

}  // namespace mavlet
