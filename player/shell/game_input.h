#pragma once
// One input device seen as six logical buttons: 0 left, 1 up, 2 right, 3 down, 4 A (decide),
// 5 B (cancel). The device is a joystick or a keyboard mapping.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "player/backend/input.h"
#include "player/backend/joystick.h"

namespace mavlet {

enum class TInputMode : std::uint8_t { imJoyStick1, imJoyStick2, imKeyBoard, imKeyLeft, imKeyRight };

class InputDevice {
 public:
  virtual ~InputDevice() = default;
  virtual bool Button(int index) = 0;
  virtual bool Poll() = 0;
  bool AutoUpdate() const { return auto_update_; }
  void SetAutoUpdate(bool on) { auto_update_ = on; }

 private:
  bool auto_update_ = false;
};

class TJoyStick : public InputDevice {
 public:
  TJoyStick(JoystickPort& port, int id) : port_(port), id_(id) {}
  // Calibrates on first use; false when the joystick cannot be read (its buttons then read
  // as released).
  bool Poll() override;
  bool Button(int index) override;
  bool Calibrated() const { return calibrated_; }

 private:
  void Calibrate();

  JoystickPort& port_;
  int id_;
  bool calibrated_ = false;
  std::int32_t x_left_ = 0, x_right_ = 0, y_up_ = 0, y_down_ = 0;
  JoystickReading last_;
};

class TKeyStick : public InputDevice {
 public:
  TKeyStick(InputState& keys, TInputMode mode);
  bool Poll() override;
  bool Button(int index) override;

 private:
  void Refresh(int index);

  struct Binding {
    std::array<std::optional<Key>, 3> keys;
    bool held = false;
  };
  InputState& keys_;
  std::array<Binding, 6> buttons_;
};

class TGameInput {
 public:
  TGameInput(JoystickPort& joysticks, InputState& keys);
  TInputMode Mode() const { return mode_; }
  // Replaces the device; the auto-update setting carries over.
  void SetMode(TInputMode mode);
  bool AutoUpdate() const { return device_->AutoUpdate(); }
  void SetAutoUpdate(bool on) { device_->SetAutoUpdate(on); }
  bool Button(int index) { return device_->Button(index); }
  bool Update() { return device_->Poll(); }

 private:
  std::unique_ptr<InputDevice> MakeDevice(TInputMode mode);

  JoystickPort& joysticks_;
  InputState& keys_;
  TInputMode mode_ = TInputMode::imKeyBoard;
  std::unique_ptr<InputDevice> device_;
};

}  // namespace mavlet
