#pragma once
// The logical buttons of the game system: decide and cancel (mouse, keys, pad), the four
// directions with their repeat counters, the list keys, the wheel and the mouse position, each
// press kept until the first query that reports it takes it. It reads the platform's InputState
// and the joystick front end (neither owned); it fails in no way, and everything reads as not
// pressed while the application is inactive.
#include <array>
#include <cstdint>
#include <utility>

#include "player/backend/graphics/rect.h"
#include "player/backend/input.h"
#include "player/display/choice_services.h"

namespace mavlet {

class TGameInput;

class GameButtons {
 public:
  // joystick may be null (no joystick in use).
  GameButtons(InputState& input, TGameInput* joystick) : input_(input), joystick_(joystick) {}
  GameButtons(const GameButtons&) = delete;
  GameButtons& operator=(const GameButtons&) = delete;

  // A press is reported once, by the first query that asks for it: ClickPressed, CancelPressed,
  // DirectionPressed, NavigationPressed and WheelSteps each take what they report, so a later
  // query (in the same step or after) waits for a new press. The input is looked at when a
  // step begins, between the sleeps of runs inside a step (PollAll) and by each query. A press
  // nobody has asked about yet stays while its button is held; once let go it stays for the
  // step in which it was first seen, and when it came inside a step (during a transition or a
  // run that waits) for the next step too. So a click during a fade answers the command after
  // the fade, and a click while nothing asks is not kept for much later. Everything not yet
  // reported is dropped while the application is inactive.
  void BeginStep();
  // Looks at the input inside a step: what it finds waits for the queries after it.
  void PollAll();
  // The decide (cancel) button went down since a query last reported it.
  bool ClickPressed();
  bool CancelPressed();
  // Takes both presses, reporting them to nobody.
  void ConsumePresses();
  // The button is down now; takes nothing.
  bool ClickHeld();
  bool CancelHeld();
  bool CtrlHeld();
  // d: 0 up, 1 down, 2 left, 3 right, keyboard or pad. Reports a new press at once, then while
  // held after 20 more queries and every 5 after that.
  bool DirectionPressed(int d);
  // Home, End, Page Up, Page Down went down since a query last reported it.
  bool NavigationPressed(NavigationKey key);
  // Wheel notches not yet reported (positive away from the player); takes them.
  int WheelSteps();
  // Mouse in game-area pixels; (-1, -1) outside the game area or while inactive.
  Point MousePos();
  // The last position the mouse had inside the game area (or was moved to): "@MouseX" and
  // "@MouseY" keep it while the mouse is outside; only MousePos answers (-1, -1) there.
  Point StoredMouse();
  void SetStoredMouse(Point p) { stored_mouse_ = p; }

 private:
  // One logical button, key or direction as the polls found it.
  struct Press {
    bool down = false;        // at the last poll
    bool pending = false;     // went down since a query last reported it
    std::uint64_t until = 0;  // the last step whose queries may take it once it is let go
    void Poll(bool raw, std::uint64_t until_step) {
      if (raw && !down) {
        pending = true;
        until = until_step;
      }
      down = raw;
    }
    bool Take() { return std::exchange(pending, false); }
  };
  // Raw states now (false while inactive).
  bool RawButton(const Press& b, MouseButton mouse, Key key1, Key key2, int joystick_button);
  bool RawDirection(int d);
  void PollDecide();
  void PollCancel();
  void PollDirection(int d);
  void PollNavigation(std::size_t k);
  void PollWheel();
  // While inactive nothing is pressed and nothing not yet reported is kept.
  bool CheckActive();
  // What a poll now records as the last step its presses are kept for.
  std::uint64_t KeepUntil() const { return in_step_start_ ? step_ : step_ + 1; }
  bool Joystick(int button);

  InputState& input_;
  TGameInput* joystick_;
  Press click_;
  Press cancel_;
  std::array<Press, 4> direction_;
  std::array<Press, 4> navigation_;
  std::array<std::int32_t, 4> repeat_{};
  // Notches for this step's queries, and those that came inside it (kept for the next step).
  int wheel_now_ = 0;
  int wheel_next_ = 0;
  std::uint64_t step_ = 0;  // logic steps begun
  bool in_step_start_ = false;
  Point stored_mouse_{0, 0};
};

}  // namespace mavlet
