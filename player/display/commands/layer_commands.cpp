#include "player/display/commands/layer_commands.h"

#include "player/common/ascii_case.h"
#include "player/common/int_convert.h"
#include "player/common/sjis_text.h"
#include "player/display/display_services.h"
#include "player/display/game_surface.h"
#include "player/display/layer_services.h"
#include "player/display/layer_stack.h"
#include "player/display/particles/sp_effect_manager.h"
#include "player/engine/book_manager.h"
#include "player/engine/game_services.h"
#include "player/vars/param_manager.h"

namespace mavlet {

// layer, X, Y, width, height, colour, alpha, transition kind, reverse
void TComFillSfc::Parse(std::string_view args) {
  TCommand::Parse(args);
  args_.layer = CsvFieldInt(args, 2, 0);
  args_.src.clear();
  args_.x = CsvField(args, 3);
  args_.y = CsvField(args, 4);
  fill_.width = CsvField(args, 5);
  fill_.height = CsvField(args, 6);
  fill_.color = CsvFieldInt(args, 7, 0);
  args_.alpha = CsvFieldInt(args, 8, 255);
  args_.transition_kind = LowByte(CsvFieldInt(args, 9, 0));
  args_.reverse = LowByte(CsvFieldInt(args, 10, 0));
}

// layer, picture, slot, X, Y, transparent, alpha, transition kind, reverse, reload
void TComOverSfc::Parse(std::string_view args) {
  TCommand::Parse(args);
  args_.layer = CsvFieldInt(args, 2, 0);
  args_.src = CsvField(args, 3);
  over_.slot = CsvField(args, 4);
  args_.x = CsvField(args, 5);
  args_.y = CsvField(args, 6);
  args_.transparent = LowByte(CsvFieldInt(args, 7, 0));
  args_.alpha = CsvFieldInt(args, 8, 255);
  args_.transition_kind = LowByte(CsvFieldInt(args, 9, 0));
  args_.reverse = LowByte(CsvFieldInt(args, 10, 0));
  over_.reload = CsvFieldInt(args, 11, 0);
}

bool TComOverSfc::SourceIsSfcText() const { return EqualsIgnoreAsciiCase(args_.src, "@SfcText"); }

}  // namespace mavlet

// --- behaviour

namespace mavlet {

TComSurface::~TComSurface() = default;

Rect TComSurface::Apply(DisplayServices& display, TBookManager& book) {
  TCustomGameSurface* layer = display.Layer(args_.layer);
  if (layer == nullptr) return {};
  TParamManager& params = book.Params();
  Rect changed = layer->GetBounds();
  layer->SetUseCache(args_.use_cache != 0);
  layer->SetTransparent(args_.transparent != 0);
  layer->SetAlpha(args_.alpha);
  if (!args_.x.empty()) layer->SetX(params.ValueNum(args_.x));
  if (!args_.y.empty()) layer->SetY(params.ValueNum(args_.y));
  // An empty name removes the picture; only the old area is redrawn then.
  layer->SetSrc(args_.src.empty() ? std::string() : params.ValueStr(args_.src));
  if (!args_.src.empty()) changed = Union(changed, layer->GetBounds());
  return changed;
}

Rect TComFillSfc::Apply(DisplayServices& display, TBookManager& book) {
  TCustomGameSurface* layer = display.Layer(args_.layer);
  if (layer == nullptr) return {};
  TParamManager& params = book.Params();
  Rect changed = layer->LayerRect();
  layer->SetFill(true);
  if (!args_.x.empty()) layer->SetX(params.ValueNum(args_.x));
  if (!args_.y.empty()) layer->SetY(params.ValueNum(args_.y));
  const std::int32_t width = params.ValueNum(fill_.width);
  const std::int32_t height = params.ValueNum(fill_.height);
  layer->SetFillWidth(width);
  layer->SetFillHeight(height);
  layer->SetFillColor(fill_.color);
  layer->SetAlpha(args_.alpha);
  if (width != 0 && height != 0) changed = Union(changed, layer->LayerRect());
  return changed;
}

Rect TComOverSfc::Apply(DisplayServices& display, TBookManager& book) {
  TCustomGameSurface* layer = display.Layer(args_.layer);
  if (layer == nullptr) return {};
  TParamManager& params = book.Params();
  const std::int32_t k = params.ValueNum(over_.slot);
  TAttach* a = layer->GetAttachment(k);
  if (a == nullptr) return {};
  const std::string old = a->Src();
  a->SetSrc(SourceIsSfcText() ? args_.src : params.ValueStr(args_.src), layer->Owner().TextWindowSurface());
  if (!args_.x.empty()) a->X = params.ValueNum(args_.x);
  if (!args_.y.empty()) a->Y = params.ValueNum(args_.y);
  a->Transparent = args_.transparent != 0;
  a->Alpha = args_.alpha;
  if (over_.reload == 0 && (old.empty() || !a->Src().empty())) {
    if (!a->Src().empty()) {
      // Later slots are stamped again so that they stay above slot k.
      for (int j = k; j < TGameSurface::kAttachmentCount; ++j) layer->StampAttachment(*layer->GetAttachment(j));
    }
    return SaturatedBounds(std::int64_t{layer->X()} + a->X, std::int64_t{layer->Y()} + a->Y, a->Width, a->Height);
  }
  // A removed attachment can only go by rebuilding the picture from its file.
  layer->Reload();
  return layer->LayerRect();
}

void TComSurface::Prepare(GameServices& sys, TBookManager& book) {
  transition_.reset();
  DisplayServices& display = DisplayOf(sys);
  const Rect changed = Intersect(Apply(display, book), display.ScreenRect());
  if (changed.IsEmpty() || book.Terminating()) return;
  if (args_.layer == 0) {
    // A new background shows through the masks' soft edges: masked layers are rebuilt before
    // the next transition.
    for (int k = 1; k < LayerStack::kPictureLayers; ++k) {
      TCustomGameSurface* l = display.Layer(k);
      if (l->HasMask()) l->SetReloadOnTransition(true);
    }
  }
  if (args_.transition_kind != 0) {
    for (int k = 1; k < LayerStack::kPictureLayers; ++k) {
      TCustomGameSurface* l = display.Layer(k);
      if (l->GetReloadOnTransition()) l->Reload();
    }
  }
  book.StopTextSkipOnPress(sys);
  if (!book.no_paint_back) display.RedrawArea(changed);
  display.Invalidate(changed);
  if (book.SkippingText() || !display.FadeInDraw()) {
    display.Compose();
    return;
  }
  if (args_.transition_kind == 1) {
    display.Compose();
  } else if (args_.transition_kind >= 2 && args_.transition_kind <= 36) {
    transition_ = display.CreateTransition(args_.transition_kind);
    // Kinds without a transition show the change at once, as kind 1 does.
    if (!transition_) display.Compose();
  }
  if (transition_) {
    transition_->SetReverse(args_.reverse != 0);
    transition_->SetArea(display.DirtyRect());
  }
}

void TComBright::Execute(TCallManager&, GameServices& sys, TBookManager&, TStackData& pos) {
  DisplayServices& display = DisplayOf(sys);
  if (TCustomGameSurface* layer = display.Layer(args_.layer)) {
    layer->SetBright(args_.brightness);
    const Rect area = layer->LayerRect();
    display.Invalidate(area);
    display.RedrawArea(area);
    if (!IsNonStop()) display.Compose();
  }
  ++pos.Com;
}

void TComFrame::Execute(TCallManager&, GameServices& sys, TBookManager&, TStackData& pos) {
  DisplayServices& display = DisplayOf(sys);
  if (TCustomGameSurface* layer = display.Layer(args_.layer)) {
    layer->SetFrameIndex(args_.frame_index);
    display.Invalidate(layer->LayerRect());
  }
  ++pos.Com;
}

void TComFrameInc::Execute(TCallManager&, GameServices& sys, TBookManager&, TStackData& pos) {
  DisplayServices& display = DisplayOf(sys);
  TCustomGameSurface* layer = display.Layer(args_.layer);
  if (layer != nullptr && layer->GetFrameCount() > 1) {
    std::int32_t index = layer->GetFrameIndex() + 1;
    if (index >= layer->GetFrameCount()) index = 0;
    layer->SetFrameIndex(index);
    display.RedrawArea(layer->LayerRect());
    display.Invalidate(layer->LayerRect());
  }
  ++pos.Com;
}

void TComShowSfc::Execute(TCallManager&, GameServices& sys, TBookManager&, TStackData& pos) {
  DisplayServices& display = DisplayOf(sys);
  if (TCustomGameSurface* layer = display.Layer(args_.layer)) {
    layer->SetVisible(ShowsLayer());
    display.Invalidate(layer->LayerRect());
  }
  // A run of non-stop show/hide commands is presented once, by its last command.
  const bool more_follow = IsNonStop() && dynamic_cast<const TComShowSfc*>(NextCommand()) != nullptr;
  if (!more_follow) display.Compose();
  ++pos.Com;
}

void TComEffect::Execute(TCallManager&, GameServices& sys, TBookManager&, TStackData& pos) {
  DisplayServices& display = DisplayOf(sys);
  if (TCustomGameSurface* layer = display.Layer(args_.layer)) layer->SetEffect(args_.effect);
  display.InvalidateAll();
  ++pos.Com;
}

void TComEffect2::Execute(TCallManager&, GameServices& sys, TBookManager&, TStackData& pos) {
  DisplayOf(sys).SpEffects().SetParams(args_.type, args_.count, args_.base, args_.x, args_.y, args_.picture,
                                       args_.wait);
  ++pos.Com;
}

void TComSetBit::Execute(TCallManager&, GameServices& sys, TBookManager& book, TStackData& pos) {
  const std::int32_t depth = ParseIntOr(NormalizeText(book.Params().ValueStr(args_.depth)), 16);
  book.SetBitCount(depth);
  // Moved on first: a depth the display refuses is reported once, not on every step.
  ++pos.Com;
  DisplayOf(sys).SetBitCount(depth);
}

void TComSetFullScr::Execute(TCallManager&, GameServices& sys, TBookManager& book, TStackData& pos) {
  const bool on = book.Params().ValueFlag(args_.full_screen);
  // The press that led here must not be reported again; moved on first, so a failed switch
  // is reported once.
  sys.ConsumePresses();
  ++pos.Com;
  if (book.FullScreenAllowed(on)) {
    DisplayOf(sys).SetFullScreen(on);
    // The flag follows only a switch that worked.
    book.SetFullScreenOn(on);
  }
}

}  // namespace mavlet
