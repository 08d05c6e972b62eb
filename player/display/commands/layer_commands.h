#pragma once
// Scenario commands that change the picture layers: set, fill or stamp a picture, brightness,
// animation frames, visibility, drawing effects, particle effects, colour depth and full screen.
// Each command parses its line into a plain Args struct (compared with ==). Fields named
// "expression" stay as written: they are variables or literals evaluated when the command runs;
// the others are literal integers converted once here.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "player/backend/graphics/rect.h"
#include "player/display/screen_transition.h"
#include "player/engine/keyword_command.h"

namespace mavlet {

class DisplayServices;

struct SetSfcArgs {
  std::int32_t layer = 0;
  std::string src;  // picture name expression; empty removes the layer's picture
  std::string x;    // position expressions; empty keeps the layer's position
  std::string y;
  std::uint8_t transparent = 0;
  std::int32_t alpha = 255;
  // 0 and 37 upwards: no transition; 1: present at once; 2..36: a screen transition.
  std::uint8_t transition_kind = 0;
  std::uint8_t reverse = 0;
  std::uint8_t use_cache = 0;
  std::uint8_t reserved = 0;
  bool operator==(const SetSfcArgs&) const = default;
};

// SetSfc: puts a picture on a layer. Base of FillSfc and OverSfc, which share its preparation
// and transition handling and differ in how they change the layer.
class TComSurface
    : public TArgsCommand<KeywordIndex("SetSfc"), SetSfcArgs, &SetSfcArgs::layer, &SetSfcArgs::src, &SetSfcArgs::x,
                          &SetSfcArgs::y, &SetSfcArgs::transparent, &SetSfcArgs::alpha, &SetSfcArgs::transition_kind,
                          &SetSfcArgs::reverse, &SetSfcArgs::use_cache, &SetSfcArgs::reserved> {
 public:
  using TArgsCommand::TArgsCommand;
  ~TComSurface() override;
  // Changes the layer, redraws the changed area and presents it (or starts its transition).
  void Prepare(GameServices& sys, TBookManager& book) override;
  // Runs the transition to its end, if one was started, then moves on.
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

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
};

// FillSfc: a colour rectangle instead of a picture. Src stays empty.
class TComFillSfc : public TKeywordCommand<KeywordIndex("FillSfc"), TComSurface> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Parse(std::string_view args) override;

  // The fields beyond the shared surface ones.
  struct FillArgs {
    std::string width;  // size expressions
    std::string height;
    std::int32_t color = 0;
    bool operator==(const FillArgs&) const = default;
  };
  const FillArgs& fill_args() const { return fill_; }

 protected:
  Rect Apply(DisplayServices& display, TBookManager& book) override;

 private:
  FillArgs fill_;
};

// OverSfc: stamps a picture into one of a layer's attachment slots.
class TComOverSfc : public TKeywordCommand<KeywordIndex("OverSfc"), TComSurface> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Parse(std::string_view args) override;

  // Source name: "@SfcText" (any case) takes the text layer's picture; anything else is an
  // expression, as for SetSfc.
  bool SourceIsSfcText() const;

  // The fields beyond the shared surface ones.
  struct OverArgs {
    std::string slot;  // attachment slot expression
    std::int32_t reload = 0;
    bool operator==(const OverArgs&) const = default;
  };
  const OverArgs& over_args() const { return over_; }

 protected:
  Rect Apply(DisplayServices& display, TBookManager& book) override;

 private:
  OverArgs over_;
};

struct BrightArgs {
  std::int32_t layer = 0;
  std::int32_t brightness = 0;
  bool operator==(const BrightArgs&) const = default;
};

class TComBright
    : public TArgsCommand<KeywordIndex("Bright"), BrightArgs, &BrightArgs::layer, &BrightArgs::brightness> {
 public:
  using TArgsCommand::TArgsCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

struct SetFrameArgs {
  std::int32_t layer = 0;
  std::int32_t frame_index = 0;
  bool operator==(const SetFrameArgs&) const = default;
};

// SetFrame: selects an animation frame (not range-checked).
class TComFrame
    : public TArgsCommand<KeywordIndex("SetFrame"), SetFrameArgs, &SetFrameArgs::layer, &SetFrameArgs::frame_index> {
 public:
  using TArgsCommand::TArgsCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

struct IncFrameArgs {
  std::int32_t layer = 0;
  bool operator==(const IncFrameArgs&) const = default;
};

// IncFrame: advances a layer's animation frame, wrapping to 0.
class TComFrameInc : public TArgsCommand<KeywordIndex("IncFrame"), IncFrameArgs, &IncFrameArgs::layer> {
 public:
  using TArgsCommand::TArgsCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

struct ShowSfcArgs {
  std::int32_t layer = 0;
  bool operator==(const ShowSfcArgs&) const = default;
};

// ShowSfc; HideSfc derives from it and is told apart by its class.
class TComShowSfc : public TArgsCommand<KeywordIndex("ShowSfc"), ShowSfcArgs, &ShowSfcArgs::layer> {
 public:
  using TArgsCommand::TArgsCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  // True for ShowSfc, false for HideSfc.
  virtual bool ShowsLayer() const { return true; }
};

class TComHideSfc : public TKeywordCommand<KeywordIndex("HideSfc"), TComShowSfc> {
 public:
  using TKeywordCommand::TKeywordCommand;
  bool ShowsLayer() const override { return false; }
};

struct SetBitArgs {
  std::string depth;  // expression
  bool operator==(const SetBitArgs&) const = default;
};

// SetBit: display colour depth; the expression is normalised and converted when run (default 16).
class TComSetBit : public TArgsCommand<KeywordIndex("SetBit"), SetBitArgs, &SetBitArgs::depth> {
 public:
  using TArgsCommand::TArgsCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

struct SetFullScrArgs {
  std::string full_screen;  // flag expression
  bool operator==(const SetFullScrArgs&) const = default;
};

// SetFullScr: full-screen switch, a flag expression.
class TComSetFullScr : public TArgsCommand<KeywordIndex("SetFullScr"), SetFullScrArgs, &SetFullScrArgs::full_screen> {
 public:
  using TArgsCommand::TArgsCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

struct EffectArgs {
  std::uint8_t layer = 0;
  std::uint8_t effect = 0;
  bool operator==(const EffectArgs&) const = default;
};

// Effect: a layer's drawing effect (0 none, 1 wave, 2 ripple, 3 rain, 4 snow, 5 shake).
class TComEffect : public TArgsCommand<KeywordIndex("Effect"), EffectArgs, &EffectArgs::layer, &EffectArgs::effect> {
 public:
  using TArgsCommand::TArgsCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

struct SpEffectArgs {
  std::int32_t type = 0;
  std::int32_t count = 0;
  std::int32_t base = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::string picture;
  std::int32_t wait = 1;
  bool operator==(const SpEffectArgs&) const = default;
};

// SpEffect: parameters for the particle-effect manager. Type 1 lets running particles finish
// and keeps the other parameters; type 0 stops and clears them.
class TComEffect2 : public TArgsCommand<KeywordIndex("SpEffect"), SpEffectArgs, &SpEffectArgs::type,
                                        &SpEffectArgs::count, &SpEffectArgs::base, &SpEffectArgs::x, &SpEffectArgs::y,
                                        &SpEffectArgs::picture, &SpEffectArgs::wait> {
 public:
  using TArgsCommand::TArgsCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

}  // namespace mavlet
