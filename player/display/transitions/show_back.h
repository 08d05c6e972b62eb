#pragma once
// The common base of every screen transition and weather overlay, and the item machinery the
// banded, tiled and pixel kinds share. A transition holds the screen surface it draws on, the
// back picture (the new scene) and the front copy (the screen as it was when the transition was
// made); none is owned. Drawing never fails: the surfaces clip, and pixel access to a locked
// surface ignores positions outside it. A lock that fails ends the pixel kinds (see each kind).
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "player/backend/graphics/rect.h"
#include "player/backend/graphics/surface.h"
#include "player/common/rounding.h"
#include "player/display/screen_transition.h"

namespace mavlet {

// 65536 * sin(2 pi i / 256) rounded to the nearest integer; cosine i is entry (i + 64) mod 256.
const std::array<std::int32_t, 256>& SineTable();
inline std::int32_t Sine(std::int32_t i) { return SineTable()[static_cast<std::size_t>(i & 255)]; }
inline std::int32_t Cosine(std::int32_t i) { return Sine(i + 64); }


class TShowBackClass : public ScreenTransition {
 public:
  TShowBackClass(Surface& screen, Surface& front, Surface& back)
      : screen_(screen), back_(back), front_(front) {}
  void SetReverse(bool reverse) override { reverse_ = reverse; }
  // The area is clipped to the screen, so a band outside it cannot end a banded kind early.
  void SetArea(const Rect& area) override { area_ = Intersect(area, screen_.bounds()); }
  bool Step() final { return !Advance(); }
  Rect UpdateRect() const override { return update_rect_; }
  void SetSkipDraw(bool skip) override { skip_draw_ = skip; }

  // One step of the effect; true once it has finished. The base finishes at once.
  virtual bool Advance() { return true; }

 protected:
  std::int32_t Direction() const { return reverse_ ? -1 : 1; }
  std::int32_t W() const { return screen_.width(); }
  std::int32_t H() const { return screen_.height(); }
  Rect Whole() const { return screen_.bounds(); }
  // Copies the whole screen surface into the front copy (the kinds that start from the old
  // picture do this when they are made).
  void TakeFrontCopy() { front_.Copy(0, 0, screen_, screen_.bounds(), false); }

  bool reverse_ = false;
  Surface& screen_;
  Surface& back_;
  Surface& front_;
  Rect update_rect_;
  bool skip_draw_ = false;
  Rect area_;
  std::int32_t counter_ = 0;
};

// A transition that starts from the old picture: it takes the front copy when it is made.
class TShowBackClass2 : public TShowBackClass {
 public:
  TShowBackClass2(Surface& screen, Surface& front, Surface& back) : TShowBackClass(screen, front, back) {
    TakeFrontCopy();
  }
};

// One part of an item-owning kind (a band, a tile, a cell, a drop).
class TransitionItem {
 public:
  virtual ~TransitionItem() = default;
  // Draws the item's next step; true once it has finished.
  virtual bool Advance() = 0;
  // The screen part the item covers (for kinds that present the union of their items).
  Rect rect;
};

class TSbHasItem : public TShowBackClass {
 public:
  using TShowBackClass::TShowBackClass;

 protected:
  void Add(std::unique_ptr<TransitionItem> item) { items_.push_back(std::move(item)); }
  // Steps every item from the last to the first and drops the finished ones; true when no item
  // is left.
  virtual bool StepItems();
  // The union of the live items' rectangles.
  Rect ItemUnion() const;

  std::vector<std::unique_ptr<TransitionItem>> items_;
};

// An item-owning transition that starts from the old picture: it takes the front copy when made.
class TSbHasItem2 : public TSbHasItem {
 public:
  TSbHasItem2(Surface& screen, Surface& front, Surface& back) : TSbHasItem(screen, front, back) {
    TakeFrontCopy();
  }
};

// Pixel access to the locked screen surface (index 0) and back picture (index 1) for one step.
class TSbLock : public TransitionItem {
 public:
  void Attach(const LockedPixels& screen, const LockedPixels& back) {
    pixels_[0] = screen;
    pixels_[1] = back;
  }

 protected:
  // The raw pixel; 0 outside the surface.
  std::uint32_t ReadPixel(int index, std::int32_t x, std::int32_t y) const;
  // Ignored outside the surface.
  void WritePixel(int index, std::int32_t x, std::int32_t y, std::uint32_t value);
  // back -> screen at one place.
  void CopyPixel(std::int32_t x, std::int32_t y) { WritePixel(0, x, y, ReadPixel(1, x, y)); }

  std::array<LockedPixels, 2> pixels_{};
};

// Locks the back picture and the screen surface around the item steps. When a lock fails the
// step reports finished (the transition ends and the driver shows the final picture); the
// weather overlays override that to skip the frame instead.
class TSbHasLockItem : public TSbHasItem {
 public:
  using TSbHasItem::TSbHasItem;

 protected:
  bool StepItems() override;
  // The result of StepItems when a surface cannot be locked.
  virtual bool LockFailedResult() const { return true; }
};

// Locks a surface for the life of the guard; ok() is false when the lock failed.
class ScopedLock {
 public:
  explicit ScopedLock(Surface& s) : surface_(s), pixels_(s.Lock()) {}
  ~ScopedLock() {
    if (pixels_) surface_.Unlock();
  }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;
  bool ok() const { return pixels_.has_value(); }
  const LockedPixels& pixels() const { return *pixels_; }

 private:
  Surface& surface_;
  std::optional<LockedPixels> pixels_;
};

}  // namespace mavlet
