#include "player/shell/game_system.h"

#include "player/shell/game_input.h"
#include "player/storage/game_status.h"

namespace mavlet {
namespace {

// Joystick buttons of the logical buttons: left, up, right, down, decide, cancel.
constexpr int kJoyDecide = 4;
constexpr int kJoyCancel = 5;
constexpr int kJoyDirection[4] = {1, 3, 0, 2};  // up, down, left, right
constexpr Key kDirectionKey[4] = {Key::kUp, Key::kDown, Key::kLeft, Key::kRight};

// Auto-repeat: first report at once, then after 20 further queries, then every 5.
constexpr std::int32_t kRepeatDelay = 20;
constexpr std::int32_t kRepeatRate = 5;

}  // namespace

TGameSystem::TGameSystem(InputState& input, GameSystemOptions options, TGameInput* joystick)
    : input_(input), options_(options), joystick_(options.has_joy_pad ? joystick : nullptr) {}

bool TGameSystem::Joystick(int button) {
  if (joystick_ == nullptr) return false;
  return joystick_->Button(button);
}

Point TGameSystem::MousePos() {
  if (!input_.ApplicationActive()) return {-1, -1};
  Point p = input_.MousePosition();
  if (p.x < 0 || p.y < 0) return {-1, -1};
  return p;
}

bool TGameSystem::Query(Button& b, MouseButton mouse, Key key1, Key key2, int joystick_button) {
  bool raw = false;
  if (input_.MouseButtonDown(mouse) && (MousePos().x >= 0 || b.down))
    raw = true;  // a press that began inside stays valid when dragged outside
  else if (input_.KeyDown(key1) || input_.KeyDown(key2))
    raw = true;
  else
    raw = Joystick(joystick_button);
  if (!input_.ApplicationActive()) raw = false;
  b.down = raw;
  if (!b.latch) {
    b.latch = raw;
    return raw;
  }
  if (!raw) b.latch = false;
  return false;
}

bool TGameSystem::ClickPressed() {
  return Query(click_, MouseButton::kLeft, Key::kEnter, Key::kSpace, kJoyDecide);
}

bool TGameSystem::CancelPressed() {
  return Query(cancel_, MouseButton::kRight, Key::kEscape, Key::kBackspace, kJoyCancel);
}

bool TGameSystem::ClickHeld() {
  ClickPressed();
  return click_.down;
}

bool TGameSystem::CancelHeld() {
  CancelPressed();
  return cancel_.down;
}

bool TGameSystem::CtrlHeld() { return input_.ApplicationActive() && input_.KeyDown(Key::kControl); }

bool TGameSystem::DirectionPressed(int d) {
  if (d < 0 || d > 3) return false;
  bool pressed = false;
  if (input_.ApplicationActive()) {
    if (joystick_ != nullptr && joystick_->Button(kJoyDirection[d]))
      pressed = true;
    else
      pressed = input_.KeyDown(kDirectionKey[d]);
  }
  std::int32_t& c = repeat_[static_cast<std::size_t>(d)];
  if (c >= 1) {
    if (!pressed) {
      c = 0;
      return false;
    }
    --c;
    if (c == 0) {
      c = kRepeatRate;
      return true;
    }
    return false;
  }
  if (pressed) {
    c = kRepeatDelay;
    return true;
  }
  return false;
}

void TGameSystem::SetSoundOn(bool on) {
  if (on == sound_on_) return;
  if (!options_.has_sound) on = false;
  sound_on_ = on;
}

void TGameSystem::SetCursor(std::string_view name) { cursor_name_ = std::string(name); }

void TGameSystem::SaveToStatus(TGameStatus& status) {
  status.WriteBool("@SoundOn", sound_on_);
  status.WriteString("@Cursor", cursor_name_);
}

void TGameSystem::LoadFromStatus(TGameStatus& status) {
  // The sound switch is written but deliberately not read back.
  SetCursor(status.ReadString("@Cursor", ""));
  RedrawAll();
}

void TGameSystem::ResetAll() { RedrawAll(); }

}  // namespace mavlet
