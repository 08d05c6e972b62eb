#pragma once
// Joysticks 0 and 1 through SDL's joystick API (on desktop drivers and on the browser's gamepad
// interface alike). A joystick is opened on first use, so pads plugged in later are found, and
// closed again when it is unplugged. The stick (axes 0 and 1) and the direction pad both steer.
#include <array>

#include "player/backend/joystick.h"

struct _SDL_Joystick;

namespace mavlet {

class SdlJoystickPort : public JoystickPort {
 public:
  // Initialises SDL's joystick subsystem; without it every query answers "no joystick".
  SdlJoystickPort();
  ~SdlJoystickPort() override;
  SdlJoystickPort(const SdlJoystickPort&) = delete;
  SdlJoystickPort& operator=(const SdlJoystickPort&) = delete;

  std::optional<JoystickRange> Capabilities(int id) override;
  std::optional<JoystickReading> Read(int id) override;

 private:
  // Pads with no hat and at least this many buttons are laid out as the browser's standard
  // gamepad (direction pad on buttons 12 to 15).
  static constexpr int kStandardPadButtons = 16;
  _SDL_Joystick* Open(int id);

  bool subsystem_ = false;
  std::array<_SDL_Joystick*, 2> sticks_{};
};

}  // namespace mavlet
