#pragma once
// The map choice, display layer 11: a picture layer with regions laid over the screen. Only the
// highlighted region shows the layer's picture: frame 0 is copied into the layer's rectangle
// through the region's shape, pixel by pixel the same test as the hit test (TRegionShape).
// Regions keep their definition index even when malformed (empty), so choice indices stay
// aligned with the scenario's list.
#include <array>
#include <cstdint>
#include <vector>

#include "player/display/choice_region.h"
#include "player/display/game_surface.h"

namespace mavlet {

struct SelMapRegionDef;

struct TSelMapRgn {
  enum Action { kDecide = 0, kEnter = 1, kLeave = 2 };
  TRegionShape Shape;
  std::array<std::int32_t, 3> Pages{-1, -1, -1};
  std::array<std::int32_t, 3> Coms{0, 0, 0};

  static TSelMapRgn FromDef(const SelMapRegionDef& def);
};

class TSelMapSurface : public TGameSurface {
 public:
  explicit TSelMapSurface(LayerServices& owner) : TGameSurface(owner) {}

  void SetRegions(std::vector<TSelMapRgn> regions);
  void ClearRegions() { regions_.clear(); }
  const std::vector<TSelMapRgn>& Regions() const { return regions_; }
  std::int32_t Highlighted() const { return highlighted_; }
  void SetHighlighted(std::int32_t i) { highlighted_ = i; }
  // The first region (in definition order) holding (x, y), or -1.
  std::int32_t RegionAt(std::int32_t x, std::int32_t y) const;
  // Screen area the highlighted region can change (empty when none).
  Rect HighlightBounds() const;

  void Draw(Surface& target) override;
  void DrawRect(Surface& target, const Rect& rect) override;
  // Also forgets the regions.
  void Reset() override;

 private:
  void Paint(Surface& target, const Rect& clip);

  std::vector<TSelMapRgn> regions_;
  std::int32_t highlighted_ = -1;
};

}  // namespace mavlet
