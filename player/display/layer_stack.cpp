#include "player/display/layer_stack.h"

#include <exception>

#include "player/display/game_surface.h"
#include "player/display/sel_map_surface.h"

namespace mavlet {

LayerStack::LayerStack(LayerServices& owner) {
  for (int k = 0; k < kCount; ++k) {
    if (k < kPictureLayers)
      layers_[static_cast<std::size_t>(k)] = std::make_unique<TGameSurface>(owner);
    else if (k == kSelMapLayer)
      layers_[static_cast<std::size_t>(k)] = std::make_unique<TSelMapSurface>(owner);
    else
      layers_[static_cast<std::size_t>(k)] = std::make_unique<TCustomGameSurface>(owner);
  }
}

LayerStack::~LayerStack() = default;

TCustomGameSurface* LayerStack::At(int k) const {
  if (k < 0 || k >= kCount) return nullptr;
  return layers_[static_cast<std::size_t>(k)].get();
}

TGameSurface* LayerStack::Picture(int k) const {
  if (k < 0 || k >= kPictureLayers) return nullptr;
  return static_cast<TGameSurface*>(layers_[static_cast<std::size_t>(k)].get());
}

int LayerStack::IndexOf(const TCustomGameSurface* layer) const {
  for (int k = 0; k < kCount; ++k)
    if (layers_[static_cast<std::size_t>(k)].get() == layer) return k;
  return 255;
}

void LayerStack::Install(int k, std::unique_ptr<TCustomGameSurface> layer) {
  if (k < kPictureLayers || k >= kCount || !layer) return;
  layers_[static_cast<std::size_t>(k)] = std::move(layer);
}

bool LayerStack::AnyEffect() const {
  for (const auto& l : layers_)
    if (l->GetEffect() != 0) return true;
  return false;
}

void LayerStack::DrawAll(Surface& target) {
  for (auto& l : layers_) l->Draw(target);
}

void LayerStack::DrawRectAll(Surface& target, const Rect& rect) {
  for (auto& l : layers_) l->DrawRect(target, rect);
}

namespace {

// Runs op on every layer; a layer that fails does not keep the others from their turn, and the
// first error is raised once all had it.
template <typename Layers, typename Op>
void ForEachLayer(Layers& layers, Op op) {
  std::exception_ptr first;
  for (auto& l : layers) {
    try {
      op(*l);
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

}  // namespace

void LayerStack::ReloadAll() {
  ForEachLayer(layers_, [](TCustomGameSurface& l) { l.Reload(); });
}

void LayerStack::UnloadAll() {
  for (auto& l : layers_) l->Unload();
}

void LayerStack::ResetAll() {
  for (auto& l : layers_) l->Reset();
}

void LayerStack::SaveToStatus(TGameStatus& status) {
  for (auto& l : layers_) l->SaveToStatus(status);
}

void LayerStack::LoadFromStatus(TGameStatus& status) {
  ForEachLayer(layers_, [&](TCustomGameSurface& l) { l.LoadFromStatus(status); });
}

}  // namespace mavlet
