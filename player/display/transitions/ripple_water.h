#pragma once
// The water of the ripple transitions: two height fields of gw x gh cells (half the screen's
// resolution plus a border that stays 0), stepped in turn. Heights are never negative.
#include <cstdint>

#include "player/backend/graphics/row_kernels.h"

namespace mavlet {

// One simulation step: every inner cell of `other` becomes |(sum of its eight neighbours in
// `current`) / 4 - its old value|, less a 1024th of that, capped at INT32_MAX. Returns the
// OR of every value written, so the caller can tell whether the next step's sums fit in 32 bits
// (the SSE2 kernel runs when both fields stay below 2^27; larger water takes the 64-bit path).
std::uint32_t StepWater(const std::int32_t* current, std::int32_t* other, std::int32_t gw, std::int32_t gh,
                        std::uint32_t current_bits, std::uint32_t other_bits, RowKernels kernels = RowKernels::kFastest);

}  // namespace mavlet
