// SelStr and SelMap at run time: opening the choice (Prepare) and one logic step of the player's
// interaction (Execute). Parsing lives in choice_commands.cpp.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "player/backend/clock.h"
#include "player/common/sjis_text.h"
#include "player/common/ticks.h"
#include "player/display/choice_services.h"
#include "player/display/commands/choice_commands.h"
#include "player/display/sel_map_surface.h"
#include "player/display/sel_str_surface.h"
#include "player/engine/book_manager.h"
#include "player/engine/call_manager.h"
#include "player/vars/param_manager.h"

namespace mavlet {
namespace {

constexpr std::uint8_t kSubScenarioKind = 7;

bool Inside(const Rect& r, Point p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// "a\nb\n" (the two characters, never inside a double-byte character) -> {"a", "b"}.
std::vector<std::string> SplitItems(const std::string& text) {
  std::vector<std::string> out;
  std::string piece;
  for (std::size_t i = 0; i < text.size();) {
    if (IsLeadByte(static_cast<std::uint8_t>(text[i])) && i + 1 < text.size()) {
      piece.append(text, i, 2);
      i += 2;
    } else if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out.push_back(std::move(piece));
      piece.clear();
      i += 2;
    } else {
      piece.push_back(text[i++]);
    }
  }
  if (!piece.empty()) out.push_back(std::move(piece));
  return out;
}

// Where the executing stream stood before a nested run; the run may load a game, reset, jump
// the main stream or close the player, and then the choice that started it is over.
struct StreamMark {
  TCallManager& mgr;
  const TCommand* command;
  std::int32_t page;
  std::int32_t com;

  StreamMark(TCallManager& m, const TCommand* c) : mgr(m), command(c), page(m.Pos().Page), com(m.Pos().Com) {}
  bool Moved(TBookManager& book) const {
    return book.Terminating() || book.StopFrame() || mgr.PendingPage() >= 0 || mgr.Pos().Page != page ||
           mgr.Pos().Com != com || mgr.Current() != command;
  }
};

// Runs (page, com) to its end on a temporary stream of kind 7. stop_on_restart: also stop as
// soon as the main stream has a pending restart.
void RunSubScenario(TBookManager& book, GameServices& sys, std::int32_t page, std::int32_t com, bool stop_on_restart,
                    const char* what) {
  if (page < 0) return;
  TCallManager sub(book, kSubScenarioKind);
  sub.Start(page, com);
  if (stop_on_restart)
    book.RunToEnd(sub, sys, what, [&book] { return book.Manager(0).PendingPage() >= 0; });
  else
    book.RunToEnd(sub, sys, what);
}

void EndFastForward(TBookManager& book) {
  if (book.SkippingText()) {
    book.SetNoTextWait(false);
    book.SetTextShown(false);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// SelStr

void TComSelStr::Prepare(GameServices& sys, TBookManager& book) {
  ChoiceServices& choices = ChoicesOf(sys);
  TSelStrSurface* layer = choices.SelStrLayer();
  if (layer == nullptr) return;
  TParamManager& params = book.Params();
  const Rect before = layer->LayerRect();

  TSelStrStyle style;
  style.Title = params.ValueStr(args_.title);
  style.TitleSize = args_.title_size;
  style.TitleBold = args_.title_bold;
  style.TitleColor = args_.title_color;
  style.TextColor = args_.text_color;
  style.FontSize = args_.font_size;
  style.Bold = args_.bold;
  style.FrameWidth = args_.frame_width;
  style.FrameColor = args_.frame_color;
  style.BackStyle = args_.back_style;
  style.BackColor = args_.back_color;
  style.HighlightStyle = args_.highlight_style;
  style.HighlightColor = args_.highlight_color;
  style.Rows = args_.rows;
  style.ListMode = args_.list_mode;
  style.ScrollBackColor = args_.scroll_back_color;
  style.ThumbColor = args_.thumb_color;
  style.ScrollFrameWidth = args_.scroll_frame_width;
  style.ScrollFrameColor = args_.scroll_frame_color;
  style.ScrollBackStyle = args_.scroll_back_style;
  layer->SetX(args_.x.empty() ? 0 : params.ValueNum(args_.x));
  layer->SetY(args_.y.empty() ? 0 : params.ValueNum(args_.y));

  std::vector<TSelStrEntry> entries;
  for (const TSelStrItem& item : args_.items) {
    const TSelStrEntry base{{}, item.Target.Page, item.Target.Com, item.Call};
    if (!item.Text.empty() && item.Text[0] == '@') {
      for (std::string& piece : SplitItems(params.ValueStr(item.Text))) {
        TSelStrEntry e = base;
        e.Text = std::move(piece);
        entries.push_back(std::move(e));
      }
    } else {
      TSelStrEntry e = base;
      e.Text = params.ValueStr(item.Text);
      entries.push_back(std::move(e));
    }
  }
  layer->ClearItems();
  layer->SetStyle(std::move(style));
  layer->SetItems(std::move(entries));
  // A top row outside the list would draw rows outside the window: pulled into range.
  layer->SetTop(args_.top.empty() ? 0 : params.ValueNum(args_.top));
  layer->KeepTopInRange();
  layer->Select(-1);
  choices.Invalidate(Union(before, layer->LayerRect()));

  first_step_ = true;
  last_mouse_x_ = -1;
  last_mouse_y_ = -1;
  scroll_state_ = kIdle;
  EndFastForward(book);
}

void TComSelStr::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  RunAlwaysStream(mgr, sys, book);
  ChoiceServices& choices = ChoicesOf(sys);
  TSelStrSurface* layer = choices.SelStrLayer();
  if (layer == nullptr) {
    ++pos.Com;
    return;
  }
  const bool decide = choices.ClickPressed();
  const bool cancel = choices.CancelPressed();
  const Point mouse = choices.MousePos();
  const std::int32_t n = layer->Count();
  const std::int32_t rows = layer->RowCount();
  const std::uint32_t now = book.GetClock().NowMs();
  auto show = [&] { choices.Invalidate(layer->LayerRect()); };

  // 2. A scroll bar action in progress.
  if (scroll_state_ == kDragging) {
    if (!choices.ClickHeld()) {
      scroll_state_ = kIdle;
    } else {
      const std::int32_t top = layer->TopForThumbCentre(mouse.y - drag_offset_);
      if (top != layer->Top()) {
        layer->SetTop(top);
        show();
      }
    }
    return;
  }
  if (scroll_state_ != kIdle) {
    if (!choices.ClickHeld()) {
      scroll_state_ = kIdle;
      return;
    }
    // Measured from the last repeat, so a late step does not bunch repeats up.
    if (TicksSince(now, repeat_start_) >= repeat_delay_) {
      const Rect thumb = layer->ThumbRect();
      const Rect column = layer->ScrollColumn();
      const bool on_track = Inside(column, mouse) && !Inside(layer->UpBox(), mouse) && !Inside(layer->DownBox(), mouse);
      std::int32_t top = layer->Top();
      if (scroll_state_ == kPageUp && on_track && mouse.y < thumb.top) top -= rows;
      if (scroll_state_ == kPageDown && on_track && mouse.y >= thumb.bottom) top += rows;
      if (scroll_state_ == kLineUp && Inside(layer->UpBox(), mouse) && top > 0) --top;
      if (scroll_state_ == kLineDown && Inside(layer->DownBox(), mouse) && top < layer->MaxTop()) ++top;
      layer->SetTop(top);
      layer->KeepTopInRange();
      show();
      repeat_start_ = now;
      repeat_delay_ = kRepeatMs;
    }
    return;
  }

  // 3. A press on the scroll bar.
  if (decide && layer->HasScrollBar() && Inside(layer->ScrollColumn(), mouse)) {
    const Rect thumb = layer->ThumbRect();
    std::int32_t top = layer->Top();
    if (Inside(thumb, mouse)) {
      scroll_state_ = kDragging;
      drag_offset_ = mouse.y - (thumb.top + 8);
    } else if (Inside(layer->UpBox(), mouse)) {
      if (top >= 1) {
        --top;
        scroll_state_ = kLineUp;
      }
    } else if (Inside(layer->DownBox(), mouse)) {
      if (top < layer->MaxTop()) {
        ++top;
        scroll_state_ = kLineDown;
      }
    } else if (mouse.y >= thumb.top) {
      top += rows;
      scroll_state_ = kPageDown;
    } else {
      top -= rows;
      scroll_state_ = kPageUp;
    }
    layer->SetTop(top);
    layer->KeepTopInRange();
    show();
    repeat_start_ = now;
    repeat_delay_ = kFirstRepeatMs;
    // The press belongs to the scroll bar: no hover, no choice in this step.
    last_mouse_x_ = mouse.x;
    last_mouse_y_ = mouse.y;
    return;
  }

  // 4. Keys and pad, then list keys and the wheel; a reported key ends the step.
  const std::int32_t selected = layer->Selected();
  const bool list = layer->Style().ListMode != 0;
  const bool scroll_bar = layer->HasScrollBar();
  std::int32_t target = -2;  // none
  static constexpr std::int32_t kDirectionDelta[4] = {-1, 1, 0, 0};
  for (int d = 0; d < 4 && target == -2; ++d) {
    if (!choices.DirectionPressed(d)) continue;
    const std::int32_t delta = d < 2 ? kDirectionDelta[d] : (d == 2 ? -rows : rows);
    target = (list && scroll_bar && selected < 0) ? layer->Top() : selected + delta;
  }
  if (target == -2 && list) {
    const std::int32_t from = selected < 0 ? layer->Top() : selected;
    if (choices.NavigationPressed(NavigationKey::kHome))
      target = 0;
    else if (choices.NavigationPressed(NavigationKey::kEnd))
      target = n - 1;
    else if (choices.NavigationPressed(NavigationKey::kPageUp))
      target = std::max(0, from - rows);
    else if (choices.NavigationPressed(NavigationKey::kPageDown))
      target = std::min(n - 1, from + rows);
  }
  if (target != -2) {
    if (target >= 0 && target < n) {
      layer->Select(target);
      show();
    }
    return;
  }
  if (const int wheel = choices.WheelSteps(); wheel != 0 && n > 0) {
    if (list) {
      layer->SetTop(layer->Top() - wheel * kWheelRows);
      layer->KeepTopInRange();
      // The item under the mouse changes with the rows.
      last_mouse_x_ = -1;
      last_mouse_y_ = -1;
    } else {
      // From no selection the first notch down selects the first item, the first up the last.
      const std::int32_t from = selected >= 0 ? selected : (wheel < 0 ? -1 : n);
      const std::int32_t next = std::clamp(from - wheel, 0, n - 1);
      layer->Select(next);
      last_mouse_x_ = mouse.x;
      last_mouse_y_ = mouse.y;
    }
    show();
    return;
  }

  // 5. Hover, only when the mouse moved.
  if (mouse.x != last_mouse_x_ || mouse.y != last_mouse_y_) {
    last_mouse_x_ = mouse.x;
    last_mouse_y_ = mouse.y;
    const std::int32_t hit = layer->ItemAt(mouse.x, mouse.y);
    if (hit != layer->Selected()) {
      layer->Select(hit);
      show();
    }
  }

  // 6. The first step: a press still reported from before the choice opened is not a choice.
  if (first_step_) {
    if (!decide && !cancel) first_step_ = false;
    return;
  }

  // 7. Choosing.
  const std::int32_t chosen = layer->Selected();
  if (chosen >= 0 && chosen < n && decide) {
    const TSelStrEntry item = layer->Items()[static_cast<std::size_t>(chosen)];
    if (item.Page < 0) return;
    choices.SetLastChoice(item.Text, chosen);
    if (item.CallFlag != 0) {
      const StreamMark mark(mgr, this);
      RunSubScenario(book, sys, item.Page, item.Com, false, "a choice's call item");
      if (mark.Moved(book)) return;
      // The sub-scenario may have drawn over the window.
      show();
      return;
    }
    pos.Page = item.Page;
    pos.Com = item.Com;
    const Rect area = layer->LayerRect();
    layer->ClearItems();
    choices.Invalidate(area);
    choices.Compose();
    return;
  }

  // 8. Cancelling (or nothing to choose from): on to the next command, when there is one.
  if ((cancel || n == 0) && NextCommand() != nullptr) {
    const Rect area = layer->LayerRect();
    layer->ClearItems();
    choices.Invalidate(area);
    choices.Compose();
    ++pos.Com;
  }
}

// ---------------------------------------------------------------------------------------------
// SelMap

void TComSelMap::Prepare(GameServices& sys, TBookManager& book) {
  ChoiceServices& choices = ChoicesOf(sys);
  TSelMapSurface* layer = choices.SelMapLayer();
  if (layer == nullptr) return;
  std::vector<TSelMapRgn> regions;
  regions.reserve(args_.regions.size());
  for (const SelMapRegionDef& def : args_.regions) regions.push_back(TSelMapRgn::FromDef(def));
  layer->SetRegions(std::move(regions));
  layer->SetSrc(args_.picture);
  layer->SetHighlighted(-1);
  first_step_ = true;
  EndFastForward(book);
}

void TComSelMap::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  RunAlwaysStream(mgr, sys, book);
  ChoiceServices& choices = ChoicesOf(sys);
  TSelMapSurface* layer = choices.SelMapLayer();
  if (layer == nullptr) {
    ++pos.Com;
    return;
  }
  const bool decide = choices.ClickPressed();
  const bool cancel = choices.CancelPressed();
  const Point mouse = choices.MousePos();
  const std::int32_t hit = layer->RegionAt(mouse.x, mouse.y);

  if (hit != layer->Highlighted()) {
    const std::int32_t old = layer->Highlighted();
    layer->SetHighlighted(hit);
    if (!args_.picture.empty()) choices.Invalidate(layer->LayerRect());
    const StreamMark mark(mgr, this);
    // Copies: an action may replace the regions (a nested SelMap).
    const std::vector<TSelMapRgn> regions = layer->Regions();
    auto run = [&](std::int32_t index, int action) {
      if (index < 0 || static_cast<std::size_t>(index) >= regions.size()) return;
      const TSelMapRgn& r = regions[static_cast<std::size_t>(index)];
      choices.SetLastChoiceIndex(index);
      RunSubScenario(book, sys, r.Pages[static_cast<std::size_t>(action)], r.Coms[static_cast<std::size_t>(action)],
                     true,
                     action == TSelMapRgn::kEnter ? "a map region's enter action" : "a map region's leave action");
    };
    run(old, TSelMapRgn::kLeave);
    if (mark.Moved(book)) return;
    run(hit, TSelMapRgn::kEnter);
    if (mark.Moved(book)) return;
  }

  if (first_step_) {
    if (!decide && !cancel) first_step_ = false;
    return;
  }

  choices.SetLastChoiceIndex(hit);
  if (hit >= 0 && decide) {
    const TSelMapRgn& r = layer->Regions()[static_cast<std::size_t>(hit)];
    // A region without a decide target (hover only) cannot be chosen, as an item without one.
    if (r.Pages[TSelMapRgn::kDecide] < 0) return;
    pos.Page = r.Pages[TSelMapRgn::kDecide];
    pos.Com = r.Coms[TSelMapRgn::kDecide];
    layer->ClearRegions();
    layer->SetHighlighted(-1);
    choices.Invalidate(layer->LayerRect());
    return;
  }
  if (cancel && NextCommand() != nullptr) {
    layer->ClearRegions();
    layer->SetHighlighted(-1);
    choices.Invalidate(layer->LayerRect());
    ++pos.Com;
  }
}

}  // namespace mavlet
