// The kinds that work on locked pixels: grids, random dissolve, diamonds (items on locked
// surfaces), ripple, mosaic and circle.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "player/backend/graphics/grey_runs.h"
#include "player/common/random.h"
#include "player/display/transitions/kinds.h"
#include "player/display/transitions/ripple_water.h"

namespace mavlet {
namespace {

// A square cell that opens from its centre, one ring every other call.
class TDrawRect : public TSbLock {
 public:
  explicit TDrawRect(const Rect& cell) { rect = cell; }
  bool Advance() override {
    const std::int32_t half = (rect.right - rect.left) / 2;
    if (half < ring_) return true;
    toggle_ ^= 1;
    if (toggle_ == 0) {
      const std::int32_t cx = rect.left + half, cy = rect.top + half, n = ring_;
      for (std::int32_t x = cx - n; x <= cx + n - 1; ++x) {
        CopyPixel(x, cy - n);
        CopyPixel(x, cy + n - 1);
      }
      for (std::int32_t y = cy - n + 1; y <= cy + n - 2; ++y) {
        CopyPixel(cx - n, y);
        CopyPixel(cx + n - 1, y);
      }
      ++ring_;
    }
    return false;
  }

 private:
  int toggle_ = 0;
  std::int32_t ring_ = 1;
};

// Kinds 18 to 20: rows, columns or both of 16-pixel cells join step by step.
class GridKind : public TSbHasLockItem {
 public:
  GridKind(Surface& screen, Surface& front, Surface& back, int kind) : TSbHasLockItem(screen, front, back), kind_(kind) {}
  void SetReverse(bool reverse) override {
    TSbHasLockItem::SetReverse(reverse);
    ResetPosition();
  }
  void SetArea(const Rect& area) override {
    TSbHasLockItem::SetArea(area);
    ResetPosition();
  }
  bool Advance() override {
    update_rect_ = Whole();
    const std::int32_t step = 16 * Direction();
    if (kind_ == 18) {
      if (area_.top <= counter_ && counter_ < area_.bottom) {
        AddRow(counter_);
        counter_ += step;
      }
    } else if (kind_ == 19) {
      if (area_.left <= counter_ && counter_ < area_.right) {
        AddColumn(counter_);
        counter_ += step;
      }
    } else {
      if (0 <= counter_ && counter_ < area_.Width()) AddColumn(area_.left + counter_);
      if (0 <= counter_ && counter_ < area_.Height()) AddRow(area_.top + counter_);
      counter_ += step;
    }
    return StepItems();
  }

 private:
  void AddRow(std::int32_t y) {
    for (std::int32_t x = area_.left; x < area_.right; x += 16) Add(std::make_unique<TDrawRect>(Intersect(Bounds(x, y, 16, 16), Whole())));
  }
  void AddColumn(std::int32_t x) {
    for (std::int32_t y = area_.top; y < area_.bottom; y += 16) Add(std::make_unique<TDrawRect>(Intersect(Bounds(x, y, 16, 16), Whole())));
  }
  void ResetPosition() {
    switch (kind_) {
      case 18: counter_ = reverse_ ? area_.bottom - 16 : area_.top; break;
      case 19: counter_ = reverse_ ? area_.right - 16 : area_.left; break;
      default: counter_ = reverse_ ? std::max(area_.Width(), area_.Height()) - 16 : 0; break;
    }
  }
  int kind_;
};

// An 8 x 8 cell that takes one pixel per call in the order index -> (5 index + 1) mod 64.
class TDrawRand : public TSbLock {
 public:
  TDrawRand(std::int32_t x, std::int32_t y, std::int32_t index) : x_(x), y_(y), index_(index) { rect = Bounds(x, y, 8, 8); }
  bool Advance() override {
    if (done_ >= 64) return true;
    CopyPixel(x_ + index_ % 8, y_ + index_ / 8);
    index_ = (5 * index_ + 1) % 64;
    ++done_;
    return false;
  }

 private:
  std::int32_t x_, y_, index_;
  int done_ = 0;
};

// Kind 21: every 8 x 8 cell dissolves pixel by pixel from its own random start.
class TSbRand : public TSbHasLockItem {
 public:
  TSbRand(Surface& screen, Surface& front, Surface& back, TRandom& random)
      : TSbHasLockItem(screen, front, back), random_(random) {}
  bool Advance() override {
    update_rect_ = Whole();
    if (counter_ == 0) {
      counter_ = 1;
      const auto down8 = [](std::int32_t v) { return v >= 0 ? v / 8 * 8 : -((-v + 7) / 8 * 8); };
      const std::int32_t top = down8(area_.top), left = down8(area_.left);
      const std::int32_t bottom = -down8(-area_.bottom), right = -down8(-area_.right);
      for (std::int32_t y = top; y < bottom; y += 8) {
        for (std::int32_t x = left; x < right; x += 8) {
          Add(std::make_unique<TDrawRand>(x, y, static_cast<std::int32_t>(random_.Next(64))));
        }
      }
    }
    return StepItems();
  }

 private:
  TRandom& random_;
};

// A 34 x 34 cell whose diamond grows one ring (Manhattan distance) every other call.
class TDrawDiamond : public TSbLock {
 public:
  explicit TDrawDiamond(const Rect& cell) { rect = cell; }
  bool Advance() override {
    const std::int32_t half = (rect.right - rect.left) / 2;
    if (half < ring_) return true;
    toggle_ ^= 1;
    if (toggle_ == 0) {
      const std::int32_t x0 = rect.left + half - 1, c = rect.top + half - 1;
      if (ring_ == 1) {
        CopyPixel(x0, c);
        CopyPixel(x0 + 1, c);
        CopyPixel(x0, c + 1);
        CopyPixel(x0 + 1, c + 1);
      } else {
        std::int32_t x = x0, y = c - (ring_ - 1);
        static constexpr std::int32_t kDirs[4][2] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
        for (const auto& d : kDirs) {
          for (std::int32_t i = 0; i < ring_ - 1; ++i) {
            CopyPixel(x, y);
            x += d[0];
            y += d[1];
          }
        }
      }
      ++ring_;
    }
    return false;
  }

 private:
  int toggle_ = 0;
  std::int32_t ring_ = 1;
};

// Kinds 22 to 24: rows, columns or a growing corner of overlapping diamond cells.
class DiamondKind : public TSbHasLockItem {
 public:
  DiamondKind(Surface& screen, Surface& front, Surface& back, int kind)
      : TSbHasLockItem(screen, front, back), kind_(kind) {
    counter_ = -16;
  }
  void SetReverse(bool reverse) override {
    TSbHasLockItem::SetReverse(reverse);
    counter_ = !reverse ? -16 : (kind_ == 22 ? H() + 16 : W() + 16);
  }
  bool Advance() override {
    update_rect_ = Whole();
    const std::int32_t w = W(), h = H(), pos = counter_;
    if (kind_ == 22) {
      if (-16 <= pos && pos <= h + 16) {
        for (std::int32_t x = -16; x < w + 16; x += 16) AddCell(x, pos);
        counter_ += 16 * Direction();
      }
    } else if (kind_ == 23) {
      if (-16 <= pos && pos <= w + 16) {
        for (std::int32_t y = -16; y < h + 16; y += 16) AddCell(pos, y);
        counter_ += 16 * Direction();
      }
    } else {
      if (-16 <= pos && pos <= w + 16) {
        for (std::int32_t y = -16; y <= pos && y < h + 16; y += 16) AddCell(pos, y);
      }
      if (-16 <= pos && pos <= h + 16) {
        for (std::int32_t x = -16; x <= pos && x < w + 16; x += 16) AddCell(x, pos);
      }
      counter_ += 16 * Direction();
    }
    return StepItems();
  }

 private:
  void AddCell(std::int32_t x, std::int32_t y) { Add(std::make_unique<TDrawDiamond>(Bounds(x, y, 34, 34))); }
  int kind_;
};

// Copies the 2 x 2 block at (sx, sy) of one locked surface to (tx, ty) of another, clipped.
template <std::size_t kBytes>
void CopyBlockOf(const LockedPixels& to, std::int32_t tx, std::int32_t ty, const LockedPixels& from, std::int32_t sx,
                 std::int32_t sy) {
  auto at = [](const LockedPixels& p, std::int32_t x, std::int32_t y) {
    return p.bits + static_cast<std::ptrdiff_t>(y) * p.pitch + static_cast<std::ptrdiff_t>(x) * kBytes;
  };
  if (tx >= 0 && ty >= 0 && tx <= to.width - 2 && ty <= to.height - 2 && sx >= 0 && sy >= 0 &&
      sx <= from.width - 2 && sy <= from.height - 2) {  // the usual case: wholly inside both
    std::memcpy(at(to, tx, ty), at(from, sx, sy), 2 * kBytes);
    std::memcpy(at(to, tx, ty + 1), at(from, sx, sy + 1), 2 * kBytes);
    return;
  }
  for (std::int32_t j = 0; j < 2; ++j) {
    const std::int32_t y = ty + j, v = sy + j;
    if (y < 0 || y >= to.height || v < 0 || v >= from.height) continue;
    for (std::int32_t i = 0; i < 2; ++i) {
      const std::int32_t x = tx + i, u = sx + i;
      if (x < 0 || x >= to.width || u < 0 || u >= from.width) continue;
      std::memcpy(at(to, x, y), at(from, u, v), kBytes);
    }
  }
}

// Kind 26 (two simulation steps per frame) and the single-step ripple: a wave from the centre
// at half resolution shifts the new picture's blocks around until the water settles.
class TSbRipple : public TShowBackClass2 {
 public:
  TSbRipple(Surface& screen, Surface& front, Surface& back, int updates = 1)
      : TShowBackClass2(screen, front, back), updates_(updates) {}
  bool Advance() override {
    update_rect_ = Whole();
    gw_ = W() / 2 + 2;
    gh_ = H() / 2 + 2;
    const std::size_t cells = static_cast<std::size_t>(gw_) * static_cast<std::size_t>(gh_);
    if (counter_ == 0) {
      state_.assign(cells, 0);
      buffers_[0].assign(cells, 0);
      buffers_[1].assign(cells, 0);
      current_ = 0;
      buffers_[0][Index(gw_ / 2, gh_ / 2)] = 100000;
      bits_ = {100000, 0};
      counter_ = 1;
      return false;
    }
    for (int k = 0; k < updates_; ++k) Update();
    // A lock that fails ends the ripple: the driver then shows the final picture (a failure
    // that counted as movement would never end).
    ScopedLock screen(screen_);
    ScopedLock front(front_);
    ScopedLock back(back_);
    if (!screen.ok() || !front.ok() || !back.ok()) return true;
    const LockedPixels& to = screen.pixels();
    const LockedPixels& from = back.pixels();
    if (to.bits_per_pixel != from.bits_per_pixel) return true;
    switch (to.bits_per_pixel) {
      case 15:
      case 16: return !DrawCells<2>(to, from);
      case 24: return !DrawCells<3>(to, from);
      case 32: return !DrawCells<4>(to, from);
      default: return true;
    }
  }

 private:
  // Moves the new picture's 2 x 2 blocks by the water's slopes; a block whose water has
  // settled is drawn in place once more and then left alone. True while any block moved.
  template <std::size_t kBytes>
  bool DrawCells(const LockedPixels& to, const LockedPixels& from) {
    const std::vector<std::int32_t>& h = buffers_[1 - current_];
    const auto gw = static_cast<std::size_t>(gw_);
    bool moved = false;
    for (std::int32_t y = 1; y < gh_ - 1; ++y) {
      const std::int32_t* row = h.data() + Index(0, y);
      const std::int32_t* below = row + gw;
      std::uint8_t* states = state_.data() + Index(0, y);
      for (std::int32_t x = 1; x < gw_ - 1; ++x) {
        std::uint8_t& state = states[x];
        if (state >= 2) continue;
        const std::int32_t here = row[x];
        const std::int32_t sx = x + (here - below[x]) / 32;
        const std::int32_t sy = y + (here - row[x + 1]) / 32;
        if (sx != x || sy != y) {
          moved = true;
          if (1 <= sx && sx < gw_ - 1 && 1 <= sy && sy < gh_ - 1) {
            if (!skip_draw_) CopyBlockOf<kBytes>(to, (x - 1) * 2, (y - 1) * 2, from, (sx - 1) * 2, (sy - 1) * 2);
            state = 1;
          }
        } else if (state == 1) {
          CopyBlockOf<kBytes>(to, (x - 1) * 2, (y - 1) * 2, from, (x - 1) * 2, (y - 1) * 2);
          state = 2;
        }
      }
    }
    return moved;
  }

  std::size_t Index(std::int32_t x, std::int32_t y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(gw_) + static_cast<std::size_t>(x);
  }
  void Update() {
    const int next = 1 - current_;
    bits_[next] = StepWater(buffers_[current_].data(), buffers_[next].data(), gw_, gh_, bits_[current_], bits_[next]);
    current_ = next;
  }

  int updates_;
  std::int32_t gw_ = 0, gh_ = 0;
  std::vector<std::uint8_t> state_;
  std::array<std::vector<std::int32_t>, 2> buffers_;
  std::array<std::uint32_t, 2> bits_{};  // OR of each field's heights
  int current_ = 0;
};

// The raw pixel of a locked surface as its pixel size reads it; 0 for other depths.
std::uint32_t RawAt(const LockedPixels& p, std::int32_t x, std::int32_t y) {
  const int bits = p.bits_per_pixel;
  const std::uint8_t* at = p.bits + static_cast<std::ptrdiff_t>(y) * p.pitch;
  std::uint32_t v = 0;
  if (bits == 15 || bits == 16) {
    std::memcpy(&v, at + static_cast<std::ptrdiff_t>(x) * 2, 2);
  } else if (bits == 24) {
    std::memcpy(&v, at + static_cast<std::ptrdiff_t>(x) * 3, 3);
  } else if (bits == 32) {
    std::memcpy(&v, at + static_cast<std::ptrdiff_t>(x) * 4, 4);
  }
  return v;
}

// Kind 30: the old picture dissolves into growing blocks, the new one comes back out of them.
class TSbMosaic : public TShowBackClass2 {
 public:
  using TShowBackClass2::TShowBackClass2;
  bool Advance() override {
    update_rect_ = Whole();
    // A lock that keeps failing would never let the mosaic advance: a failed lock ends it.
    if (phase_ == 0) {
      ScopedLock lock(front_);
      if (!lock.ok()) return true;
      k_ = started_ ? k_ + 1 : 6;
      started_ = true;
      Draw(lock.pixels());
      if (k_ * k_ / 8 >= W() / 2) phase_ = 1;
      return false;
    }
    ScopedLock lock(back_);
    if (!lock.ok()) return true;
    --k_;
    Draw(lock.pixels());
    return k_ * k_ / 8 < 5;
  }

 private:
  void Draw(const LockedPixels& source) {
    const std::int32_t s = k_ * k_ / 8, w = W(), h = H();
    if (s < 1 || source.width < w || source.height < h) return;
    const std::int32_t ox = (w % s) / 2, oy = (h % s) / 2;
    // The grid is centred, so it starts half a remainder to the left and above; it runs on
    // until the right and bottom edges are covered too (stopping at x < W would leave strips of
    // the previous frame there).
    for (std::int32_t y = 0; y - oy < h; y += s) {
      for (std::int32_t x = 0; x - ox < w; x += s) {
        const std::uint32_t raw = RawAt(source, std::min(x + s / 2, w - 1), std::min(y + s / 2, h - 1));
        screen_.FillRect(Bounds(x - ox, y - oy, s, s), raw);
      }
    }
  }
  std::int32_t k_ = 0;
  int phase_ = 0;
  bool started_ = false;
};

// Kind 34: a white ring spreads from the centre, burning the old picture out and leaving the new
// one behind. One quarter of the distances is computed and mirrored. A pixel at distance d from
// the centre, with v = radius - d, shows the old picture plus grey v while 0 < v < 256, then the
// new picture plus grey 512 - v; once v reaches 512 it is the plain new picture, and a pixel that
// the last drawn step already showed that way is left alone. Each step walks only the ring in
// between: along a row of the quarter the distance falls towards the centre, so the ring and its
// old and new parts are intervals found by binary search.
class TSbCircleAdd : public TShowBackClass2 {
 public:
  TSbCircleAdd(Surface& screen, Surface& front, Surface& back) : TShowBackClass2(screen, front, back) {
    MakeDistances(W(), H());  // before the first step, which then costs no more than the others
  }
  bool Advance() override {
    update_rect_ = Whole();
    const std::int32_t w = W(), h = H();
    if (counter_ > (3 * w) / 2) return true;
    ++counter_;
    Draw(w, h);
    counter_ += 16;
    return false;
  }

 private:
  // Distances of the top half's rows, the right half mirroring the left; the middle column of an
  // odd width, like the middle row of an odd height, is never drawn.
  void MakeDistances(std::int32_t w, std::int32_t h) {
    const std::int32_t qw = w / 2, qh = h / 2;
    width_ = w;
    height_ = h;
    distance_.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(qh), 0);
    for (std::int32_t y = 0; y < qh; ++y) {
      std::int32_t* row = distance_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
      for (std::int32_t x = 0; x < qw; ++x) {
        const double dx = x - qw, dy = y - qh;
        row[x] = row[w - 1 - x] = RoundNearest(std::sqrt(dx * dx + dy * dy));
      }
    }
  }

  void Draw(std::int32_t w, std::int32_t h) {
    if (front_.width() != w || front_.height() != h || back_.width() != w || back_.height() != h) return;
    ScopedLock screen(screen_);
    ScopedLock front(front_);
    ScopedLock back(back_);
    if (!screen.ok() || !front.ok() || !back.ok()) return;  // nothing drawn; the radius still grows
    const LockedPixels& sp = screen.pixels();
    const int bits = sp.bits_per_pixel;
    if (bits != 16 && bits != 24 && bits != 32) return;
    if (width_ != w || height_ != h) MakeDistances(w, h);
    const std::int32_t r = counter_;
    const std::int32_t nearest = r - 1;                 // v > 0
    const std::int32_t farthest = drawn_radius_ - 511;  // not yet the plain new picture
    const std::int32_t old_from = r - 255;              // v < 256: the old picture
    const std::int32_t qw = w / 2, qh = h / 2;
    const std::ptrdiff_t bytes = bits / 8;
    auto at = [&](const LockedPixels& p, std::int32_t x, std::int32_t y) {
      return p.bits + static_cast<std::ptrdiff_t>(y) * p.pitch + static_cast<std::ptrdiff_t>(x) * bytes;
    };
    for (std::int32_t y = 0; y < qh; ++y) {
      const std::int32_t* row = distance_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
      auto first_below = [&](std::int32_t d) {  // first x whose distance is below d
        return static_cast<std::int32_t>(std::partition_point(row, row + qw, [d](std::int32_t v) { return v >= d; }) -
                                         row);
      };
      const std::int32_t begin = first_below(nearest + 1), end = std::max(begin, first_below(farthest));
      const std::int32_t split = std::clamp(first_below(old_from), begin, end);
      struct Run {
        std::int32_t from, to;
        const LockedPixels* source;
        int slope;
        std::int32_t offset;
      };
      const Run runs[2] = {{begin, split, &front.pixels(), -1, r}, {split, end, &back.pixels(), 1, 512 - r}};
      for (const Run& run : runs) {
        const std::int32_t n = run.to - run.from;
        if (n <= 0) continue;
        for (const std::int32_t py : {y, h - 1 - y}) {
          AddGreyByDistance(at(sp, run.from, py), at(*run.source, run.from, py), row + run.from, n, run.slope,
                            run.offset, sp);
          const std::int32_t mirror = w - run.to;
          AddGreyByDistance(at(sp, mirror, py), at(*run.source, mirror, py), row + mirror, n, run.slope, run.offset,
                            sp);
        }
      }
    }
    drawn_radius_ = r;
  }
  std::vector<std::int32_t> distance_;
  std::int32_t width_ = 0, height_ = 0;
  std::int32_t drawn_radius_ = -1000;
};

}  // namespace

std::unique_ptr<TShowBackClass> MakePixelKind(int kind, Surface& screen, Surface& front, Surface& back,
                                              TRandom& random) {
  switch (kind) {
    case 18:
    case 19:
    case 20: return std::make_unique<GridKind>(screen, front, back, kind);
    case 21: return std::make_unique<TSbRand>(screen, front, back, random);
    case 22:
    case 23:
    case 24: return std::make_unique<DiamondKind>(screen, front, back, kind);
    case 26: return std::make_unique<TSbRipple>(screen, front, back, 2);
    case 30: return std::make_unique<TSbMosaic>(screen, front, back);
    case 34: return std::make_unique<TSbCircleAdd>(screen, front, back);
    default: return nullptr;
  }
}

std::unique_ptr<TShowBackClass> MakeSingleRipple(Surface& screen, Surface& front, Surface& back) {
  return std::make_unique<TSbRipple>(screen, front, back, 1);
}

}  // namespace mavlet
