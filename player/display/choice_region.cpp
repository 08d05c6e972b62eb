#include "player/display/choice_region.h"

#include <algorithm>

#include "player/display/choice_definition.h"

namespace mavlet {
namespace {

std::int64_t Clamp(std::int32_t v) {
  return std::clamp<std::int64_t>(v, -TRegionShape::kCoordLimit, TRegionShape::kCoordLimit);
}

}  // namespace

TRegionShape::TRegionShape(std::int32_t kind, const std::vector<MapPoint>& points) {
  kind_ = kind == 0 ? kRectangle : (kind == 1 ? kEllipse : kPolygon);
  if (kind_ != kPolygon) {
    if (points.size() < 2) return;
    const std::int64_t x1 = Clamp(points[0].X), y1 = Clamp(points[0].Y);
    const std::int64_t x2 = Clamp(points[1].X), y2 = Clamp(points[1].Y);
    bounds_ = Rect{static_cast<std::int32_t>(std::min(x1, x2)), static_cast<std::int32_t>(std::min(y1, y2)),
                   static_cast<std::int32_t>(std::max(x1, x2)), static_cast<std::int32_t>(std::max(y1, y2))};
    return;
  }
  if (points.size() < 3) return;
  vertices_.reserve(points.size());
  std::int64_t l = kCoordLimit, t = kCoordLimit, r = -kCoordLimit, b = -kCoordLimit;
  for (const MapPoint& p : points) {
    const Vertex v{Clamp(p.X), Clamp(p.Y)};
    vertices_.push_back(v);
    l = std::min(l, v.x);
    t = std::min(t, v.y);
    r = std::max(r, v.x);
    b = std::max(b, v.y);
  }
  bounds_ = Rect{static_cast<std::int32_t>(l), static_cast<std::int32_t>(t), static_cast<std::int32_t>(r),
                 static_cast<std::int32_t>(b)};
  if (bounds_.IsEmpty()) vertices_.clear();
}

bool TRegionShape::Contains(std::int32_t x, std::int32_t y) const {
  if (bounds_.IsEmpty()) return false;
  if (x < bounds_.left || x >= bounds_.right || y < bounds_.top || y >= bounds_.bottom) return false;
  switch (kind_) {
    case kRectangle:
      return true;
    case kEllipse: {
      // Doubled coordinates keep the pixel centre integral:
      // ((2x+1 - (l+r)) / w)^2 + ((2y+1 - (t+b)) / h)^2 <= 1.
      const std::int64_t w = bounds_.Width(), h = bounds_.Height();
      const std::int64_t dx = 2 * static_cast<std::int64_t>(x) + 1 - (bounds_.left + static_cast<std::int64_t>(bounds_.right));
      const std::int64_t dy = 2 * static_cast<std::int64_t>(y) + 1 - (bounds_.top + static_cast<std::int64_t>(bounds_.bottom));
      const std::int64_t a = dx * h, b = dy * w;
      return a * a + b * b <= (w * h) * (w * h);
    }
    case kPolygon: {
      // Winding number of the doubled pixel centre; vertices are doubled too.
      const std::int64_t px = 2 * static_cast<std::int64_t>(x) + 1, py = 2 * static_cast<std::int64_t>(y) + 1;
      int winding = 0;
      const std::size_t n = vertices_.size();
      for (std::size_t i = 0; i < n; ++i) {
        const Vertex& a = vertices_[i];
        const Vertex& b = vertices_[(i + 1) % n];
        const std::int64_t ax = 2 * a.x, ay = 2 * a.y, bx = 2 * b.x, by = 2 * b.y;
        const std::int64_t cross = (bx - ax) * (py - ay) - (px - ax) * (by - ay);
        if (ay <= py) {
          if (by > py && cross > 0) ++winding;
        } else if (by <= py && cross < 0) {
          --winding;
        }
      }
      return winding != 0;
    }
  }
  return false;
}

}  // namespace mavlet
