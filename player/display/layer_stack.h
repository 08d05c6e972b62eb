#pragma once
// The twelve display layers in drawing order: 0..8 pictures (0 the background), 9 the text
// window, 10 the string choice, 11 the map choice. Created once and never replaced.
#include <array>
#include <memory>

#include "player/backend/graphics/rect.h"
#include "player/display/custom_game_surface.h"

namespace mavlet {

class LayerServices;
class Surface;
class TGameStatus;
class TGameSurface;

class LayerStack {
 public:
  static constexpr int kCount = 12;
  static constexpr int kPictureLayers = 9;
  static constexpr int kTextLayer = 9;
  static constexpr int kSelStrLayer = 10;
  static constexpr int kSelMapLayer = 11;

  explicit LayerStack(LayerServices& owner);
  ~LayerStack();
  LayerStack(const LayerStack&) = delete;
  LayerStack& operator=(const LayerStack&) = delete;

  // nullptr outside 0..11.
  TCustomGameSurface* At(int k) const;
  // Picture layer 0..8; nullptr otherwise.
  TGameSurface* Picture(int k) const;
  // 0..11, or 255 for an object that is not one of the layers.
  int IndexOf(const TCustomGameSurface* layer) const;
  // Puts the text window or a choice layer into its slot (9..11); until then the slot holds a
  // layer that draws nothing.
  void Install(int k, std::unique_ptr<TCustomGameSurface> layer);

  // True when any layer runs a drawing effect (the whole screen is redrawn every frame then).
  bool AnyEffect() const;
  void DrawAll(Surface& target);
  void DrawRectAll(Surface& target, const Rect& rect);
  // Rebuilds every layer's picture; a failing layer does not stop the others, its error is
  // raised after all were tried.
  void ReloadAll();
  void UnloadAll();
  void ResetAll();
  void SaveToStatus(TGameStatus& status);
  // As ReloadAll: every layer reads its keys even when another one's picture fails to load.
  void LoadFromStatus(TGameStatus& status);

 private:
  std::array<std::unique_ptr<TCustomGameSurface>, kCount> layers_;
};

}  // namespace mavlet
