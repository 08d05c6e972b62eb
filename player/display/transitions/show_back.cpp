#include "player/display/transitions/show_back.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace mavlet {

const std::array<std::int32_t, 256>& SineTable() {
  static const std::array<std::int32_t, 256> table = [] {
    std::array<std::int32_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = RoundNearest(65536.0 * std::sin(2 * std::numbers::pi * i / 256));
    return t;
  }();
  return table;
}

namespace {

// Drops the items reset to null (one pass, so thousands finishing together stay cheap).
void DropFinished(std::vector<std::unique_ptr<TransitionItem>>& items) {
  std::erase_if(items, [](const auto& item) { return item == nullptr; });
}

}  // namespace

bool TSbHasItem::StepItems() {
  for (std::size_t i = items_.size(); i-- > 0;) {
    if (items_[i]->Advance()) items_[i].reset();
  }
  DropFinished(items_);
  return items_.empty();
}

Rect TSbHasItem::ItemUnion() const {
  Rect u;
  for (const auto& item : items_) u = Union(u, item->rect);
  return u;
}

std::uint32_t TSbLock::ReadPixel(int index, std::int32_t x, std::int32_t y) const {
  const LockedPixels& p = pixels_[static_cast<std::size_t>(index)];
  if (x < 0 || y < 0 || x >= p.width || y >= p.height || p.bits == nullptr) return 0;
  const int bytes = p.bits_per_pixel / 8;
  std::uint32_t v = 0;
  std::memcpy(&v, p.bits + static_cast<std::ptrdiff_t>(y) * p.pitch + static_cast<std::ptrdiff_t>(x) * bytes,
              static_cast<std::size_t>(bytes));
  return v;
}

void TSbLock::WritePixel(int index, std::int32_t x, std::int32_t y, std::uint32_t value) {
  const LockedPixels& p = pixels_[static_cast<std::size_t>(index)];
  if (x < 0 || y < 0 || x >= p.width || y >= p.height || p.bits == nullptr) return;
  const int bytes = p.bits_per_pixel / 8;
  std::memcpy(p.bits + static_cast<std::ptrdiff_t>(y) * p.pitch + static_cast<std::ptrdiff_t>(x) * bytes, &value,
              static_cast<std::size_t>(bytes));
}

bool TSbHasLockItem::StepItems() {
  ScopedLock back(back_);
  if (!back.ok()) return LockFailedResult();
  ScopedLock screen(screen_);
  if (!screen.ok()) return LockFailedResult();
  for (std::size_t i = items_.size(); i-- > 0;) {
    auto* item = static_cast<TSbLock*>(items_[i].get());
    item->Attach(screen.pixels(), back.pixels());
    if (item->Advance()) items_[i].reset();
  }
  DropFinished(items_);
  return items_.empty();
}

}  // namespace mavlet
