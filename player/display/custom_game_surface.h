#pragma once
// Base of the twelve display layers: position, visibility, opacity, and the operations every
// layer answers (most do nothing here; the picture layer, text window and choices override).
#include <climits>
#include <cstdint>
#include <string>
#include <string_view>

#include "player/backend/graphics/rect.h"

namespace mavlet {

// Rectangles from layer positions saturate at the 32-bit limits: scenarios and saved games may
// hold any position, and adding a size to it must not overflow.
constexpr std::int32_t SaturateToInt32(std::int64_t v) {
  return static_cast<std::int32_t>(v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : v));
}
constexpr Rect SaturatedRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
  return Rect{SaturateToInt32(left), SaturateToInt32(top), SaturateToInt32(right), SaturateToInt32(bottom)};
}
constexpr Rect SaturatedBounds(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) {
  return SaturatedRect(x, y, x + w, y + h);
}

class LayerServices;
class Surface;
class TAttach;
class TGameStatus;

class TCustomGameSurface {
 public:
  explicit TCustomGameSurface(LayerServices& owner) : owner_(owner) {}
  virtual ~TCustomGameSurface() = default;
  TCustomGameSurface(const TCustomGameSurface&) = delete;
  TCustomGameSurface& operator=(const TCustomGameSurface&) = delete;

  LayerServices& Owner() const { return owner_; }

  virtual void SetX(std::int32_t x) { x_ = x; }
  virtual void SetY(std::int32_t y) { y_ = y; }
  std::int32_t X() const { return x_; }
  std::int32_t Y() const { return y_; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on) { transparent_ = on; }
  std::int32_t Alpha() const { return alpha_; }
  void SetAlpha(std::int32_t alpha) { alpha_ = alpha; }
  bool Visible() const { return visible_; }
  void SetVisible(bool on) { visible_ = on; }

  virtual std::int32_t GetWidth() const { return 0; }
  virtual std::int32_t GetHeight() const { return 0; }
  virtual void SetFillWidth(std::int32_t) {}
  virtual void SetFillHeight(std::int32_t) {}
  virtual std::string GetSrc() const { return {}; }
  virtual void SetSrc(std::string_view) {}
  virtual std::int32_t GetFrameCount() const { return 0; }
  virtual std::int32_t GetFrameIndex() const { return 0; }
  virtual void SetFrameIndex(std::int32_t) {}
  virtual int GetEffect() const { return 0; }
  virtual void SetEffect(int) {}
  virtual bool GetFill() const { return false; }
  virtual void SetFill(bool) {}
  virtual std::int32_t GetFillColor() const { return 0; }
  virtual void SetFillColor(std::int32_t) {}
  virtual std::int32_t GetBright() const { return 0; }
  virtual void SetBright(std::int32_t) {}
  virtual bool GetUseCache() const { return false; }
  virtual void SetUseCache(bool) {}
  virtual bool HasMask() const { return false; }
  virtual bool GetReloadOnTransition() const { return false; }
  virtual void SetReloadOnTransition(bool) {}
  // Screen rectangle the layer covers; the picture layer narrows it to its opaque part.
  virtual Rect GetBounds() const { return LayerRect(); }
  virtual std::string GetText() const { return {}; }
  virtual void SetText(std::string_view) {}
  // Slot k (0..19), nullptr outside that range or for layers without attachments.
  virtual TAttach* GetAttachment(int) { return nullptr; }

  virtual void Reload() {}
  virtual void Unload() {}
  // Whole layer onto the target (the back picture), stepping its effect.
  virtual void Draw(Surface&) {}
  // The part inside rect, without effects.
  virtual void DrawRect(Surface&, const Rect&) {}
  virtual void SaveToStatus(TGameStatus&) {}
  virtual void LoadFromStatus(TGameStatus&) {}
  // The defaults scenarios rely on: position 0,0, opaque, shown, no colour key.
  virtual void Reset();
  virtual void StampAttachment(TAttach&) {}

  // Bounds(X, Y, GetWidth, GetHeight).
  Rect LayerRect() const { return SaturatedBounds(x_, y_, GetWidth(), GetHeight()); }

 private:
  LayerServices& owner_;
  std::int32_t x_ = 0;
  std::int32_t y_ = 0;
  bool transparent_ = false;
  std::int32_t alpha_ = 0;  // Reset makes it 255
  bool visible_ = true;
};

}  // namespace mavlet
