#pragma once
// The browser's input: SDL's keys, mouse, touch and pads for the game window, and for the Input
// command a real text field of the page (<input id="mavlet-text">) laid over the caret, so phone
// keyboards and input methods work. What the field commits (typed text, an input method's
// composition when it ends) arrives as text; Enter, Escape, and Backspace, the arrows, Home and
// End on an empty field arrive as the entry line's editing keys. The entry line applies the same
// Shift-JIS rules to it as on the desktop.
#include <string>
#include <vector>

#include "player/backend/sdl/sdl_input.h"
#include "player/backend/sdl/sdl_display.h"

namespace mavlet::web {

class WebInputState : public SdlInputState {
 public:
  explicit WebInputState(SdlDisplay& display) : SdlInputState(display), display_(display) {}
  void StartTextInput(const Rect& caret) override;
  void StopTextInput() override;
  std::vector<TextInputEvent> TakeTextInput() override;
  std::string Composition() override;
  // The page counts as the active window while it is visible: a page rarely gets the focus
  // events a desktop window does (not at all in a headless browser), yet it plays on.
  bool ApplicationActive() override;

 private:
  SdlDisplay& display_;
  bool field_shown_ = false;
};

}  // namespace mavlet::web
