#pragma once
// The particle kinds of the effect manager: each particle is a rectangle of one picture cell on
// the game area that moves once per frame. TSpTip animates through the cells; fluff, stars and
// spirals end when they leave the screen on any side, rain and snow by their own tests.
// Positions are kept within a fixed range so that no scenario value overflows them.
#include <cstdint>
#include <memory>

#include "player/backend/graphics/rect.h"
#include "player/backend/input.h"

namespace mavlet {

class TSpEffectManager;

// Particle kinds by effect type; types 0, 1 and above 8 have no particles.
enum SpEffectType : std::int32_t {
  kSpOff = 0,
  kSpStopping = 1,
  kSpFluff = 2,
  kSpStar = 3,
  kSpVolute = 4,
  kSpRain = 5,
  kSpHardRain = 6,
  kSpSnow = 7,
  kSpSnowUp = 8,
};

class TSpEffect {
 public:
  explicit TSpEffect(TSpEffectManager& manager) : manager_(manager) {}
  virtual ~TSpEffect() = default;
  TSpEffect(const TSpEffect&) = delete;
  TSpEffect& operator=(const TSpEffect&) = delete;

  // Erases the particle from the window; the kinds that move move it then.
  virtual void EraseAndMove();
  // Draws it; true when it has finished (then it is not drawn and leaves the list).
  virtual bool Draw() { return false; }
  const Rect& Area() const { return rect_; }

 protected:
  // Moves the rectangle (size kept) to (x, y), clamped to the range particles live in.
  void MoveTo(std::int64_t x, std::int64_t y);

  TSpEffectManager& manager_;
  Rect rect_;
};

// A particle drawn from the cells of the effect's picture, one cell after another.
class TSpTip : public TSpEffect {
 public:
  using TSpEffect::TSpEffect;
  // What construction does: Init from the spawn point, the rectangle of one cell at the origin,
  // then one Move.
  void Start(Point spawn, std::int32_t cell_width, std::int32_t cell_height);
  void EraseAndMove() override;
  // Ends when it lies wholly outside the screen; else draws its cell.
  bool Draw() override;
  // Draws the cell it showed last again, without animating.
  void Redraw();

  std::int32_t OriginX() const { return origin_x_; }
  std::int32_t OriginY() const { return origin_y_; }
  std::int32_t Counter() const { return counter_; }

 protected:
  virtual void Init(Point /*spawn*/) {}
  virtual void Move() {}
  // Draws the current cell at the rectangle and advances the animation counter.
  void DrawCell();
  std::int32_t Random(std::int32_t n);
  std::int32_t ScreenWidth() const;
  std::int32_t ScreenHeight() const;

  std::int32_t origin_x_ = 0;
  std::int32_t origin_y_ = 0;
  std::int32_t counter_ = 0;
};

// Sinks a little, then rises ever faster while drifting right.
class TSpFluff : public TSpTip {
 public:
  using TSpTip::TSpTip;

 protected:
  void Init(Point spawn) override;
  void Move() override;

 private:
  std::int32_t t_ = 0;
  std::int32_t g_ = 1;
  std::int32_t offset_ = 0;  // horizontal offset x 100
  std::int32_t speed_ = 0;   // x 100
};

// Flies straight out from the spawn point, ever faster.
class TSpStar : public TSpTip {
 public:
  using TSpTip::TSpTip;

 protected:
  void Init(Point spawn) override;
  void Move() override;

 private:
  std::int32_t angle_ = 0;
  double p_ = 100;
  double d_ = 1;
};

// An outward spiral.
class TSpVolute : public TSpTip {
 public:
  using TSpTip::TSpTip;

 protected:
  void Init(Point spawn) override;
  void Move() override;

 private:
  std::int32_t angle_ = 0;
  std::int32_t angular_step_ = 0;
  std::int32_t radius_ = 0;
  std::int32_t radial_step_ = 0;
};

// Falls 40 pixels a frame; ends below the screen or beside it.
class TSpRain : public TSpTip {
 public:
  using TSpTip::TSpTip;
  bool Draw() override;

 protected:
  void Init(Point spawn) override;
  void Move() override;

  std::int32_t leftward_ = 0;
};

// Slanted rain: also drifts left; ends below the screen or past its left edge.
class TSpHardRain : public TSpRain {
 public:
  using TSpRain::TSpRain;
  bool Draw() override;

 protected:
  void Init(Point spawn) override;
};

// Swaying flakes that fall; end below the screen.
class TSpSnow : public TSpRain {
 public:
  using TSpRain::TSpRain;
  bool Draw() override;

 protected:
  void Init(Point spawn) override;
  void Move() override;

  std::int32_t phase_ = 0;
  std::int32_t step_ = 1;
  std::int32_t amplitude_ = 0;
};

// Flakes that rise; end above the screen.
class TSpSnowUp : public TSpSnow {
 public:
  using TSpSnow::TSpSnow;
  bool Draw() override;

 protected:
  void Init(Point spawn) override;
};

// A particle of kind `type` (2..8), not yet started; nullptr for the other types.
std::unique_ptr<TSpTip> MakeSpEffect(std::int32_t type, TSpEffectManager& manager);

// sin(2 pi i / 256) rounded to 8 decimal places; the cosine of i is SpSin(i + 64).
double SpSin(std::int32_t i);

}  // namespace mavlet
