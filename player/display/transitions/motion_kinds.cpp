// Scrolls, shrink and grow, rotation, pot, blur, pera, ball and stretch: the kinds that move or
// reshape whole pictures with surface copies.
#include <algorithm>

#include "player/backend/graphics/bitmap.h"
#include "player/backend/graphics/box_blur.h"
#include "player/backend/graphics/surface_blur.h"
#include "player/common/random.h"
#include "player/display/transitions/kinds.h"

namespace mavlet {
namespace {

// Kinds 12 and 13: the new picture pushes the old one down (right); reverse up (left).
class ScrollKind : public TShowBackClass2 {
 public:
  ScrollKind(Surface& screen, Surface& front, Surface& back, bool vertical)
      : TShowBackClass2(screen, front, back), vertical_(vertical) {}
  bool Advance() override {
    update_rect_ = Whole();
    const std::int32_t size = vertical_ ? H() : W();
    if (counter_ >= size) return true;
    const std::int32_t back_at = reverse_ ? size - counter_ : counter_ - size;
    const std::int32_t front_at = reverse_ ? -counter_ : counter_;
    if (vertical_) {
      screen_.Copy(0, back_at, back_, back_.bounds(), false);
      screen_.Copy(0, front_at, front_, front_.bounds(), false);
    } else {
      screen_.Copy(back_at, 0, back_, back_.bounds(), false);
      screen_.Copy(front_at, 0, front_, front_.bounds(), false);
    }
    counter_ += 8;
    return false;
  }

 private:
  bool vertical_;
};

// Kinds 14 to 17: the old picture shrinks into the centre (14, 16 fading) or the new one grows
// out of it (15, 17 fading in).
class SizeKind : public TShowBackClass2 {
 public:
  SizeKind(Surface& screen, Surface& front, Surface& back, bool grow, bool fade)
      : TShowBackClass2(screen, front, back), grow_(grow), fade_(fade) {
    counter_ = grow ? 0 : 100;
  }
  bool Advance() override {
    update_rect_ = Whole();
    if (grow_) {
      counter_ += 8;
      if (counter_ >= 100) return true;
    } else if (counter_ < 2) {
      return true;
    }
    Surface& under = grow_ ? front_ : back_;
    Surface& over = grow_ ? back_ : front_;
    screen_.Copy(0, 0, under, under.bounds(), false);
    const std::int32_t bw = back_.width(), bh = back_.height();
    const std::int32_t w = bw * counter_ / 100, h = bh * counter_ / 100;
    const Rect centred = Bounds((bw - w) / 2, (bh - h) / 2, w, h);
    if (fade_) {
      screen_.Blend(centred, over, over.bounds(), counter_ * 255 / 100, false);
    } else {
      screen_.Stretch(centred, over, over.bounds());
    }
    if (!grow_) counter_ -= 8;
    return false;
  }

 private:
  bool grow_;
  bool fade_;
};

// Kind 25: the old picture spins, shrinks and fades away; reverse: the new one spins in and
// turns on at full size until it is nearly upright.
class TSbRotate : public TShowBackClass2 {
 public:
  using TShowBackClass2::TShowBackClass2;
  void SetReverse(bool reverse) override {
    TShowBackClass2::SetReverse(reverse);
    counter_ = reverse ? 1 : 0;
  }
  bool Advance() override {
    update_rect_ = Whole();
    const std::int32_t w = front_.width(), h = front_.height();
    if (!reverse_) {
      const std::int32_t v = 200 - counter_;
      if (v < 1) return true;
      if (!skip_draw_) {
        screen_.Copy(0, 0, back_, back_.bounds(), false);
        screen_.RotateBlend(w / 2, h / 2, w * v / 200, h * v / 200, front_, front_.bounds(), counter_ % 256,
                            v * 255 / 200);
      }
      counter_ += 3;
      return false;
    }
    const std::int32_t v = std::min(counter_, 200);
    const std::int32_t angle = (counter_ + 50) % 256;
    const bool done = v == 200 && (angle <= 3 || angle >= 253);
    if (!skip_draw_) {
      screen_.Copy(0, 0, front_, front_.bounds(), false);
      screen_.RotateBlend(back_.width() / 2, back_.height() / 2, w * v / 200, h * v / 200, back_, back_.bounds(),
                          angle, v * 255 / 200);
    }
    counter_ += 3;
    return done;
  }
};

// Kind 29: each row squeezes the old picture into a line at its centre, then widens the new one
// from there; rows start 8 per step from the top (reverse: from the bottom).
class TSbPot : public TShowBackClass2 {
 public:
  using TShowBackClass2::TShowBackClass2;
  bool Advance() override {
    update_rect_ = Whole();
    const std::int32_t w = W(), h = H();
    if (static_cast<std::size_t>(h) > width_.size()) {
      for (std::int32_t k = 0; k < 8; ++k) {
        width_.push_back(w + 2 * k);
        age_.push_back(0);
      }
    }
    bool done = true;
    for (std::size_t i = 0; i < width_.size(); ++i) {
      if (width_[i] <= -w) continue;
      done = false;
      width_[i] -= Sine((age_[i] / 4) % 256) * 80 / 65536;
      ++age_[i];
      const std::int32_t v = std::max(width_[i], -w);
      const std::int32_t row = static_cast<std::int32_t>(i);
      const std::int32_t y = reverse_ ? h - 1 - row : row;
      if (y < 0 || y >= h) continue;  // the last group of rows can overrun the screen
      if (v > 0) {
        screen_.FillRect(Bounds(0, y, w, 1), 0);
        screen_.Stretch(Bounds(w / 2 - v / 2, y, v, 1), front_, Bounds(0, y, w, 1));
      } else if (v < 0) {
        screen_.Stretch(Bounds(w / 2 + v / 2, y, -v, 1), back_, Bounds(0, y, w, 1));
      }
    }
    return done;
  }

 private:
  std::vector<std::int32_t> width_;
  std::vector<std::int32_t> age_;
};

// Kind 31: the old picture blurs and darkens, then the new one sharpens and brightens.
class TSbBlur : public TShowBackClass2 {
 public:
  using TShowBackClass2::TShowBackClass2;
  bool Advance() override {
    update_rect_ = Whole();
    if (!started_) {
      started_ = true;
      counter_ = 1;
    }
    if (counter_ >= 64) return true;
    const bool old = counter_ < 32;
    Surface& source = old ? front_ : back_;
    const int radius = old ? counter_ : 64 - counter_;
    const int grey = (old ? counter_ * 8 : 511 - counter_ * 8) % 256;
    if (!DrawBlurred(screen_, source, radius, grey, buffers_)) {
      // Pictures of another size than the screen: through a bitmap, as the screen takes it.
      source.CopyToBitmap(bitmap_);
      BoxBlur(bitmap_, radius);
      screen_.DrawBitmap(0, 0, bitmap_);
      screen_.SubtractGrey(Whole(), grey);
    }
    counter_ += 2;
    return false;
  }

 private:
  bool started_ = false;
  BlurBuffers buffers_;
  Bitmap bitmap_;
};

// One tile of the pera kind: folds shut to a line, then opens on the new picture.
class TDrawPot : public TransitionItem {
 public:
  TDrawPot(Surface& screen, Surface& front, Surface& back, const Rect& tile)
      : screen_(screen), front_(front), back_(back) {
    rect = tile;
  }
  bool Advance() override {
    const std::int32_t t = rect.Height();
    if (phase_ == 0) {
      if (height_ == 0) height_ = t;
      screen_.FillRect(rect, 0);
      screen_.Stretch(Bounds(rect.left, rect.top + (t - height_) / 2, rect.Width(), height_), front_, rect);
      height_ -= Cosine(step_) * 10 / 65536;
      ++step_;
      if (height_ < 1) {
        phase_ = 1;
        height_ = 4;
        step_ = 0;
      }
      return false;
    }
    screen_.Stretch(Bounds(rect.left, rect.top + (t - height_) / 2, rect.Width(), height_), back_, rect);
    height_ += Cosine(step_) * 10 / 65536;
    ++step_;
    // The cosine turns negative after a quarter turn: a tile taller than it can open in that
    // time ends there rather than closing again.
    if (height_ > t || step_ >= 64) {
      screen_.Copy(rect.left, rect.top, back_, rect, false);
      return true;
    }
    return false;
  }

 private:
  Surface& screen_;
  Surface& front_;
  Surface& back_;
  std::int32_t height_ = 0;
  int phase_ = 0;
  std::int32_t step_ = 0;
};

// Kind 32: 128-pixel tiles fold over one after another, a new one every 4th step, left to right
// and top to bottom (reverse: from the bottom right).
class TSbPera : public TSbHasItem2 {
 public:
  using TSbHasItem2::TSbHasItem2;
  bool Advance() override {
    update_rect_ = Whole();
    if (delay_ == 0) {
      if (tile_y_ < H()) AddTile();
      delay_ = 3;
    } else {
      --delay_;
    }
    return StepItems();
  }

 private:
  void AddTile() {
    std::int32_t x = reverse_ ? W() - 128 - tile_x_ : tile_x_;
    std::int32_t y = reverse_ ? H() - 128 - tile_y_ : tile_y_;
    std::int32_t w = std::min(128, W() - x), h = std::min(128, H() - y);
    if (x < 0) {
      w += x;
      x = 0;
    }
    if (y < 0) {
      h += y;
      y = 0;
    }
    if (w <= 0 || h <= 0) {  // nothing left to tile (an empty screen)
      tile_y_ = H();
      return;
    }
    Add(std::make_unique<TDrawPot>(screen_, front_, back_, Bounds(x, y, w, h)));
    tile_x_ += w;
    if (tile_x_ >= W()) {
      tile_x_ = 0;
      tile_y_ += h;
    }
  }
  std::int32_t tile_x_ = 0;
  std::int32_t tile_y_ = 0;
  std::int32_t delay_ = 0;
};

// One tile of the ball kind: waits, then jumps up and falls off the screen.
class TDrawBall : public TransitionItem {
 public:
  TDrawBall(Surface& screen, Surface& front, const Rect& tile, std::int32_t speed, std::int32_t drift,
            std::int32_t delay)
      : screen_(screen), front_(front), speed_(speed), drift_(drift), delay_(delay) {
    rect = tile;
  }
  bool Waiting() const { return delay_ >= 1; }
  bool Advance() override {
    if (delay_ >= 1) {
      --delay_;
      screen_.Copy(rect.left + offset_ / 100, rect.top, front_, rect, false);
      return false;
    }
    offset_ += drift_;
    const std::int32_t y = rect.top - ((speed_ - 5 * t_) * t_) / 10;
    if (y >= screen_.height()) return true;
    ++t_;
    screen_.Copy(rect.left + offset_ / 100, y, front_, rect, false);
    return false;
  }

 private:
  Surface& screen_;
  Surface& front_;
  std::int32_t offset_ = 0;
  std::int32_t t_ = 0;
  std::int32_t speed_;
  std::int32_t drift_;
  std::int32_t delay_;
};

// Kind 33: the old picture breaks into 32-pixel tiles that jump and fall away.
class TSbBall : public TSbHasItem2 {
 public:
  TSbBall(Surface& screen, Surface& front, Surface& back, TRandom& random)
      : TSbHasItem2(screen, front, back), random_(random) {}
  bool Advance() override {
    update_rect_ = Whole();
    screen_.Copy(0, 0, back_, back_.bounds(), false);
    if (counter_ == 0) {
      counter_ = 1;
      for (std::int32_t y = 0; y < H(); y += 32) {
        for (std::int32_t x = 0; x < W(); x += 32) {
          const auto speed = static_cast<std::int32_t>(random_.Next(50)) + 100;
          const auto drift = static_cast<std::int32_t>(random_.Next(1000)) - 500;
          const auto delay = static_cast<std::int32_t>(random_.Next(50));
          Add(std::make_unique<TDrawBall>(screen_, front_, Intersect(Bounds(x, y, 32, 32), Whole()), speed, drift,
                                          delay));
        }
      }
    }
    for (auto& item : items_) {
      auto* ball = static_cast<TDrawBall*>(item.get());
      if (ball->Waiting()) ball->Advance();
    }
    for (std::size_t i = items_.size(); i-- > 0;) {
      auto* ball = static_cast<TDrawBall*>(items_[i].get());
      if (!ball->Waiting() && ball->Advance()) items_[i].reset();
    }
    std::erase_if(items_, [](const auto& item) { return item == nullptr; });
    return items_.empty();
  }

 private:
  TRandom& random_;
};

// Kinds 35 and 36: the view dives into the centre of the old picture and comes back out of the
// centre of the new one.
class TSbStretch : public TShowBackClass2 {
 public:
  TSbStretch(Surface& screen, Surface& front, Surface& back, int step = 20)
      : TShowBackClass2(screen, front, back), step_(step) {}
  bool Advance() override {
    update_rect_ = Whole();
    bool done = false;
    if (phase_ == 0) {
      if (!started_) {
        started_ = true;
        zoom_ = 1000;
      } else {
        zoom_ -= step_;
      }
      if (zoom_ <= 0) {
        zoom_ = 0;
        phase_ = 1;
      }
    } else {
      zoom_ += step_;
      done = zoom_ >= 1000;
    }
    const std::int32_t w = std::max(W() * zoom_ / 1000, 1), h = std::max(H() * zoom_ / 1000, 1);
    Surface& source = phase_ == 0 ? front_ : back_;
    screen_.Stretch(Whole(), source, Bounds((W() - w) / 2, (H() - h) / 2, w, h));
    return done;
  }

 private:
  int step_;
  std::int32_t zoom_ = 0;
  int phase_ = 0;
  bool started_ = false;
};

class TSbStretchS : public TSbStretch {
 public:
  TSbStretchS(Surface& screen, Surface& front, Surface& back) : TSbStretch(screen, front, back, 50) {}
};

}  // namespace

std::unique_ptr<TShowBackClass> MakeMotionKind(int kind, Surface& screen, Surface& front, Surface& back,
                                               TRandom& random) {
  switch (kind) {
    case 12: return std::make_unique<ScrollKind>(screen, front, back, true);
    case 13: return std::make_unique<ScrollKind>(screen, front, back, false);
    case 14: return std::make_unique<SizeKind>(screen, front, back, false, false);
    case 15: return std::make_unique<SizeKind>(screen, front, back, true, false);
    case 16: return std::make_unique<SizeKind>(screen, front, back, false, true);
    case 17: return std::make_unique<SizeKind>(screen, front, back, true, true);
    case 25: return std::make_unique<TSbRotate>(screen, front, back);
    case 29: return std::make_unique<TSbPot>(screen, front, back);
    case 31: return std::make_unique<TSbBlur>(screen, front, back);
    case 32: return std::make_unique<TSbPera>(screen, front, back);
    case 33: return std::make_unique<TSbBall>(screen, front, back, random);
    case 35: return std::make_unique<TSbStretch>(screen, front, back);
    case 36: return std::make_unique<TSbStretchS>(screen, front, back);
    default: return nullptr;
  }
}

}  // namespace mavlet
