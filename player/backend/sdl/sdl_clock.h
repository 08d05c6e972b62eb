#pragma once
// The player's clock on SDL's millisecond ticks. Waiting for window events goes through it too,
// so the frame loop sleeps in the event queue instead of spinning.
#include <cstdint>

#include "player/backend/clock.h"

union SDL_Event;

namespace mavlet {

class SdlClock : public Clock {
 public:
  std::uint32_t NowMs() override;
  void SleepMs(std::uint32_t ms) override;
  // Waits up to timeout_ms for the next window event (kForever: no limit). True with an event.
  static constexpr std::uint32_t kForever = 0xFFFFFFFFu;
  bool WaitEvent(SDL_Event& event, std::uint32_t timeout_ms);
};

}  // namespace mavlet
