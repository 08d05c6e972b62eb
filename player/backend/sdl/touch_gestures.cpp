#include "player/backend/sdl/touch_gestures.h"

#include <algorithm>
#include <cmath>

namespace mavlet {

TouchGestures::Finger* TouchGestures::Find(std::int64_t finger) {
  auto it = std::find_if(fingers_.begin(), fingers_.end(), [&](const Finger& f) { return f.id == finger; });
  return it == fingers_.end() ? nullptr : &*it;
}

bool TouchGestures::Down(std::int64_t finger, float x, float y) {
  const bool first = fingers_.empty();
  if (first) {
    most_fingers_ = 0;
    strayed_ = false;
    wheel_sent_ = 0;
  }
  if (Finger* f = Find(finger)) {
    // A down without its up (a lost event): start that finger again.
    f->start_x = x;
    f->start_y = y;
    return first;
  }
  fingers_.push_back(Finger{finger, x, y});
  most_fingers_ = std::max(most_fingers_, static_cast<int>(fingers_.size()));
  return first;
}

void TouchGestures::Track(const Finger& f, float x, float y) {
  const double dx = (x - f.start_x) * scale_, dy = (y - f.start_y) * scale_;
  if (dx * dx + dy * dy > kTapSlop * kTapSlop) strayed_ = true;
}

int TouchGestures::Move(std::int64_t finger, float x, float y) {
  Finger* f = Find(finger);
  if (f == nullptr) return 0;
  Track(*f, x, y);
  // Only a one-finger gesture scrolls, and only by its first finger.
  if (most_fingers_ != 1 || !strayed_) return 0;
  // Steps follow the finger's place, so moving back takes them back.
  const double travel = (y - f->start_y) * scale_;
  const int target = static_cast<int>(std::trunc(travel / kDragStep));
  const int steps = target - wheel_sent_;
  wheel_sent_ = target;
  return steps;
}

std::optional<MouseButton> TouchGestures::Up(std::int64_t finger, float x, float y) {
  Finger* f = Find(finger);
  if (f == nullptr) return std::nullopt;
  Track(*f, x, y);
  fingers_.erase(fingers_.begin() + (f - fingers_.data()));
  if (!fingers_.empty() || strayed_) return std::nullopt;
  if (most_fingers_ == 1) return MouseButton::kLeft;
  if (most_fingers_ == 2) return MouseButton::kRight;
  return std::nullopt;
}

void TouchGestures::Reset() {
  fingers_.clear();
  most_fingers_ = 0;
  strayed_ = false;
  wheel_sent_ = 0;
}

}  // namespace mavlet
