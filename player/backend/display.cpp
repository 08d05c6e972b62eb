#include "player/backend/display.h"

#include <string>

#include "player/common/error.h"

namespace mavlet {

void Display::SetSize(int width, int height) {
  width_ = width;
  height_ = height;
}

bool Display::SetBitCount(int bits) {
  if (!PixelFormat::ForDepth(bits)) return false;
  bits_ = bits;
  return true;
}

void Display::SetFullScreen(bool on) {
  if (on == full_screen_) return;
  full_screen_ = on;
  ApplyFullScreen(on);
}

PixelFormat Display::Format() const { return *PixelFormat::ForDepth(bits_); }

void Display::Initialize() {
  if (initialized_) return;
  if (width_ <= 0 || height_ <= 0 || width_ > kMaxBitmapSide || height_ > kMaxBitmapSide)
    throw MavError("display size " + std::to_string(width_) + "x" + std::to_string(height_) + " cannot be used");
  screen_ = Surface(Format(), width_, height_);
  visible_ = Surface(Format(), width_, height_);
  OnSurfacesCreated();
  initialized_ = true;
  if (listener_) listener_->OnDisplayInitialized();
}

void Display::Finalize() {
  if (!initialized_) return;
  if (listener_) listener_->OnDisplayFinalizing();
  initialized_ = false;
  OnSurfacesReleased();
  screen_ = Surface(Format(), 0, 0);
  visible_ = Surface(Format(), 0, 0);
}

void Display::Present(const Surface& source, const Rect& rect) {
  if (!initialized_) return;
  const Rect r = Intersect(Intersect(rect, visible_.bounds()), source.bounds());
  if (r.IsEmpty()) return;
  if (&source != &visible_) visible_.Copy(r.left, r.top, source, r, false);
  ++present_count_;
  Upload(r);
}

void Display::ShowVisible(const Rect& rect) { Present(visible_, rect); }

std::vector<DisplayMode> Display::Modes() const {
  return {{width_, height_, 16}, {width_, height_, 24}, {width_, height_, 32}};
}

}  // namespace mavlet
