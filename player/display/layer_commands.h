#pragma once
// Scenario commands that change the picture layers: set, fill or stamp a picture, brightness,
// animation frames, visibility, drawing effects, particle effects, colour depth and full screen.
// Fields named "expression" stay as written: they are variables or literals evaluated when the
// command runs; the others are literal integers converted once here.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "player/backend/graphics/rect.h"
#include "player/display/screen_transition.h"
#include "player/engine/command.h"

namespace mavlet {

class DisplayServices;

// SetSfc: puts a picture on a layer. Base of FillSfc and OverSfc, which share its preparation
// and transition handling and differ in how they change the layer.
class TComSurface : public TCommand {
 public:
  using TCommand::TCommand;
  ~TComSurface() override;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComSurface"; }
  // Changes the layer, redraws the changed area and presents it (or starts its transition).
  void Prepare(GameServices& sys, TBookManager& book) override;
  // Runs the transition to its end, if one was started, then moves on.
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  std::int32_t Layer() const { return layer_; }
  // Picture name expression; empty removes the layer's picture.
  const std::string& Src() const { return src_; }
  // Position expressions; empty keeps the layer's position.
  const std::string& XExpr() const { return x_; }
  const std::string& YExpr() const { return y_; }
  std::uint8_t Transparent() const { return transparent_; }
  std::int32_t Alpha() const { return alpha_; }
  // 0 and 37 upwards: no transition; 1: present at once; 2..36: a screen transition.
  std::uint8_t TransitionKind() const { return transition_kind_; }
  std::uint8_t Reverse() const { return reverse_; }
  std::uint8_t UseCache() const { return use_cache_; }
  std::uint8_t Reserved() const { return reserved_; }
  // Shortest time between two transition steps.
  static constexpr std::uint32_t kTransitionStepMs = 11;
  // The always stream's turn between two transition steps (main stream only, never nested).
  void RunAlwaysStreamBetweenSteps(TCallManager& mgr, GameServices& sys, TBookManager& book) {
    RunAlwaysStream(mgr, sys, book);
  }

 protected:
  // Changes the layer; returns the screen area that changed (empty: nothing to show).
  virtual Rect Apply(DisplayServices& display, TBookManager& book);
  void RunTransition(TCallManager& mgr, GameServices& sys, TBookManager& book);

  std::unique_ptr<ScreenTransition> transition_;
  std::int32_t layer_ = 0;
  std::string src_;
  std::string x_;
  std::string y_;
  std::uint8_t transparent_ = 0;
  std::int32_t alpha_ = 255;
  std::uint8_t transition_kind_ = 0;
  std::uint8_t reverse_ = 0;
  std::uint8_t use_cache_ = 0;
  std::uint8_t reserved_ = 0;
};

// FillSfc: a colour rectangle instead of a picture. Src stays empty.
class TComFillSfc : public TComSurface {
 public:
  using TComSurface::TComSurface;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComFillSfc"; }

 protected:
  Rect Apply(DisplayServices& display, TBookManager& book) override;

 public:

  const std::string& WidthExpr() const { return width_; }
  const std::string& HeightExpr() const { return height_; }
  std::int32_t Color() const { return color_; }

 private:
  std::string width_;
  std::string height_;
  std::int32_t color_ = 0;
};

// OverSfc: stamps a picture into one of a layer's attachment slots.
class TComOverSfc : public TComSurface {
 public:
  using TComSurface::TComSurface;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComOverSfc"; }

 protected:
  Rect Apply(DisplayServices& display, TBookManager& book) override;

 public:

  // Source name: "@SfcText" (any case) takes the text layer's picture; anything else is an
  // expression, as for SetSfc.
  bool SourceIsSfcText() const;
  const std::string& SlotExpr() const { return slot_; }
  std::int32_t ReloadLayer() const { return reload_; }

 private:
  std::string slot_;
  std::int32_t reload_ = 0;
};

class TComBright : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComBright"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  std::int32_t Layer() const { return layer_; }
  std::int32_t Brightness() const { return brightness_; }

 private:
  std::int32_t layer_ = 0;
  std::int32_t brightness_ = 0;
};

// SetFrame: selects an animation frame (not range-checked).
class TComFrame : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComFrame"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  std::int32_t Layer() const { return layer_; }
  std::int32_t FrameIndex() const { return frame_index_; }

 private:
  std::int32_t layer_ = 0;
  std::int32_t frame_index_ = 0;
};

// IncFrame: advances a layer's animation frame, wrapping to 0.
class TComFrameInc : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComFrameInc"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  std::int32_t Layer() const { return layer_; }

 private:
  std::int32_t layer_ = 0;
};

// ShowSfc; HideSfc derives from it and is told apart by its class.
class TComShowSfc : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComShowSfc"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  std::int32_t Layer() const { return layer_; }
  // True for ShowSfc, false for HideSfc.
  virtual bool ShowsLayer() const { return true; }

 private:
  std::int32_t layer_ = 0;
};

class TComHideSfc : public TComShowSfc {
 public:
  using TComShowSfc::TComShowSfc;
  const char* ClassName() const override { return "TComHideSfc"; }
  bool ShowsLayer() const override { return false; }
};

// SetBit: display colour depth; the expression is normalised and converted when run (default 16).
class TComSetBit : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComSetBit"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  const std::string& DepthExpr() const { return depth_; }

 private:
  std::string depth_;
};

// SetFullScr: full-screen switch, a flag expression.
class TComSetFullScr : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComSetFullScr"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  const std::string& SwitchExpr() const { return switch_; }

 private:
  std::string switch_;
};

// Effect: a layer's drawing effect (0 none, 1 wave, 2 ripple, 3 rain, 4 snow, 5 shake).
class TComEffect : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComEffect"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  std::uint8_t Layer() const { return layer_; }
  std::uint8_t EffectKind() const { return effect_; }

 private:
  std::uint8_t layer_ = 0;
  std::uint8_t effect_ = 0;
};

// SpEffect: parameters for the particle-effect manager. Type 1 lets running particles finish
// and keeps the other parameters; type 0 stops and clears them.
class TComEffect2 : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComEffect2"; }

  std::int32_t Type() const { return type_; }
  std::int32_t Count() const { return count_; }
  std::int32_t Base() const { return base_; }
  std::int32_t X() const { return x_; }
  std::int32_t Y() const { return y_; }
  const std::string& Picture() const { return picture_; }
  std::int32_t Wait() const { return wait_; }

 private:
  std::int32_t type_ = 0;
  std::int32_t count_ = 0;
  std::int32_t base_ = 0;
  std::int32_t x_ = 0;
  std::int32_t y_ = 0;
  std::string picture_;
  std::int32_t wait_ = 1;
};

}  // namespace mavlet
