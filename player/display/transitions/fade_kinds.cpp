// Fades, banded fades, wipes, line curtains, blinds and the add and subtract fades: the kinds
// that reveal the back picture by copying and blending rectangles.
#include <algorithm>

#include "player/display/transitions/kinds.h"

namespace mavlet {
namespace {

constexpr std::int32_t kBand = 16;

// Kinds 2 and 3: the whole area blends from the front copy to the back picture.
class TSbFadeIn : public TShowBackClass2 {
 public:
  TSbFadeIn(Surface& screen, Surface& front, Surface& back, int step = 16)
      : TShowBackClass2(screen, front, back), step_(step) {}
  bool Advance() override {
    update_rect_ = area_;
    if (counter_ >= 255) return true;
    if (!skip_draw_) {
      screen_.Copy(area_.left, area_.top, front_, area_, false);
      screen_.Blend(area_, back_, area_, counter_, false);
    }
    counter_ += step_;
    return false;
  }

 private:
  int step_;
};

class TSbFadeInS : public TSbFadeIn {
 public:
  TSbFadeInS(Surface& screen, Surface& front, Surface& back) : TSbFadeIn(screen, front, back, 48) {}
};

// One band of a banded fade: alpha 16..240, then the plain back picture; finished on the 17th
// call.
class TDrawFade : public TransitionItem {
 public:
  TDrawFade(Surface& screen, Surface& front, Surface& back, const Rect& r)
      : screen_(screen), front_(front), back_(back) {
    rect = r;
  }
  bool Advance() override {
    if (alpha_ >= 255) return true;
    alpha_ += 16;
    if (alpha_ < 255) {
      screen_.Copy(rect.left, rect.top, front_, rect, false);
      screen_.Blend(rect, back_, rect, alpha_, false);
    } else {
      screen_.Copy(rect.left, rect.top, back_, rect, false);
    }
    return false;
  }

 private:
  Surface& screen_;
  Surface& front_;
  Surface& back_;
  int alpha_ = 0;
};

// One line sweeping over a band: a line every other call, 16 lines in 32 calls, finished on the
// 33rd.
class TDrawCurtain : public TransitionItem {
 public:
  TDrawCurtain(Surface& screen, Surface& back, const Rect& band, Rect line, std::int32_t dx, std::int32_t dy)
      : screen_(screen), back_(back), line_(line), dx_(dx), dy_(dy) {
    rect = band;
  }
  bool Advance() override {
    if (counter_ >= 32) return true;
    ++counter_;
    if (counter_ % 2 == 1) {
      screen_.Copy(line_.left, line_.top, back_, line_, false);
      line_ = Offset(line_, dx_, dy_);
    }
    return false;
  }

 private:
  Surface& screen_;
  Surface& back_;
  Rect line_;
  std::int32_t dx_, dy_;
  int counter_ = 0;
};

// Kinds 4, 5, 8 and 9: one band of 16 pixels joins per step (vertical kinds top to bottom,
// horizontal ones left to right; reverse the other way); the union of the live bands is
// presented and the transition ends when no band is left.
class BandedKind : public TSbHasItem2 {
 public:
  BandedKind(Surface& screen, Surface& front, Surface& back, bool vertical, bool curtain)
      : TSbHasItem2(screen, front, back), vertical_(vertical), curtain_(curtain) {}
  void SetReverse(bool reverse) override {
    TSbHasItem2::SetReverse(reverse);
    ResetPosition();
  }
  void SetArea(const Rect& area) override {
    TSbHasItem2::SetArea(area);
    ResetPosition();
  }
  bool Advance() override {
    const bool inside = vertical_ ? (area_.top <= counter_ && counter_ < area_.bottom)
                                  : (area_.left <= counter_ && counter_ < area_.right);
    if (inside) {
      const Rect band = Intersect(vertical_ ? Bounds(area_.left, counter_, area_.Width(), kBand)
                                            : Bounds(counter_, area_.top, kBand, area_.Height()),
                                  Whole());
      if (!curtain_) {
        Add(std::make_unique<TDrawFade>(screen_, front_, back_, band));
      } else {
        const std::int32_t start = reverse_ ? counter_ + kBand - 1 : counter_;
        const Rect line = vertical_ ? Bounds(area_.left, start, area_.Width(), 1)
                                    : Bounds(start, area_.top, 1, area_.Height());
        Add(std::make_unique<TDrawCurtain>(screen_, back_, band, line, vertical_ ? 0 : Direction(),
                                           vertical_ ? Direction() : 0));
      }
      counter_ += kBand * Direction();
    }
    // Items step from the last to the first; the plain list order of StepItems.
    StepItems();
    update_rect_ = ItemUnion();
    return update_rect_.IsEmpty();
  }

 private:
  void ResetPosition() {
    if (vertical_) {
      counter_ = reverse_ ? area_.bottom - kBand : area_.top;
    } else {
      counter_ = reverse_ ? area_.right - kBand : area_.left;
    }
  }
  bool vertical_;
  bool curtain_;
};

// Kinds 6 and 7: a 4-pixel band of the back picture, across the whole screen, per step.
class WipeKind : public TShowBackClass {
 public:
  WipeKind(Surface& screen, Surface& front, Surface& back, bool vertical)
      : TShowBackClass(screen, front, back), vertical_(vertical) {}
  void SetReverse(bool reverse) override {
    TShowBackClass::SetReverse(reverse);
    ResetPosition();
  }
  void SetArea(const Rect& area) override {
    TShowBackClass::SetArea(area);
    ResetPosition();
  }
  bool Advance() override {
    const bool inside = vertical_ ? (area_.top <= counter_ && counter_ < area_.bottom)
                                  : (area_.left <= counter_ && counter_ < area_.right);
    if (!inside) return true;
    const Rect band = vertical_ ? Bounds(0, counter_, back_.width(), 4) : Bounds(counter_, 0, 4, back_.height());
    screen_.Copy(band.left, band.top, back_, band, false);
    update_rect_ = band;
    counter_ += 4 * Direction();
    return false;
  }

 private:
  void ResetPosition() {
    if (vertical_) {
      counter_ = reverse_ ? area_.bottom - 4 : area_.top;
    } else {
      counter_ = reverse_ ? area_.right - 4 : area_.left;
    }
  }
  bool vertical_;
};

// Kinds 10 and 11: every band starts at once; the first step only makes them.
class BlindKind : public TSbHasItem {
 public:
  BlindKind(Surface& screen, Surface& front, Surface& back, bool vertical)
      : TSbHasItem(screen, front, back), vertical_(vertical) {}
  bool Advance() override {
    update_rect_ = Whole();
    if (counter_ == 0) {
      counter_ = 1;
      const std::int32_t d = Direction();
      if (vertical_) {
        for (std::int32_t pos = reverse_ ? area_.bottom - kBand : area_.top; area_.top <= pos && pos < area_.bottom;
             pos += kBand * d) {
          const std::int32_t y = reverse_ ? pos + kBand - 1 : pos;
          Add(std::make_unique<TDrawCurtain>(screen_, back_, Bounds(area_.left, pos, area_.Width(), kBand),
                                             Bounds(area_.left, y, area_.Width(), 1), 0, d));
        }
      } else {
        // Horizontal blinds run over the whole screen width (outside the changed area the
        // back picture already equals the screen).
        for (std::int32_t pos = reverse_ ? area_.right - kBand : area_.left; 0 <= pos && pos < W(); pos += kBand * d) {
          const std::int32_t x = reverse_ ? pos + kBand - 1 : pos;
          Add(std::make_unique<TDrawCurtain>(screen_, back_, Bounds(pos, area_.top, kBand, area_.Height()),
                                             Bounds(x, area_.top, 1, area_.Height()), d, 0));
        }
      }
      return false;
    }
    return StepItems();
  }

 private:
  bool vertical_;
};

// Kinds 27 and 28: the old picture burns out to white (add) or black (subtract), the new one
// comes back from it.
class AddSubKind : public TShowBackClass2 {
 public:
  AddSubKind(Surface& screen, Surface& front, Surface& back, bool subtract, int step)
      : TShowBackClass2(screen, front, back), subtract_(subtract), step_(step) {}
  bool Advance() override {
    update_rect_ = area_;
    if (counter_ >= 512) return true;
    if (!skip_draw_) {
      const bool old = counter_ < 256;
      screen_.Copy(area_.left, area_.top, old ? front_ : back_, area_, false);
      const int grey = old ? counter_ : 255 - (counter_ % 256);
      if (subtract_) {
        screen_.SubtractGrey(area_, grey);
      } else {
        screen_.AddGrey(area_, grey);
      }
    }
    counter_ += step_;
    return false;
  }

 private:
  bool subtract_;
  int step_;
};

}  // namespace

std::unique_ptr<TShowBackClass> MakeFadeKind(int kind, Surface& screen, Surface& front, Surface& back) {
  switch (kind) {
    case 2: return std::make_unique<TSbFadeIn>(screen, front, back);
    case 3: return std::make_unique<TSbFadeInS>(screen, front, back);
    case 4: return std::make_unique<BandedKind>(screen, front, back, true, false);
    case 5: return std::make_unique<BandedKind>(screen, front, back, false, false);
    case 6: return std::make_unique<WipeKind>(screen, front, back, true);
    case 7: return std::make_unique<WipeKind>(screen, front, back, false);
    case 8: return std::make_unique<BandedKind>(screen, front, back, true, true);
    case 9: return std::make_unique<BandedKind>(screen, front, back, false, true);
    case 10: return std::make_unique<BlindKind>(screen, front, back, true);
    case 11: return std::make_unique<BlindKind>(screen, front, back, false);
    case 27: return std::make_unique<AddSubKind>(screen, front, back, false, 4);
    case 28: return std::make_unique<AddSubKind>(screen, front, back, true, 4);
    default: return nullptr;
  }
}

std::unique_ptr<TShowBackClass> MakeFastAddSub(bool subtract, Surface& screen, Surface& front, Surface& back) {
  return std::make_unique<AddSubKind>(screen, front, back, subtract, 16);
}

}  // namespace mavlet
