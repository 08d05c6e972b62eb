#include "player/display/scene_compositor.h"

#include "player/backend/display.h"
#include "player/display/layer_stack.h"

namespace mavlet {

void SceneCompositor::Initialize() {
  if (display_ == nullptr || !display_->Initialized()) return;
  for (Surface& s : work_) s = Surface(display_->Format(), display_->Width(), display_->Height());
  ready_ = true;
  dirty_ = Rect{};
}

void SceneCompositor::Finalize() {
  ready_ = false;
  for (Surface& s : work_) s = Surface();
}

Surface* SceneCompositor::WorkSurface(int k) {
  if (!ready_ || k < 0 || k > 1) return nullptr;
  return &work_[static_cast<std::size_t>(k)];
}

Surface* SceneCompositor::ScreenSurface() {
  if (display_ == nullptr || !display_->Initialized()) return nullptr;
  return &display_->ScreenSurface();
}

void SceneCompositor::Invalidate(const Rect& rect) {
  if (rect.IsEmpty()) return;
  dirty_ = Union(dirty_, rect);
}

void SceneCompositor::RedrawArea(const Rect& rect) {
  if (!ready_ || rect.IsEmpty()) return;
  work_[0].FillRect(rect, 0);
  layers_.DrawRectAll(work_[0], rect);
}

void SceneCompositor::RedrawAll() {
  if (!ready_) return;
  work_[0].Fill(0);
  layers_.DrawAll(work_[0]);
}

SceneCompositor::Mode SceneCompositor::ComposeMode(bool particles_running) const {
  if (layers_.AnyEffect()) return Mode::kEffects;
  return particles_running ? Mode::kParticles : Mode::kArea;
}

SceneCompositor::Mode SceneCompositor::Compose(bool no_paint_back, bool particles_running) {
  if (no_paint_back_seen_ && !no_paint_back) InvalidateAll();
  no_paint_back_seen_ = no_paint_back;
  const Mode mode = ComposeMode(particles_running);
  if (ready_) {
    if (mode == Mode::kEffects) {
      // Cleared first: a shaking or waving layer must not leave trails where nothing covers it.
      RedrawAll();
      Present(ScreenRect(), no_paint_back);
    } else {
      // Cleared first as well: a hidden layer or a blended one must not keep (or pile up)
      // its old pixels where no layer below covers the area.
      const Rect area = Intersect(dirty_, ScreenRect());
      RedrawArea(area);
      Present(area, no_paint_back);
    }
  }
  dirty_ = Rect{};
  return mode;
}

void SceneCompositor::Present(const Rect& rect, bool no_paint_back) {
  if (!ready_) return;
  const Rect r = Intersect(rect, work_[0].bounds());
  if (r.IsEmpty()) return;
  Surface* screen = ScreenSurface();
  if (!no_paint_back && screen != nullptr) screen->Copy(r.left, r.top, work_[0], r, false);
  if (display_ != nullptr) display_->Present(work_[0], r);
}

void SceneCompositor::PresentDirect(const Rect& rect) {
  Surface* screen = ScreenSurface();
  if (screen == nullptr) return;
  display_->Present(*screen, rect);
}

void SceneCompositor::FlipScreen() {
  if (display_ != nullptr && display_->Initialized()) display_->Flip();
}

}  // namespace mavlet
