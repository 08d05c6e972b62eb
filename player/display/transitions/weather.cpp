#include "player/display/transitions/weather.h"

#include <cstring>

#include "player/common/random.h"
#include "player/display/transitions/show_back.h"

namespace mavlet {

bool TCustomRain::Advance(const LockedPixels& picture, std::uint32_t drop, std::uint32_t streak) {
  const double y = speed_ * t_ + 5 * t_ * t_;
  x_ += drift_;
  const std::int32_t px = RoundNearest(x_), py = RoundNearest(y);
  const bool gone = Draw(picture, px, py, drop, streak);
  t_ += dt_;
  return gone;
}

void TCustomRain::Put(const LockedPixels& p, std::int32_t x, std::int32_t y, std::uint32_t value) {
  if (x < 0 || y < 0 || x >= p.width || y >= p.height || p.bits == nullptr) return;
  const int bytes = p.bits_per_pixel / 8;
  std::memcpy(p.bits + static_cast<std::ptrdiff_t>(y) * p.pitch + static_cast<std::ptrdiff_t>(x) * bytes, &value,
              static_cast<std::size_t>(bytes));
}

namespace {

class TDrawRain : public TCustomRain {
 public:
  TDrawRain(TRandom& r, std::int32_t screen_width) {
    x_ = r.Next(static_cast<std::uint32_t>(std::max(screen_width, 0)));
    speed_ = r.Next(4) + 60.0;
    dt_ = r.Next(10) / 10.0 + 0.3;
    drift_ = r.Next(5) / 10.0;
  }

 protected:
  bool Draw(const LockedPixels& p, std::int32_t x, std::int32_t y, std::uint32_t drop, std::uint32_t streak) override {
    if (x < p.width && y >= -5) {
      for (std::int32_t k = 0; k < 3; ++k) Put(p, x, y + k, streak);
      for (std::int32_t k = 3; k < 6; ++k) Put(p, x, y + k, drop);
    }
    return x >= p.width || y >= p.height;
  }
};

class TDrawSnow : public TCustomRain {
 public:
  TDrawSnow(TRandom& r, std::int32_t screen_width) {
    x_ = r.Next(static_cast<std::uint32_t>(std::max(screen_width, 0)));
    speed_ = 25;
    dt_ = r.Next(10) / 2000.0 + 0.03;
    drift_ = (static_cast<double>(r.Next(20)) - 5) / 20;
  }

 protected:
  bool Draw(const LockedPixels& p, std::int32_t x, std::int32_t y, std::uint32_t drop, std::uint32_t streak) override {
    if (-2 <= x && x < p.width && -2 <= y && y < p.height) {
      for (std::int32_t k = 0; k < 3; ++k) {
        Put(p, x + k, y, streak);
        Put(p, x + k, y + 2, streak);
      }
      Put(p, x, y + 1, streak);
      Put(p, x + 2, y + 1, streak);
      Put(p, x + 1, y + 1, drop);
    }
    return y >= p.height || x < 0 || x > p.width;
  }
};

}  // namespace

TWeatherOverlay::~TWeatherOverlay() = default;

bool TWeatherOverlay::Step(Surface& picture, std::int32_t screen_width) {
  if (!stopping_ && drops_.size() < kMaxDrops && WantsDrop()) drops_.push_back(MakeDrop(screen_width));
  if (stopping_ || drops_.size() >= kMaxDrops) filled_once_ = true;
  ScopedLock lock(picture);
  // A picture that cannot be locked skips this frame's drops; the overlay lives on.
  if (lock.ok()) {
    const std::uint32_t drop = picture.DeviceColour(0xFFFFFF), streak = picture.DeviceColour(0xC0C0C0);
    for (std::size_t i = drops_.size(); i-- > 0;) {
      if (drops_[i]->Advance(lock.pixels(), drop, streak)) drops_[i].reset();
    }
    std::erase_if(drops_, [](const auto& d) { return d == nullptr; });
  }
  return stopping_ && drops_.empty();
}

std::unique_ptr<TCustomRain> TSbRain::MakeDrop(std::int32_t screen_width) {
  return std::make_unique<TDrawRain>(random_, screen_width);
}

bool TSbSnow::WantsDrop() { return filled_once_ || random_.Next(4) == 0; }

std::unique_ptr<TCustomRain> TSbSnow::MakeDrop(std::int32_t screen_width) {
  return std::make_unique<TDrawSnow>(random_, screen_width);
}

std::unique_ptr<TWeatherOverlay> MakeWeatherOverlay(int mode, TRandom& random) {
  if (mode == 3) return std::make_unique<TSbRain>(random);
  if (mode == 4) return std::make_unique<TSbSnow>(random);
  return nullptr;
}

}  // namespace mavlet
