#pragma once
// Rain and snow: the overlays a picture layer carries in its weather modes (3 rain, 4 snow).
// The layer steps its overlay each time it draws itself onto the back picture; the drops are
// drawn onto that picture right above the layer. Up to 50 drops fall at once; after
// SetStopping(true) no new drop starts and the overlay reports finished once the last one has
// left the picture. A picture that cannot be locked skips that frame's drops (they go on next
// time); nothing here fails.
#include <cstdint>
#include <memory>
#include <vector>

#include "player/backend/graphics/surface.h"

namespace mavlet {

class TRandom;

// One drop or flake: position from its start x, time t and speeds; draws itself in the drop
// (white) and streak (light grey) colours on the locked picture.
class TCustomRain {
 public:
  virtual ~TCustomRain() = default;
  // Moves and draws; true once the drop has left the picture.
  bool Advance(const LockedPixels& picture, std::uint32_t drop, std::uint32_t streak);

 protected:
  virtual bool Draw(const LockedPixels& p, std::int32_t x, std::int32_t y, std::uint32_t drop,
                    std::uint32_t streak) = 0;
  // Writes one pixel; ignored outside the picture.
  static void Put(const LockedPixels& p, std::int32_t x, std::int32_t y, std::uint32_t value);

  double x_ = 0, t_ = 0.1, speed_ = 0, dt_ = 0, drift_ = 0;
};

class TWeatherOverlay {
 public:
  static constexpr std::size_t kMaxDrops = 50;

  explicit TWeatherOverlay(TRandom& random) : random_(random) {}
  virtual ~TWeatherOverlay();
  // Stopping lets the drops fall out without new ones; false resumes.
  void SetStopping(bool stopping) {
    stopping_ = stopping;
    filled_once_ = false;
  }
  bool stopping() const { return stopping_; }
  // Adds a drop when due, moves and draws every drop on `picture` (the back picture; drops start
  // across screen_width). True once stopping and no drop is left.
  bool Step(Surface& picture, std::int32_t screen_width);
  std::size_t DropCount() const { return drops_.size(); }

 protected:
  // Whether a new drop starts this step (below 50 drops, not stopping).
  virtual bool WantsDrop() = 0;
  virtual std::unique_ptr<TCustomRain> MakeDrop(std::int32_t screen_width) = 0;

  TRandom& random_;
  bool filled_once_ = false;

 private:
  bool stopping_ = false;
  std::vector<std::unique_ptr<TCustomRain>> drops_;
};

// Rain: one new drop per step.
class TSbRain : public TWeatherOverlay {
 public:
  using TWeatherOverlay::TWeatherOverlay;

 protected:
  bool WantsDrop() override { return true; }
  std::unique_ptr<TCustomRain> MakeDrop(std::int32_t screen_width) override;
};

// Snow: a new flake one step in four until 50 have fallen at once, then one per step.
class TSbSnow : public TWeatherOverlay {
 public:
  using TWeatherOverlay::TWeatherOverlay;

 protected:
  bool WantsDrop() override;
  std::unique_ptr<TCustomRain> MakeDrop(std::int32_t screen_width) override;
};

// The overlay of a weather mode: 3 rain, 4 snow; nullptr for other modes.
std::unique_ptr<TWeatherOverlay> MakeWeatherOverlay(int mode, TRandom& random);

}  // namespace mavlet
