#include "player/backend/display.h"

#include <cstring>
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

PixelFormat Display::Format() const {
  // A depth set while initialised waits for the next Initialize: until then everything made for
  // the screen keeps the format of the surfaces that exist.
  if (initialized_) return screen_.format();
  return *PixelFormat::ForDepth(bits_);
}

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
  if (!Visible()) {
    // Nobody sees it: the whole screen is shown again once the window is back.
    missed_present_ = true;
    return;
  }
  const Rect r = Intersect(Intersect(rect, visible_.bounds()), source.bounds());
  if (r.IsEmpty()) return;
  if (&source != &visible_ && !CopyIfChanged(source, r)) return;
  if (batching_) {
    batched_ = Union(batched_, r);
    return;
  }
  Show(r);
}

void Display::Show(const Rect& r) {
  ++present_count_;
  Upload(r);
  if (present_observer_ != nullptr) present_observer_->OnPresent(visible_, r, present_tag_);
}

void Display::BeginPresentBatch() {
  batching_ = true;
  batched_ = Rect{};
}

void Display::EndPresentBatch() {
  batching_ = false;
  const Rect r = Intersect(batched_, visible_.bounds());
  batched_ = Rect{};
  if (initialized_ && !r.IsEmpty()) Show(r);
}

bool Display::CopyIfChanged(const Surface& source, const Rect& r) {
  std::optional<LockedPixels> target = source.format() == visible_.format() ? visible_.Lock() : std::nullopt;
  if (!target) {
    visible_.Copy(r.left, r.top, source, r, false);
    return true;
  }
  // Whole-screen flips repeat every frame while the player is in the background; a picture
  // that did not change is neither copied nor shown again.
  const std::size_t bpp = static_cast<std::size_t>(source.format().BytesPerPixel());
  const std::size_t row_bytes = static_cast<std::size_t>(r.Width()) * bpp;
  bool changed = false;
  for (std::int32_t y = r.top; y < r.bottom; ++y) {
    const std::uint8_t* from = source.data() + static_cast<std::size_t>(y) * source.pitch() + r.left * bpp;
    std::uint8_t* to = target->bits + static_cast<std::size_t>(y) * target->pitch + r.left * bpp;
    if (std::memcmp(from, to, row_bytes) != 0) {
      std::memcpy(to, from, row_bytes);
      changed = true;
    }
  }
  visible_.Unlock();
  return changed;
}

void Display::ShowVisible(const Rect& rect) { Present(visible_, rect); }

std::vector<DisplayMode> Display::Modes() const {
  return {{width_, height_, 16}, {width_, height_, 24}, {width_, height_, 32}};
}

}  // namespace mavlet
