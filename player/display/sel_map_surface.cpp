#include "player/display/sel_map_surface.h"

#include <utility>

#include "player/display/choice_definition.h"

namespace mavlet {

TSelMapRgn TSelMapRgn::FromDef(const SelMapRegionDef& def) {
  TSelMapRgn r;
  r.Shape = TRegionShape(def.Kind, def.Points);
  for (std::size_t a = 0; a < 3; ++a) {
    r.Pages[a] = def.Actions[a].Page;
    r.Coms[a] = def.Actions[a].Com;
  }
  return r;
}

void TSelMapSurface::SetRegions(std::vector<TSelMapRgn> regions) { regions_ = std::move(regions); }

std::int32_t TSelMapSurface::RegionAt(std::int32_t x, std::int32_t y) const {
  for (std::size_t i = 0; i < regions_.size(); ++i)
    if (regions_[i].Shape.Contains(x, y)) return static_cast<std::int32_t>(i);
  return -1;
}

Rect TSelMapSurface::HighlightBounds() const {
  if (highlighted_ < 0 || static_cast<std::size_t>(highlighted_) >= regions_.size()) return {};
  return Intersect(regions_[static_cast<std::size_t>(highlighted_)].Shape.Bounds(), LayerRect());
}

void TSelMapSurface::Reset() {
  TGameSurface::Reset();
  regions_.clear();
  highlighted_ = -1;
}

void TSelMapSurface::Draw(Surface& target) { Paint(target, LayerRect()); }

void TSelMapSurface::DrawRect(Surface& target, const Rect& rect) { Paint(target, Intersect(LayerRect(), rect)); }

void TSelMapSurface::Paint(Surface& target, const Rect& clip) {
  if (!Visible() || highlighted_ < 0 || static_cast<std::size_t>(highlighted_) >= regions_.size()) return;
  const TGameDxSurface* frame = Frame(0);
  if (frame == nullptr) return;
  const TRegionShape& shape = regions_[static_cast<std::size_t>(highlighted_)].Shape;
  const Rect area = Intersect(Intersect(clip, shape.Bounds()), Intersect(target.bounds(), LayerRect()));
  if (area.IsEmpty()) return;
  const std::int32_t x0 = X(), y0 = Y();
  // Runs of pixels inside the shape, row by row, copied plainly (no key, no alpha).
  for (std::int32_t y = area.top; y < area.bottom; ++y) {
    std::int32_t x = area.left;
    while (x < area.right) {
      while (x < area.right && !shape.Contains(x, y)) ++x;
      const std::int32_t start = x;
      while (x < area.right && shape.Contains(x, y)) ++x;
      if (x > start) target.Copy(start, y, *frame, Rect{start - x0, y - y0, x - x0, y - y0 + 1}, false);
    }
  }
}

}  // namespace mavlet
