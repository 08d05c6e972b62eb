#include "player/backend/frame_timer.h"
#include "player/common/ticks.h"

#include <algorithm>

namespace mavlet {

FrameTimer::FrameTimer(Clock& clock, std::uint32_t interval_ms) : clock_(clock) {
  SetInterval(interval_ms);
}

void FrameTimer::SetInterval(std::uint32_t interval_ms) { interval_ = std::max<std::uint32_t>(1, interval_ms); }

void FrameTimer::SetEnabled(bool enabled) {
  if (enabled && !enabled_) reference_ = clock_.NowMs();
  enabled_ = enabled;
}

std::uint32_t FrameTimer::Poll() {
  if (!enabled_) return 0;
  const std::uint32_t now = clock_.NowMs();
  const std::uint32_t elapsed = TicksSince(now, reference_);
  if (elapsed < interval_) return 0;
  const std::uint32_t overshoot = std::min(elapsed - interval_, interval_);
  reference_ = now - overshoot;
  return std::max<std::uint32_t>(1, elapsed / interval_);
}

std::uint32_t FrameTimer::MsUntilDue() {
  if (!enabled_) return kNever;
  const std::uint32_t elapsed = TicksSince(clock_.NowMs(), reference_);
  return elapsed >= interval_ ? 0 : interval_ - elapsed;
}

}  // namespace mavlet
