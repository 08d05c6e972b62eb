#pragma once
// Composes the layers onto the back picture (work surface 0) and presents it: the changed area
// (DirtyRect) on ordinary frames, the whole screen while a layer runs an effect. Also keeps the
// front copy (work surface 1) that screen transitions start from.
#include <array>

#include "player/backend/graphics/rect.h"
#include "player/backend/graphics/surface.h"

namespace mavlet {

class Display;
class LayerStack;

class SceneCompositor {
 public:
  // How Compose redraws: the changed area, everything (a layer effect runs), or the changed
  // area followed by the particle effects.
  enum class Mode { kArea = 0, kEffects = 1, kParticles = 2 };

  explicit SceneCompositor(LayerStack& layers) : layers_(layers) {}

  // The display presented to; null presents nothing (work surfaces still exist after Initialize).
  void SetDisplay(Display* display) { display_ = display; }
  Display* GetDisplay() const { return display_; }

  // Work surfaces of the display's size and format (black); without a display nothing exists.
  void Initialize();
  void Finalize();
  bool Ready() const { return ready_; }
  std::int32_t Width() const { return ready_ ? work_[0].width() : 0; }
  std::int32_t Height() const { return ready_ ? work_[0].height() : 0; }
  Rect ScreenRect() const { return Rect{0, 0, Width(), Height()}; }
  // 0 the back picture, 1 the front copy; nullptr outside 0..1 or before Initialize.
  Surface* WorkSurface(int k);
  // The display's screen surface; nullptr without an initialised display.
  Surface* ScreenSurface();

  // Grows the changed area to hold rect (an empty rect changes nothing).
  void Invalidate(const Rect& rect);
  void InvalidateAll() { Invalidate(ScreenRect()); }
  const Rect& DirtyRect() const { return dirty_; }
  void ClearDirty() { dirty_ = Rect{}; }

  // Clears rect of the back picture to black and draws every layer's part of it.
  void RedrawArea(const Rect& rect);
  // Clears the back picture and draws every layer whole (stepping their effects).
  void RedrawAll();
  Mode ComposeMode(bool particles_running) const;
  // Brings the back picture up to date and presents it; the changed area is empty afterwards.
  // The first Compose after no_paint_back ends presents the whole screen, which the screen
  // surface missed meanwhile. Returns the mode used (the caller draws particles after kParticles).
  Mode Compose(bool no_paint_back, bool particles_running);
  // Back picture -> screen surface (unless no_paint_back) and window.
  void Present(const Rect& rect, bool no_paint_back);
  // Screen surface -> window (movie frames and transition steps draw on the screen surface).
  void PresentDirect(const Rect& rect);
  // Shows the whole screen surface again.
  void FlipScreen();

 private:
  LayerStack& layers_;
  Display* display_ = nullptr;
  std::array<Surface, 2> work_;
  bool ready_ = false;
  bool no_paint_back_seen_ = false;
  Rect dirty_;
};

}  // namespace mavlet
