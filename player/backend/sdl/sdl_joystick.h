#pragma once
// Joysticks 0 and 1 through SDL's joystick API. A joystick is opened on first use and closed
// again when it is unplugged.
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
  _SDL_Joystick* Open(int id);

  bool subsystem_ = false;
  std::array<_SDL_Joystick*, 2> sticks_{};
};

}  // namespace mavlet
