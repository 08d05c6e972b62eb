#pragma once
// Blurring a whole surface onto another: the box blur of box_blur.h (the mean over the
// (2 radius + 1)-square around each pixel, cut at the picture's edges, rounded to the nearest
// level after the horizontal and again after the vertical pass) followed by a saturating grey
// subtraction. The result is bit for bit what BoxBlur on the source's 24-bit bitmap, DrawBitmap
// and SubtractGrey give, without the bitmap round trip: the passes run along rows with sliding
// sums, and the buffers stay with the caller, so repeated blurs of one size allocate nothing.
// Surfaces of different formats or sizes draw nothing (DrawBlurred returns false), as does a
// target that cannot be locked.
#include <cstdint>
#include <vector>

#include "player/backend/graphics/row_kernels.h"
#include "player/backend/graphics/surface.h"

namespace mavlet {

// Work space of DrawBlurred, reused from call to call.
struct BlurBuffers {
  std::vector<std::uint8_t> source;      // the source as B, G, R, X bytes (16 and 24 bits)
  std::vector<std::uint8_t> across;      // the horizontal pass, B, G, R, X bytes
  std::vector<std::uint16_t> sums;       // column sums of the vertical pass (SSE2)
  std::vector<std::uint32_t> wide_sums;  // the same for the portable pass
  std::vector<std::uint8_t> row;         // one finished row before it is stored (16 and 24 bits)
};

// Draws `source` blurred by `radius` (0 or less: unblurred) onto `target`, then subtracts the
// grey level `grey` (clamped to 0..255) from every colour channel, saturating.
bool DrawBlurred(Surface& target, const Surface& source, int radius, int grey, BlurBuffers& buffers,
                 RowKernels kernels = RowKernels::kFastest);

}  // namespace mavlet
