#pragma once
// Span walking of the software surfaces: clips a drawing operation's source and target
// rectangles to both surfaces (64-bit arithmetic, so far-off coordinates cannot overflow) and
// hands each row piece to a kernel, sampling the nearest source pixel when the sizes differ.
// Only surface.cpp includes this.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "player/backend/graphics/rect.h"
#include "player/backend/graphics/surface_kernels.h"

namespace mavlet::surface_detail {

struct Span {  // one clipped row piece of a drawing operation
  std::uint8_t* target;
  const std::uint8_t* source;  // in the source's format, already in target order
  std::int64_t count;
  std::int64_t source_x;  // first source column (unscaled operations only)
  std::int64_t source_y;
};

// One span of a copy, keyed copy, blend or keyed blend: the shared inner step of Blend and Wave.
template <class P>
void CopyOrBlendSpan(const Span& sp, std::uint32_t a, bool use_key, std::uint32_t key) {
  if (a == 255) {
    if (use_key) {
      KeyRow<P>(sp.target, sp.source, sp.count, key);
    } else {
      std::memcpy(sp.target, sp.source, static_cast<std::size_t>(sp.count) * P::kBytes);
    }
  } else if (use_key) {
    KeyBlendRow<P>(sp.target, sp.source, sp.count, a, key);
  } else {
    BlendRow<P>(sp.target, sp.source, sp.count, a);
  }
}

struct Box {  // 64-bit rectangle so that clipping far-off coordinates cannot overflow
  std::int64_t left, top, right, bottom;
  std::int64_t Width() const { return right - left; }
  std::int64_t Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
};

inline Box ToBox(const Rect& r) { return Box{r.left, r.top, r.right, r.bottom}; }

// Whether a * b fits 64 bits because both lie in the 32-bit range: then the scaling below
// multiplies and divides in 64 bits, and the 128-bit division (a library call on 32-bit and
// WebAssembly targets, hundreds of times a frame in a row-by-row transition) is left for
// far-off coordinates.
inline bool ProductFits64(std::int64_t a, std::int64_t b) {
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;
  return a > -kLimit && a < kLimit && b > -kLimit && b < kLimit;
}

// offset * to / from without overflow for any 32-bit-derived operands (from > 0).
inline std::int64_t Scale(std::int64_t offset, std::int64_t to, std::int64_t from) {
  if (ProductFits64(offset, to)) return offset * to / from;
  return static_cast<std::int64_t>(static_cast<__int128>(offset) * to / from);
}

// floor(k * to / from) for k = start, start + 1, ... (from > 0, 0 <= k < from): one division to
// start with, then a remainder carried from step to step.
class ScaleSteps {
 public:
  ScaleSteps(std::int64_t start, std::int64_t to, std::int64_t from)
      : whole_(to / from), part_(to % from), from_(from) {
    if (ProductFits64(start, to)) {
      const std::int64_t p = start * to;
      value_ = p / from;
      rest_ = p - value_ * from;
    } else {
      const __int128 p = static_cast<__int128>(start) * to;
      value_ = static_cast<std::int64_t>(p / from);
      rest_ = static_cast<std::int64_t>(p - static_cast<__int128>(value_) * from);
    }
    if (rest_ < 0) {  // a negative `to` (never for a non-empty box): floor, not truncation
      rest_ += from;
      --value_;
    }
    if (part_ < 0) {
      part_ += from;
      --whole_;
    }
  }
  std::int64_t value() const { return value_; }
  void Next() {
    value_ += whole_;
    rest_ += part_;
    if (rest_ >= from_) {
      rest_ -= from_;
      ++value_;
    }
  }

 private:
  std::int64_t whole_, part_, from_;
  std::int64_t value_ = 0, rest_ = 0;
};

// Calls fn(row pointer, pixel count) for each row of rect clipped to the surface.
template <class Fn>
void ForEachRow(std::uint8_t* pixels, std::size_t pitch, int bytes, std::int32_t width,
                std::int32_t height, const Rect& rect, Fn&& fn) {
  const Rect r = Intersect(rect, Rect{0, 0, width, height});
  if (r.IsEmpty()) return;
  for (std::int32_t y = r.top; y < r.bottom; ++y) {
    fn(pixels + y * pitch + static_cast<std::size_t>(r.left) * bytes, std::int64_t{r.Width()});
  }
}

// Walks the spans of drawing source box s into target box t (nearest pixel when the sizes
// differ), clipped to both surfaces. fn(const Span&).
template <class P, class Fn>
void ForEachSpan(std::uint8_t* tpix, std::size_t tpitch, std::int64_t tw, std::int64_t th,
                 const std::uint8_t* spix, std::size_t spitch, std::int64_t sw, std::int64_t sh,
                 Box t, Box s, Fn&& fn) {
  if (t.IsEmpty() || s.IsEmpty()) return;
  if (t.Width() == s.Width() && t.Height() == s.Height()) {
    // Clip the source to its surface, then the target to its surface, moving the other along.
    std::int64_t dl = std::max<std::int64_t>({0, -s.left, -t.left});
    std::int64_t dt = std::max<std::int64_t>({0, -s.top, -t.top});
    const std::int64_t w = std::min({s.Width(), sw - s.left, tw - t.left}) - dl;
    const std::int64_t h = std::min({s.Height(), sh - s.top, th - t.top}) - dt;
    if (w <= 0 || h <= 0) return;
    const std::int64_t sx = s.left + dl, sy = s.top + dt, tx = t.left + dl, ty = t.top + dt;
    for (std::int64_t j = 0; j < h; ++j) {
      fn(Span{tpix + (ty + j) * tpitch + tx * P::kBytes, spix + (sy + j) * spitch + sx * P::kBytes,
              w, sx, sy + j});
    }
    return;
  }
  // Scaled: target columns that map into the source.
  const std::int64_t x0 = std::max<std::int64_t>(t.left, 0), x1 = std::min(t.right, tw);
  if (x0 >= x1) return;
  // The source column of each target column (as a byte offset) and the gathered row: on the
  // stack up to kStackColumns columns, as transitions stretch single rows hundreds of times a
  // frame.
  constexpr std::size_t kStackColumns = 1024;
  std::size_t columns = 0;
  std::uint32_t stack_offsets[kStackColumns];
  std::uint8_t stack_row[kStackColumns * P::kBytes];
  std::vector<std::uint32_t> heap_offsets;
  std::vector<std::uint8_t> heap_row;
  std::uint32_t* offsets = stack_offsets;
  std::uint8_t* row = stack_row;
  if (static_cast<std::size_t>(x1 - x0) > kStackColumns) {
    heap_offsets.resize(static_cast<std::size_t>(x1 - x0));
    heap_row.resize(heap_offsets.size() * P::kBytes);
    offsets = heap_offsets.data();
    row = heap_row.data();
  }
  std::int64_t first = x1;
  ScaleSteps column(x0 - t.left, s.Width(), t.Width());
  for (std::int64_t x = x0; x < x1; ++x, column.Next()) {
    const std::int64_t sx = s.left + column.value();
    if (sx < 0 || sx >= sw) {
      if (columns == 0) continue;
      break;  // the mapping is monotonic: nothing further is inside
    }
    if (columns == 0) first = x;
    offsets[columns++] = static_cast<std::uint32_t>(sx * P::kBytes);  // sides are at most 16384
  }
  if (columns == 0) return;
  const std::int64_t y0 = std::max<std::int64_t>(t.top, 0), y1 = std::min(t.bottom, th);
  for (std::int64_t y = y0; y < y1; ++y) {
    const std::int64_t sy = s.top + Scale(y - t.top, s.Height(), t.Height());
    if (sy < 0 || sy >= sh) continue;
    const std::uint8_t* srow = spix + sy * spitch;
    for (std::size_t i = 0; i < columns; ++i) std::memcpy(row + i * P::kBytes, srow + offsets[i], P::kBytes);
    fn(Span{tpix + y * tpitch + first * P::kBytes, row, static_cast<std::int64_t>(columns), -1, sy});
  }
}

}  // namespace mavlet::surface_detail
