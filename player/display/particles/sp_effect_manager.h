#pragma once
// The particle effects (fluff, stars, spirals, rain, snow) that stream over the window. The
// manager spawns, moves, draws and retires its particles once per frame, after the frame was
// presented. Particles are drawn onto the display's visible surface only, and erased there from
// the screen surface: they never reach the screen surface, the back picture or a transition's
// front copy, and a frame without a running effect costs nothing.
//
// The picture (relative to "PMP\") is loaded on the first step after it changed: a ".pmp" file
// is one cell keyed by its bottom-left pixel, any other name a multi-frame file whose frames
// are the cells, each keyed by its own bottom-left pixel when its flag says so. A missing
// picture is looked for again every step; a damaged one, or a name that climbs out of "PMP"
// with "..", is reported once to the log and not tried again until the name changes. Without a
// picture nothing spawns or draws.
//
// Saved are the parameters ("SpEfEncount", "SpEfBase", "SpEfX", "SpEfY", "SpEfSrc", "SpEfWait",
// "SpEfType"), never the particles.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/graphics/rect.h"
#include "player/backend/graphics/surface.h"
#include "player/backend/input.h"
#include "player/display/particles/particle_services.h"
#include "player/display/particles/sp_effect.h"

namespace mavlet {

class Log;
class TGameStatus;

class TSpEffectManager {
 public:
  // At most this many particles are born in one step (encount -n asks for n) ...
  static constexpr std::int32_t kMaxSpawnsPerStep = 1000;
  // ... and no more are born while this many live.
  static constexpr std::size_t kMaxParticles = 10000;

  // log may be null (problems go unreported).
  explicit TSpEffectManager(ParticleServices& services, Log* log = nullptr);
  ~TSpEffectManager();
  TSpEffectManager(const TSpEffectManager&) = delete;
  TSpEffectManager& operator=(const TSpEffectManager&) = delete;

  // The SpEffect command: unless type is 1, the spawn rhythm, base, fixed point, picture and
  // wait are taken; then the type.
  void SetParams(std::int32_t type, std::int32_t encount, std::int32_t base, std::int32_t x, std::int32_t y,
                 std::string_view src, std::int32_t wait);
  // 0 erases and destroys every particle; 1 lets them run out; 2..8 spawns that kind (running
  // particles keep their own kind). Only the low byte counts.
  void SetType(std::int32_t type);
  // A name that differs (ignoring ASCII case) releases the picture and ends every particle.
  void SetSource(std::string_view name);
  // Frames each cell shows; values below 1 count as 1.
  void SetWait(std::int32_t wait);

  // One frame: load the picture when needed, erase and move every particle, spawn, draw, retire.
  void Step();
  // Draws every particle again where it is (after a present covered them), without moving or
  // animating them.
  void Redraw();
  // An effect is on (type not 0): the game system steps it after presenting each frame.
  bool Running() const { return type_ != kSpOff; }

  // Display life cycle: the picture is made again in the new surfaces' format.
  void Initialize();
  void Finalize();

  void SaveToStatus(TGameStatus& status) const;
  void LoadFromStatus(const TGameStatus& status);

  // --- state, for the game system's values and for tests
  std::int32_t Type() const { return type_; }
  std::int32_t Encount() const { return encount_; }
  std::int32_t Base() const { return base_; }
  std::int32_t X() const { return x_; }
  std::int32_t Y() const { return y_; }
  const std::string& Src() const { return src_; }
  std::int32_t Wait() const { return wait_; }
  // Where the last particle was born ((0, 0) before the first).
  Point SpawnPoint() const { return spawn_point_; }
  std::int32_t Cells() const { return static_cast<std::int32_t>(cells_.size()); }
  std::size_t Count() const { return particles_.size(); }
  const TSpTip& Particle(std::size_t i) const { return *particles_[i]; }

  // --- what the particles use
  std::int32_t Random(std::int32_t n);
  // The screen surface's size (0 without a display).
  std::int32_t ScreenWidth() const;
  std::int32_t ScreenHeight() const;
  // Copies rect of the screen surface onto the visible surface.
  void Erase(const Rect& rect);
  // Draws cell `cell` with its colour key at (left, top) of rect; a cell that does not exist
  // draws nothing.
  void DrawCell(const Rect& rect, std::int32_t cell);
  std::int32_t WaitFrames() const { return wait_; }

 private:
  struct Cell {
    Surface picture;
  };
  // Visible and screen surfaces of an initialised display of one format, else null.
  Surface* Visible() const;
  Surface* Screen() const;
  // Loads the picture when there is none; true when there is one now.
  bool EnsurePicture();
  // Reads the cells of a found picture file; throws MavError naming it when it cannot be used.
  void LoadCells(const std::filesystem::path& file, const PixelFormat& format);
  void ReleasePicture();
  // Erases every particle from the window and destroys them.
  void Clear();
  void Spawn();
  // Shows what this step changed on the visible surface.
  void ShowChanges();
  void Report(const std::string& message);

  ParticleServices& services_;
  Log* log_;
  std::int32_t encount_ = 0;
  std::int32_t countdown_ = 0;
  std::int32_t type_ = kSpOff;
  std::int32_t base_ = 0;
  std::int32_t x_ = 0;
  std::int32_t y_ = 0;
  Point spawn_point_{0, 0};
  std::string src_;
  std::int32_t wait_ = 1;
  std::vector<Cell> cells_;
  // The picture failed to load for good (damaged, or a name outside "PMP"): not tried again
  // until the name changes or the display is made again.
  bool picture_failed_ = false;
  std::vector<std::unique_ptr<TSpTip>> particles_;
  Rect changed_;
};

}  // namespace mavlet
