#pragma once
// The shape of one map-choice region in game-area pixels: a rectangle, an ellipse inscribed in a
// box, or a polygon filled by the non-zero winding rule. Contains is the one predicate behind both
// the hit test and the highlight clip, so what lights up is exactly what reacts to the mouse.
// A pixel belongs to a shape when its centre (x + 0.5, y + 0.5) lies inside; rectangles are
// half-open. Too few points (fewer than 2 for a rectangle or ellipse, 3 for a polygon) give an
// empty shape. Coordinates are clamped to +-kCoordLimit so that no test can overflow.
#include <cstdint>
#include <vector>

#include "player/backend/graphics/rect.h"

namespace mavlet {

struct MapPoint;

class TRegionShape {
 public:
  enum Kind : std::int32_t { kRectangle = 0, kEllipse = 1, kPolygon = 2 };
  static constexpr std::int32_t kCoordLimit = 16384;

  TRegionShape() = default;
  // kind: 0 rectangle, 1 ellipse, anything else a polygon.
  TRegionShape(std::int32_t kind, const std::vector<MapPoint>& points);

  Kind GetKind() const { return kind_; }
  bool Empty() const { return bounds_.IsEmpty(); }
  // Smallest rectangle holding every pixel of the shape (empty for an empty shape).
  const Rect& Bounds() const { return bounds_; }
  bool Contains(std::int32_t x, std::int32_t y) const;

 private:
  struct Vertex {
    std::int64_t x = 0;
    std::int64_t y = 0;
  };

  Kind kind_ = kRectangle;
  Rect bounds_;
  std::vector<Vertex> vertices_;  // polygon only
};

}  // namespace mavlet
