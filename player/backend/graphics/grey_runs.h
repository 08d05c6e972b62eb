#pragma once
// Saturating grey added pixel by pixel along a run, the level following a distance table: what
// the circle transition draws on its ring. Works on locked pixels of 16, 24 or 32 bits (other
// depths are left alone); the fourth byte of 32-bit pixels is kept. Also one level added to or
// taken from a whole run of 24- or 32-bit pixels (the surfaces' AddGrey and SubtractGrey).
#include <cstdint>

#include "player/backend/graphics/row_kernels.h"
#include "player/backend/graphics/surface.h"

namespace mavlet {

// Writes count pixels to `to`: each is the pixel at `from` with the grey level
// clamp(slope * distance[i] + offset, 0, 255) added to every colour channel, saturating (a
// 5- or 6-bit channel adds the level's top bits). slope is 1 or -1; `format` names the pixel
// layout of both rows.
void AddGreyByDistance(std::uint8_t* to, const std::uint8_t* from, const std::int32_t* distance, std::int64_t count,
                       int slope, std::int32_t offset, const LockedPixels& format,
                       RowKernels kernels = RowKernels::kFastest);

// Adds delta (-255..255) to every colour byte of count pixels of `bytes_per_pixel` 3 or 4,
// clamped to 0..255; the fourth byte of 32-bit pixels is kept.
void ShiftGreyRun(std::uint8_t* row, std::int64_t count, int delta, int bytes_per_pixel,
                  RowKernels kernels = RowKernels::kFastest);

}  // namespace mavlet
