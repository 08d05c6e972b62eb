#pragma once
// Half-open rectangles (right and bottom excluded), as every drawing call takes them.
#include <algorithm>
#include <cstdint>

namespace mavlet {

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  constexpr std::int32_t Width() const { return right - left; }
  constexpr std::int32_t Height() const { return bottom - top; }
  constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

constexpr Rect Bounds(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  return Rect{x, y, x + w, y + h};
}

// The common part; empty rectangles come back as they fall out (test with IsEmpty).
constexpr Rect Intersect(const Rect& a, const Rect& b) {
  return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

// Smallest rectangle holding both; an empty operand does not count.
constexpr Rect Union(const Rect& a, const Rect& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

constexpr Rect Offset(const Rect& r, std::int32_t dx, std::int32_t dy) {
  return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

}  // namespace mavlet
