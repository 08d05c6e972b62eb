#include "player/shell/game_buttons.h"

#include "player/shell/game_input.h"

namespace mavlet {
namespace {

// Joystick buttons of the logical buttons: left, up, right, down, decide, cancel.
constexpr int kJoyDecide = 4;
constexpr int kJoyCancel = 5;
constexpr int kJoyDirection[4] = {1, 3, 0, 2};  // up, down, left, right
constexpr Key kDirectionKey[4] = {Key::kUp, Key::kDown, Key::kLeft, Key::kRight};
// In NavigationKey order.
constexpr std::array<Key, 4> kNavigationKeys = {Key::kHome, Key::kEnd, Key::kPageUp, Key::kPageDown};

// Auto-repeat: first report at once, then after 20 further queries, then every 5.
constexpr std::int32_t kRepeatDelay = 20;
constexpr std::int32_t kRepeatRate = 5;

}  // namespace

bool GameButtons::Joystick(int button) {
  if (joystick_ == nullptr) return false;
  return joystick_->Button(button);
}

Point GameButtons::MousePos() {
  if (!input_.ApplicationActive()) return {-1, -1};
  Point p = input_.MousePosition();
  if (p.x < 0 || p.y < 0) return {-1, -1};
  return p;
}

Point GameButtons::StoredMouse() {
  const Point p = input_.MousePosition();
  if (p.x >= 0 && p.y >= 0) stored_mouse_ = p;
  return stored_mouse_;
}

bool GameButtons::RawButton(const Press& b, MouseButton mouse, Key key1, Key key2, int joystick_button) {
  if (!input_.ApplicationActive()) return false;
  // A press that began inside the game area stays valid when it is dragged outside.
  if (input_.MouseButtonDown(mouse) && (MousePos().x >= 0 || b.down)) return true;
  if (input_.KeyDown(key1) || input_.KeyDown(key2)) return true;
  return Joystick(joystick_button);
}

bool GameButtons::RawDirection(int d) {
  if (!input_.ApplicationActive()) return false;
  if (joystick_ != nullptr && joystick_->Button(kJoyDirection[d])) return true;
  return input_.KeyDown(kDirectionKey[d]);
}

bool GameButtons::CheckActive() {
  if (input_.ApplicationActive()) return true;
  for (Press* p : {&click_, &cancel_}) *p = Press{};
  for (Press& p : direction_) p = Press{};
  for (Press& p : navigation_) p = Press{};
  repeat_ = {};
  input_.TakeWheel();
  wheel_now_ = 0;
  wheel_next_ = 0;
  return false;
}

void GameButtons::PollDecide() {
  click_.Poll(RawButton(click_, MouseButton::kLeft, Key::kEnter, Key::kSpace, kJoyDecide), KeepUntil());
}

void GameButtons::PollCancel() {
  cancel_.Poll(RawButton(cancel_, MouseButton::kRight, Key::kEscape, Key::kBackspace, kJoyCancel), KeepUntil());
}

void GameButtons::PollDirection(int d) { direction_[static_cast<std::size_t>(d)].Poll(RawDirection(d), KeepUntil()); }

void GameButtons::PollNavigation(std::size_t k) {
  navigation_[k].Poll(input_.ApplicationActive() && input_.KeyDown(kNavigationKeys[k]), KeepUntil());
}

void GameButtons::PollWheel() {
  const int notches = input_.TakeWheel();
  if (in_step_start_)
    wheel_now_ += notches;
  else
    wheel_next_ += notches;
}

void GameButtons::PollAll() {
  if (!CheckActive()) return;
  PollDecide();
  PollCancel();
  for (int d = 0; d < 4; ++d) PollDirection(d);
  for (std::size_t k = 0; k < navigation_.size(); ++k) PollNavigation(k);
  PollWheel();
}

void GameButtons::BeginStep() {
  ++step_;
  // What came inside the previous step is for this one; what this step's start finds as well.
  wheel_now_ = wheel_next_;
  wheel_next_ = 0;
  in_step_start_ = true;
  PollAll();
  in_step_start_ = false;
  // A press let go before any query took it is kept no longer than its last step.
  auto expire = [this](Press& p) {
    if (p.pending && !p.down && p.until < step_) p.pending = false;
  };
  expire(click_);
  expire(cancel_);
  for (Press& p : direction_) expire(p);
  for (Press& p : navigation_) expire(p);
}

bool GameButtons::ClickPressed() {
  if (!CheckActive()) return false;
  PollDecide();
  return click_.Take();
}

bool GameButtons::CancelPressed() {
  if (!CheckActive()) return false;
  PollCancel();
  return cancel_.Take();
}

void GameButtons::ConsumePresses() {
  ClickPressed();
  CancelPressed();
}

bool GameButtons::ClickHeld() {
  if (!CheckActive()) return false;
  PollDecide();
  return click_.down;
}

bool GameButtons::CancelHeld() {
  if (!CheckActive()) return false;
  PollCancel();
  return cancel_.down;
}

bool GameButtons::NavigationPressed(NavigationKey key) {
  const auto k = static_cast<std::size_t>(key);
  if (k >= navigation_.size() || !CheckActive()) return false;
  PollNavigation(k);
  return navigation_[k].Take();
}

int GameButtons::WheelSteps() {
  if (!CheckActive()) return 0;
  PollWheel();
  return std::exchange(wheel_now_, 0) + std::exchange(wheel_next_, 0);
}

bool GameButtons::CtrlHeld() { return input_.ApplicationActive() && input_.KeyDown(Key::kControl); }

bool GameButtons::DirectionPressed(int d) {
  if (d < 0 || d > 3 || !CheckActive()) return false;
  PollDirection(d);
  Press& p = direction_[static_cast<std::size_t>(d)];
  std::int32_t& c = repeat_[static_cast<std::size_t>(d)];
  // A press not yet reported (it may have been let go again since) reports at once.
  if (p.Take()) {
    c = kRepeatDelay;
    return true;
  }
  if (c >= 1) {
    if (!p.down) {
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
  if (p.down) {
    c = kRepeatDelay;
    return true;
  }
  return false;
}

}  // namespace mavlet
