#pragma once
// Arithmetic on the 32-bit millisecond tick count, which wraps after about 49.7 days. Every
// difference of two ticks goes through these helpers so a wrap between them reads as the short
// way round. Nothing here fails; a gap of more than 2^31 ms reads as the other direction.
#include <cstdint>

namespace mavlet {

// Milliseconds from `then` to `now`, counting forward across the wrap.
constexpr std::uint32_t TicksSince(std::uint32_t now, std::uint32_t then) { return now - then; }

// The signed gap from `then` to `now`: negative when `now` is before `then`.
constexpr std::int32_t TickDelta(std::uint32_t now, std::uint32_t then) {
  return static_cast<std::int32_t>(now - then);
}

// The size of the gap between two ticks, whichever comes first.
constexpr std::int64_t TickDistance(std::uint32_t a, std::uint32_t b) {
  const std::int64_t d = TickDelta(a, b);
  return d < 0 ? -d : d;
}

// True once `now` has reached `due`.
constexpr bool TickReached(std::uint32_t now, std::uint32_t due) { return TickDelta(now, due) >= 0; }

}  // namespace mavlet
