#pragma once
#include "player/backend/graphics/bitmap.h"

namespace mavlet {

// Box blur of a 24- or 32-bit bitmap in place: each channel becomes the mean over the
// (2 radius + 1)-square around the pixel (the square is cut at the picture's edges). Radius 0 or
// less leaves the picture unchanged; indexed bitmaps are left alone.
void BoxBlur(Bitmap& bitmap, int radius);

}  // namespace mavlet
