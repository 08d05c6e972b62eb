#include "player/backend/sdl/sdl_joystick.h"

#include <SDL.h>

namespace mavlet {

SdlJoystickPort::SdlJoystickPort() { subsystem_ = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0; }

SdlJoystickPort::~SdlJoystickPort() {
  for (SDL_Joystick*& s : sticks_) {
    if (s) SDL_JoystickClose(s);
    s = nullptr;
  }
  if (subsystem_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

SDL_Joystick* SdlJoystickPort::Open(int id) {
  if (!subsystem_ || id < 0 || id >= static_cast<int>(sticks_.size())) return nullptr;
  SDL_Joystick*& s = sticks_[static_cast<std::size_t>(id)];
  if (s && !SDL_JoystickGetAttached(s)) {
    SDL_JoystickClose(s);
    s = nullptr;
  }
  if (s) return s;
  // Joystick N is the N-th pad, except that a pad the other joystick has stays its own: when the
  // first of two pads goes, the second moves to place 0 but keeps playing the second joystick,
  // and the first joystick takes the next pad plugged in.
  SDL_Joystick* other = sticks_[id == 0 ? 1 : 0];
  const SDL_JoystickID taken = other ? SDL_JoystickInstanceID(other) : -1;
  const int count = SDL_NumJoysticks();
  if (id >= count) return nullptr;
  int device = id;
  if (SDL_JoystickGetDeviceInstanceID(device) == taken) {
    device = -1;
    for (int i = 0; i < count && device < 0; ++i) {
      if (SDL_JoystickGetDeviceInstanceID(i) != taken) device = i;
    }
  }
  if (device >= 0) s = SDL_JoystickOpen(device);
  return s;
}

std::optional<JoystickRange> SdlJoystickPort::Capabilities(int id) {
  // A pad with fewer than two axes still has its buttons; a missing axis reads as centred.
  if (!Open(id)) return std::nullopt;
  return JoystickRange{-32768, 32767, -32768, 32767};
}

std::optional<JoystickReading> SdlJoystickPort::Read(int id) {
  SDL_Joystick* s = Open(id);
  if (!s) return std::nullopt;
  SDL_JoystickUpdate();
  if (!SDL_JoystickGetAttached(s)) return std::nullopt;
  JoystickReading r;
  const int axes = SDL_JoystickNumAxes(s);
  r.x = axes > 0 ? SDL_JoystickGetAxis(s, 0) : 0;
  r.y = axes > 1 ? SDL_JoystickGetAxis(s, 1) : 0;
  const int buttons = SDL_JoystickNumButtons(s);
  // The direction pad steers as the stick does. Desktop drivers give it as a hat; the browser's
  // standard gamepad has no hat and gives it as buttons 12 to 15 (up, down, left, right), which
  // are then directions, not buttons.
  bool up = false, down = false, left = false, right = false;
  const bool pad_buttons = SDL_JoystickNumHats(s) == 0 && buttons >= kStandardPadButtons;
  if (SDL_JoystickNumHats(s) > 0) {
    const Uint8 hat = SDL_JoystickGetHat(s, 0);
    up = (hat & SDL_HAT_UP) != 0;
    down = (hat & SDL_HAT_DOWN) != 0;
    left = (hat & SDL_HAT_LEFT) != 0;
    right = (hat & SDL_HAT_RIGHT) != 0;
  } else if (pad_buttons) {
    up = SDL_JoystickGetButton(s, 12) != 0;
    down = SDL_JoystickGetButton(s, 13) != 0;
    left = SDL_JoystickGetButton(s, 14) != 0;
    right = SDL_JoystickGetButton(s, 15) != 0;
  }
  if (left != right) r.x = left ? SDL_JOYSTICK_AXIS_MIN : SDL_JOYSTICK_AXIS_MAX;
  if (up != down) r.y = up ? SDL_JOYSTICK_AXIS_MIN : SDL_JOYSTICK_AXIS_MAX;
  for (int b = 0; b < buttons && b < 32; ++b) {
    if (pad_buttons && b >= 12 && b <= 15) continue;
    if (SDL_JoystickGetButton(s, b)) r.buttons |= 1u << b;
  }
  return r;
}

}  // namespace mavlet
