#pragma once
// Runs a screen transition to its end outside the frame loop: each step draws, presents what
// the step changed, then waits at least 11 ms from the step's start, sleeping on the clock while
// the host pumps window events, updates the audio channels and runs the always stream. A step
// that comes more than two frame intervals late lets the next step skip its drawing. The run
// ends with the host showing the whole back picture, so the last frame is always exactly the
// new scene. A close request aborts the run after the current wait; a transition that never
// ends is cut off after kMaxSteps.
#include <cstdint>

#include "player/backend/graphics/rect.h"
#include "player/display/screen_transition.h"

namespace mavlet {

class Clock;

// What the driver needs from the game system; the game system implements it.
class TransitionHost {
 public:
  virtual ~TransitionHost() = default;
  virtual Clock& TransitionClock() = 0;
  // The frame timer interval in milliseconds (30 unless configured).
  virtual std::uint32_t FrameIntervalMs() = 0;
  virtual void StopFrameTimer() = 0;
  virtual void RestartFrameTimer() = 0;
  // Screen surface -> window: the whole screen (a flip) or a rectangle of it.
  virtual void PresentStep(const Rect& rect, bool whole_screen) = 0;
  // Runs between steps while waiting: window events, audio channels, the always stream.
  virtual void BetweenSteps() = 0;
  // True once the application is closing.
  virtual bool Closing() = 0;
  // Back picture -> screen surface, presented whole; the changed area is cleared.
  virtual void PresentFinal() = 0;
};

struct TransitionRun {
  int steps = 0;        // Step calls made
  bool aborted = false;  // the application began closing
};

class TransitionDriver {
 public:
  static constexpr std::uint32_t kStepMs = 11;
  static constexpr int kMaxSteps = 100000;
  // Longest single sleep inside a step's wait, so window events and sound keep flowing.
  static constexpr std::uint32_t kSleepSliceMs = 4;

  // Runs `t` on a screen of `screen` size. The frame timer stays stopped for the run and is
  // restarted afterwards unless the application is closing.
  static TransitionRun Run(ScreenTransition& t, TransitionHost& host, const Rect& screen);
};

}  // namespace mavlet
