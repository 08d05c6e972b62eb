#include "player/display/particles/sp_effect.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "player/common/rounding.h"
#include "player/display/particles/sp_effect_manager.h"

namespace mavlet {
namespace {

// Particles live within this range of positions: far enough beyond any screen that a clamped
// one has left it, near enough that its right and bottom edges cannot overflow.
constexpr std::int64_t kPositionLimit = std::int64_t{1} << 28;

const std::array<double, 256>& SineTable() {
  static const std::array<double, 256> table = [] {
    std::array<double, 256> t{};
    for (std::size_t i = 0; i < t.size(); ++i)
      t[i] = std::round(std::sin(2.0 * std::numbers::pi * static_cast<double>(i) / 256.0) * 1e8) / 1e8;
    return t;
  }();
  return table;
}

double SpCos(std::int32_t i) { return SpSin(i + 64); }

}  // namespace

double SpSin(std::int32_t i) { return SineTable()[static_cast<std::size_t>(i & 255)]; }

// --- TSpEffect

void TSpEffect::EraseAndMove() { manager_.Erase(rect_); }

void TSpEffect::MoveTo(std::int64_t x, std::int64_t y) {
  const std::int32_t w = rect_.Width();
  const std::int32_t h = rect_.Height();
  rect_.left = static_cast<std::int32_t>(std::clamp(x, -kPositionLimit, kPositionLimit));
  rect_.top = static_cast<std::int32_t>(std::clamp(y, -kPositionLimit, kPositionLimit));
  rect_.right = rect_.left + w;
  rect_.bottom = rect_.top + h;
}

// --- TSpTip

void TSpTip::Start(Point spawn, std::int32_t cell_width, std::int32_t cell_height) {
  Init(spawn);
  rect_ = Rect{0, 0, cell_width, cell_height};
  MoveTo(origin_x_, origin_y_);
  Move();
}

void TSpTip::EraseAndMove() {
  TSpEffect::EraseAndMove();
  Move();
}

bool TSpTip::Draw() {
  const bool inside = rect_.top < ScreenHeight() && rect_.right >= 1 && rect_.bottom > 0;
  if (rect_.left >= ScreenWidth() || !inside) return true;
  DrawCell();
  return false;
}

void TSpTip::DrawCell() {
  const std::int32_t wait = manager_.WaitFrames();
  manager_.DrawCell(rect_, counter_ / wait);
  // The cycle is taken in 64 bits: a large wait times many cells must not overflow.
  const std::int64_t cycle = std::max<std::int64_t>(std::int64_t{manager_.Cells()} * wait, 1);
  counter_ = static_cast<std::int32_t>((std::int64_t{counter_} + 1) % cycle);
}

void TSpTip::Redraw() {
  const std::int64_t cycle = std::max<std::int64_t>(std::int64_t{manager_.Cells()} * manager_.WaitFrames(), 1);
  const std::int64_t last = (std::int64_t{counter_} + cycle - 1) % cycle;
  manager_.DrawCell(rect_, static_cast<std::int32_t>(last / manager_.WaitFrames()));
}

std::int32_t TSpTip::Random(std::int32_t n) { return manager_.Random(n); }

std::int32_t TSpTip::ScreenWidth() const { return manager_.ScreenWidth(); }

std::int32_t TSpTip::ScreenHeight() const { return manager_.ScreenHeight(); }

// --- kinds

void TSpFluff::Init(Point spawn) {
  const std::int32_t dy = Random(20) - 10;
  const std::int32_t dx = Random(20) - 10;
  origin_x_ = spawn.x + dx;
  origin_y_ = spawn.y + dy;
  t_ = -10;
  g_ = Random(10) + 20;
  offset_ = 0;
  speed_ = Random(400) + 100;
}

void TSpFluff::Move() {
  ++t_;
  offset_ += speed_;
  const std::int64_t t = t_;
  MoveTo(std::int64_t{origin_x_} + offset_ / 100, std::int64_t{origin_y_} - t * t / g_);
}

void TSpStar::Init(Point spawn) {
  origin_x_ = spawn.x;
  origin_y_ = spawn.y;
  angle_ = Random(256);
  d_ = static_cast<double>(Random(500000000)) + 500000000.0;
  p_ = 100;
}

void TSpStar::Move() {
  p_ += 2;
  const double s = std::pow(p_, 5) / d_;
  const double c = SpCos(angle_) * s;
  const double d = SpSin(angle_) * s;
  MoveTo(std::int64_t{origin_x_} + RoundNearest(c - d), std::int64_t{origin_y_} + RoundNearest(d + c));
}

void TSpVolute::Init(Point spawn) {
  const std::int32_t dy = Random(10) - 5;
  const std::int32_t dx = Random(10) - 5;
  origin_x_ = spawn.x + dx;
  origin_y_ = spawn.y + dy;
  angular_step_ = Random(5) + 1;
  radial_step_ = Random(5) + 2;
  radius_ = 0;
  angle_ = 0;
}

void TSpVolute::Move() {
  radius_ += radial_step_;
  angle_ = (angle_ + angular_step_) % 256;
  const double c = radius_ * SpCos(angle_);
  const double d = radius_ * SpSin(angle_);
  MoveTo(std::int64_t{origin_x_} + RoundNearest(c - d), std::int64_t{origin_y_} + RoundNearest(d + c));
}

void TSpRain::Init(Point spawn) {
  origin_x_ = spawn.x;
  origin_y_ = spawn.y;
  leftward_ = 0;
}

void TSpRain::Move() { MoveTo(std::int64_t{rect_.left} - leftward_, std::int64_t{rect_.top} + 40); }

bool TSpRain::Draw() {
  if (rect_.top >= ScreenHeight() || rect_.right < 1 || rect_.left >= ScreenWidth()) return true;
  DrawCell();
  return false;
}

void TSpHardRain::Init(Point spawn) {
  TSpRain::Init(spawn);
  leftward_ = Random(10) + 4;
}

bool TSpHardRain::Draw() {
  if (rect_.top >= ScreenHeight() || rect_.right < 1) return true;
  DrawCell();
  return false;
}

void TSpSnow::Init(Point spawn) {
  origin_x_ = spawn.x;
  origin_y_ = spawn.y;
  step_ = Random(3) + 1;
  amplitude_ = Random(30) + 10;
  phase_ = 0;
}

void TSpSnow::Move() {
  phase_ = (phase_ + 2) % 256;
  MoveTo(std::int64_t{origin_x_} + RoundNearest(amplitude_ * SpSin(phase_)), std::int64_t{rect_.top} + step_);
}

bool TSpSnow::Draw() {
  if (rect_.top >= ScreenHeight()) return true;
  DrawCell();
  return false;
}

void TSpSnowUp::Init(Point spawn) {
  TSpSnow::Init(spawn);
  step_ = -step_;
}

bool TSpSnowUp::Draw() {
  if (rect_.bottom < 1) return true;
  DrawCell();
  return false;
}

std::unique_ptr<TSpTip> MakeSpEffect(std::int32_t type, TSpEffectManager& manager) {
  switch (type) {
    case kSpFluff:
      return std::make_unique<TSpFluff>(manager);
    case kSpStar:
      return std::make_unique<TSpStar>(manager);
    case kSpVolute:
      return std::make_unique<TSpVolute>(manager);
    case kSpRain:
      return std::make_unique<TSpRain>(manager);
    case kSpHardRain:
      return std::make_unique<TSpHardRain>(manager);
    case kSpSnow:
      return std::make_unique<TSpSnow>(manager);
    case kSpSnowUp:
      return std::make_unique<TSpSnowUp>(manager);
    default:
      return nullptr;
  }
}

}  // namespace mavlet
