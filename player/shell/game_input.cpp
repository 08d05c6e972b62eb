#include "player/shell/game_input.h"

namespace mavlet {

bool TJoyStick::Poll() {
  if (!calibrated_) Calibrate();
  std::optional<JoystickReading> r = port_.Read(id_);
  if (!r) {
    // A lost joystick reads as centred with nothing pressed.
    last_ = JoystickReading{(x_left_ + x_right_) / 2, (y_up_ + y_down_) / 2, 0};
    return false;
  }
  last_ = *r;
  return true;
}

void TJoyStick::Calibrate() {
  std::optional<JoystickRange> caps = port_.Capabilities(id_);
  calibrated_ = caps.has_value();
  if (!caps) return;
  // 64-bit: the range of a full 32-bit axis does not fit 32 bits.
  const std::int64_t xr = static_cast<std::int64_t>(caps->x_max) - caps->x_min;
  const std::int64_t yr = static_cast<std::int64_t>(caps->y_max) - caps->y_min;
  x_left_ = static_cast<std::int32_t>(caps->x_min + xr / 3);
  x_right_ = static_cast<std::int32_t>(caps->x_max - xr / 3);
  y_up_ = static_cast<std::int32_t>(caps->y_min + yr / 3);
  y_down_ = static_cast<std::int32_t>(caps->y_max - yr / 3);
  last_ = JoystickReading{(x_left_ + x_right_) / 2, (y_up_ + y_down_) / 2, 0};
}

bool TJoyStick::Button(int index) {
  if (AutoUpdate()) Poll();
  if (!calibrated_) return false;
  switch (index) {
    case 0: return last_.x < x_left_;
    case 1: return last_.y < y_up_;
    case 2: return last_.x > x_right_;
    case 3: return last_.y > y_down_;
    case 4: return (last_.buttons & 1u) != 0;
    case 5: return (last_.buttons & 2u) != 0;
    default: return false;
  }
}

TKeyStick::TKeyStick(InputState& keys, TInputMode mode) : keys_(keys) {
  using K = Key;
  const bool left_hand = mode == TInputMode::imKeyLeft;
  const bool right_hand = mode == TInputMode::imKeyRight;
  if (left_hand) {
    buttons_[0].keys = {K::kS};
    buttons_[1].keys = {K::kE};
    buttons_[2].keys = {K::kF};
    buttons_[3].keys = {K::kC};
    buttons_[4].keys = {K::kZ};
    buttons_[5].keys = {K::kX};
    return;
  }
  buttons_[0].keys = {K::kLeft, K::kNumpad4};
  buttons_[1].keys = {K::kUp, K::kNumpad8};
  buttons_[2].keys = {K::kRight, K::kNumpad6};
  buttons_[3].keys = {K::kDown, K::kNumpad2};
  if (right_hand) {
    buttons_[4].keys = {K::kNumpad0, K::kSpace};
    buttons_[5].keys = {K::kNumpad1, K::kEnter};
  } else {
    buttons_[4].keys = {K::kZ, K::kSpace};
    buttons_[5].keys = {K::kX, K::kEnter};
  }
}

void TKeyStick::Refresh(int index) {
  Binding& b = buttons_[static_cast<std::size_t>(index)];
  b.held = false;
  for (const std::optional<Key>& k : b.keys) {
    if (k && keys_.KeyDown(*k)) {
      b.held = true;
      break;
    }
  }
}

bool TKeyStick::Poll() {
  if (!AutoUpdate()) {
    for (int i = 0; i < 6; ++i) Refresh(i);
  }
  return true;
}

bool TKeyStick::Button(int index) {
  if (index < 0 || index >= 6) return false;
  if (AutoUpdate()) Refresh(index);
  return buttons_[static_cast<std::size_t>(index)].held;
}

TGameInput::TGameInput(JoystickPort& joysticks, InputState& keys) : joysticks_(joysticks), keys_(keys) {
  device_ = MakeDevice(mode_);
  device_->SetAutoUpdate(true);
}

std::unique_ptr<InputDevice> TGameInput::MakeDevice(TInputMode mode) {
  switch (mode) {
    case TInputMode::imJoyStick1: return std::make_unique<TJoyStick>(joysticks_, 0);
    case TInputMode::imJoyStick2: return std::make_unique<TJoyStick>(joysticks_, 1);
    default: return std::make_unique<TKeyStick>(keys_, mode);
  }
}

void TGameInput::SetMode(TInputMode mode) {
  if (mode == mode_) return;
  const bool auto_update = device_ ? device_->AutoUpdate() : false;
  device_ = MakeDevice(mode);
  mode_ = mode;
  device_->SetAutoUpdate(auto_update);
}

}  // namespace mavlet
