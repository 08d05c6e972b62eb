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
  if (!s && id < SDL_NumJoysticks()) s = SDL_JoystickOpen(id);
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
  for (int b = 0; b < buttons && b < 32; ++b) {
    if (SDL_JoystickGetButton(s, b)) r.buttons |= 1u << b;
  }
  return r;
}

}  // namespace mavlet
