#include "player/backend/sdl/sdl_clock.h"

#include <SDL.h>

#include <algorithm>

namespace mavlet {

std::uint32_t SdlClock::NowMs() { return SDL_GetTicks(); }

void SdlClock::SleepMs(std::uint32_t ms) { SDL_Delay(ms); }

bool SdlClock::WaitEvent(SDL_Event& event, std::uint32_t timeout_ms) {
  if (timeout_ms == kForever) return SDL_WaitEvent(&event) == 1;
  if (timeout_ms == 0) return SDL_PollEvent(&event) == 1;
  const int ms = static_cast<int>(std::min<std::uint32_t>(timeout_ms, 0x7FFFFFFF));
  return SDL_WaitEventTimeout(&event, ms) == 1;
}

}  // namespace mavlet
