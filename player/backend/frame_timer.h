#pragma once
// The frame timer: fires once at least one interval has passed since its reference time and
// reports how many intervals that was (the lag), so the frame loop can catch up on logic steps.
// It never waits itself; the caller sleeps for MsUntilDue() between polls.
#include <cstdint>

#include "player/backend/clock.h"

namespace mavlet {

class FrameTimer {
 public:
  static constexpr std::uint32_t kDefaultIntervalMs = 30;

  explicit FrameTimer(Clock& clock, std::uint32_t interval_ms = kDefaultIntervalMs);

  // An interval of 0 would divide by zero and spin; it becomes 1.
  void SetInterval(std::uint32_t interval_ms);
  std::uint32_t Interval() const { return interval_; }

  // Enabling starts a fresh period from now.
  void SetEnabled(bool enabled);
  bool Enabled() const { return enabled_; }

  // Returns the lag (at least 1) when the timer fires, 0 when it is disabled or not yet due.
  // On firing the reference moves to now minus the overshoot, the overshoot capped at one
  // interval, so a late event is followed by a prompt one but never by a burst.
  std::uint32_t Poll();

  // Milliseconds until the next event is due: 0 when due now; kNever while disabled.
  static constexpr std::uint32_t kNever = 0xFFFFFFFFu;
  std::uint32_t MsUntilDue();

 private:
  Clock& clock_;
  std::uint32_t interval_;
  std::uint32_t reference_ = 0;
  bool enabled_ = false;
};

}  // namespace mavlet
