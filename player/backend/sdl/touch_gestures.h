#pragma once
// Touch gestures of the play window, from fingers in window points: a tap decides (a left
// click), a two-finger tap cancels (a right click), and a one-finger drag scrolls (wheel steps,
// one per kDragStep game pixels of vertical travel, away from the player when the finger moves
// down, so a list follows the finger). A gesture lasts from the first finger down to the last
// finger up; a finger that strays more than kTapSlop game pixels from where it came down makes
// it no tap (however long it was held). Three or more fingers do nothing. Pure arithmetic: the
// SDL input feeds it and turns its answers into presses.
#include <cstdint>
#include <optional>
#include <vector>

#include "player/backend/input.h"

namespace mavlet {

class TouchGestures {
 public:
  static constexpr double kTapSlop = 12.0;
  static constexpr double kDragStep = 24.0;

  // scale: game pixels per window point (the viewport's); at least a small positive number.
  void SetScale(double game_pixels_per_point) { scale_ = game_pixels_per_point > 0 ? game_pixels_per_point : 1.0; }

  // A finger came down; true when it is the gesture's first.
  bool Down(std::int64_t finger, float x, float y);
  // A finger moved; the wheel steps the drag makes now (0 for fingers not down).
  int Move(std::int64_t finger, float x, float y);
  // A finger went up; when it was the last, the click the gesture makes (if any).
  std::optional<MouseButton> Up(std::int64_t finger, float x, float y);
  // Forgets the fingers (the window lost the focus).
  void Reset();
  bool Active() const { return !fingers_.empty(); }

 private:
  struct Finger {
    std::int64_t id = 0;
    float start_x = 0, start_y = 0;
  };
  Finger* Find(std::int64_t finger);
  // Marks the gesture as no tap when the finger is too far from its start.
  void Track(const Finger& f, float x, float y);

  double scale_ = 1.0;
  std::vector<Finger> fingers_;
  int most_fingers_ = 0;
  bool strayed_ = false;
  int wheel_sent_ = 0;
};

}  // namespace mavlet
