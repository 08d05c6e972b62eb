#pragma once
// A picture layer: one picture (or the frames of a multi-frame file) or a plain colour
// rectangle, with brightness, colour key, anti-alias mask, twenty stamped attachments and a
// drawing effect. Layers 0..8 are picture layers; the text window and the map choice build on it.
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/graphics/bitmap.h"
#include "player/display/attachment.h"
#include "player/display/custom_game_surface.h"
#include "player/display/game_dx_surface.h"
#include "player/display/picture_file.h"
#include "player/display/transitions/weather.h"

namespace mavlet {

class TGameSurface : public TCustomGameSurface {
 public:
  static constexpr int kAttachmentCount = 20;
  // Effects a layer draws itself; rain and snow draw their drops over the layer's picture.
  enum Effect : std::uint8_t { kNone = 0, kWave = 1, kRipple = 2, kRain = 3, kSnow = 4, kShake = 5 };
  // Mask bytes below this count as opaque for OpaqueRect.
  static constexpr std::uint8_t kOpaqueBelow = 250;

  explicit TGameSurface(LayerServices& owner);
  ~TGameSurface() override;

  std::int32_t GetWidth() const override;
  std::int32_t GetHeight() const override;
  void SetFillWidth(std::int32_t w) override { fill_width_ = w; }
  void SetFillHeight(std::int32_t h) override { fill_height_ = h; }
  std::string GetSrc() const override { return src_; }
  // Reloads unless the name is the current one (ignoring case) on a plain, unmasked layer at
  // frame 0.
  void SetSrc(std::string_view name) override;
  std::int32_t GetFrameCount() const override { return static_cast<std::int32_t>(frames_.size()); }
  std::int32_t GetFrameIndex() const override { return frame_index_; }
  void SetFrameIndex(std::int32_t index) override { frame_index_ = index; }
  // The effect; with effect 0, 3 while rain drops still fall, else 4 while snow flakes do.
  int GetEffect() const override;
  void SetEffect(int effect) override;
  bool GetFill() const override { return fill_; }
  // Turns fill mode on or off; the picture name is dropped, and the frames too when on.
  void SetFill(bool on) override;
  std::int32_t GetFillColor() const override { return fill_color_; }
  void SetFillColor(std::int32_t rgb) override { fill_color_ = rgb; }
  std::int32_t GetBright() const override { return bright_; }
  // Reloads when the value changes: brightness is applied while loading.
  void SetBright(std::int32_t bright) override;
  bool GetUseCache() const override { return use_cache_; }
  void SetUseCache(bool on) override { use_cache_ = on; }
  bool HasMask() const override;
  bool GetReloadOnTransition() const override { return reload_on_transition_; }
  void SetReloadOnTransition(bool on) override { reload_on_transition_ = on; }
  Rect GetBounds() const override;
  TAttach* GetAttachment(int k) override;

  void Reload() override;
  void Unload() override { frames_.clear(); }
  void Draw(Surface& target) override;
  void DrawRect(Surface& target, const Rect& rect) override;
  void SaveToStatus(TGameStatus& status) override;
  void LoadFromStatus(TGameStatus& status) override;
  void Reset() override;
  void StampAttachment(TAttach& a) override;

  // Inspection.
  std::int32_t FillWidth() const { return fill_width_; }
  std::int32_t FillHeight() const { return fill_height_; }
  bool MultiFrame() const { return multi_frame_; }
  std::int32_t WavePhase() const { return wave_phase_; }
  const Rect& OpaqueRect() const { return opaque_rect_; }
  const Bitmap& Mask() const { return mask_; }
  const TGameDxSurface* Frame(int i) const;

 private:
  std::optional<std::filesystem::path> FindPicture(std::string_view name, DiscSearch discs) const;
  // The mask file of the current picture, when it exists (checked at each load).
  std::optional<std::filesystem::path> FindMask() const;
  std::unique_ptr<TGameDxSurface> MakeFrame(const Bitmap& bitmap, bool transparent) const;
  void ComputeOpaqueRect();
  // The frame to draw and whether to draw it with its colour key; nullptr when there is none.
  const TGameDxSurface* CurrentFrame(bool& keyed) const;
  void DrawFrame(Surface& target, std::int32_t x, std::int32_t y, const TGameDxSurface& frame, bool keyed);
  void DrawRipple(Surface& target, const TGameDxSurface& frame, bool keyed);
  // Steps the rain and snow overlays on the target; drops an overlay that has finished.
  void StepWeather(Surface& target);
  std::string Prefix() const;

  std::vector<std::unique_ptr<TGameDxSurface>> frames_;
  std::string src_;
  bool multi_frame_ = false;
  std::int32_t frame_index_ = 0;
  std::uint8_t effect_ = kNone;
  std::int32_t wave_phase_ = 0;
  // Rain (effect 3) and snow (effect 4); each lives on after its effect ends until its last
  // drop has fallen.
  std::unique_ptr<TWeatherOverlay> rain_;
  std::unique_ptr<TWeatherOverlay> snow_;
  std::int32_t fill_width_ = 0;
  std::int32_t fill_height_ = 0;
  bool fill_ = false;
  std::int32_t fill_color_ = 0;
  std::int32_t bright_ = 0;
  bool use_cache_ = false;
  bool reload_on_transition_ = false;
  Bitmap mask_;
  bool mask_file_ = false;
  Rect opaque_rect_;
  std::vector<std::unique_ptr<TAttach>> attachments_;
};

}  // namespace mavlet
