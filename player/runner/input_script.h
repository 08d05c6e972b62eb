#pragma once
// The input script of a headless run: one scripted action a line, sorted by the timer event it
// applies to. Bad lines throw MavError naming the source and the line.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

// One line of an input script: "EVENT ACTION".
struct InputAction {
  enum class Kind {
    kClick, kCancel, kUp, kDown, kLeft, kRight, kCtrl, kHome, kEnd, kPageUp, kPageDown,
    kMouse, kPress, kRelease, kWheel, kDebugStep, kDebugBreak, kText, kReturn, kEscape, kBackspace,
    kF11, kF12, kAltReturn,  // the player's keys: full screen (F11, Alt+Enter), screenshot (F12)
  };
  int event = 0;
  Kind kind = Kind::kClick;
  int x = 0;  // kMouse, kPress, kRelease; notches for kWheel
  int y = 0;
  // kDebugBreak: the variable's name and the value (none: any change), UTF-8.
  std::string name;
  std::optional<std::string> value;
  std::string text;  // kText: UTF-8
};
// Lines "EVENT click|cancel|up|down|left|right|ctrl|home|end|pageup|pagedown" (held for that
// event), "EVENT mouse X Y" (a move), "EVENT press X Y" / "EVENT release X Y" (move, then hold
// or let go of the left button until said otherwise: drags) or "EVENT wheel N" (notches,
// positive away from the player); for the debug window "EVENT debug-step" (its "次へ" button)
// and "EVENT debug-break NAME [VALUE]" (a new breakpoint; VALUE is the rest of the line);
// "EVENT text STRING" types the rest of the line (UTF-8) into an open text entry line, "EVENT
// return|escape|backspace" press those keys (editing keys of an open entry line; Return also
// decides, Escape and Backspace cancel); text typed while no entry line is open is lost.
// The player's keys: "EVENT f11|alt+return" (full screen) and "EVENT f12" (screenshot).
// "#" lines and blank lines are skipped. Throws MavError naming the source and the line.
std::vector<InputAction> ParseInputScript(std::string_view text, std::string_view source_name);

}  // namespace mavlet
