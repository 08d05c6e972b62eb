#pragma once
// Raw joystick access: the axis range and the current position and buttons of joystick 0 or 1.
#include <cstdint>
#include <optional>

namespace mavlet {

struct JoystickRange {
  std::int32_t x_min = 0, x_max = 0, y_min = 0, y_max = 0;
};

struct JoystickReading {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::uint32_t buttons = 0;  // bit i = button i held
};

class JoystickPort {
 public:
  virtual ~JoystickPort() = default;
  // nullopt when there is no such joystick.
  virtual std::optional<JoystickRange> Capabilities(int id) = 0;
  virtual std::optional<JoystickReading> Read(int id) = 0;
};

}  // namespace mavlet
