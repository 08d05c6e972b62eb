#include "player/display/commands/text_commands.h"

#include <algorithm>
#include <cstdio>

#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/common/int_convert.h"
#include "player/common/sjis_text.h"
#include "player/display/display_services.h"
#include "player/display/text_surface.h"
#include "player/engine/book_manager.h"
#include "player/engine/call_manager.h"
#include "player/engine/flow_commands.h"
#include "player/engine/game_services.h"
#include "player/engine/page.h"
#include "player/storage/game_status.h"
#include "player/vars/param_manager.h"
#include "player/vars/parameter.h"

namespace mavlet {

namespace {

constexpr int kMainStream = 0;
constexpr int kOnTextDisplay = 2;
constexpr int kOnWindowFull = 3;
constexpr int kOnTextEnd = 4;
constexpr int kOnTextStart = 6;
constexpr int kTextLayer = 9;

void Restart(TBookManager& book, int k) { book.StartInterrupt(k, book.IntPage(k)); }

// The display port and its text window (layer 9); MavError without a display.
TTextSurface& TextWindowOf(DisplayServices& d) {
  auto* window = dynamic_cast<TTextSurface*>(d.Layer(kTextLayer));
  if (window == nullptr) throw MavError("this player has no text window");
  return *window;
}

// Markup with the variable store's values for "\p(name)".
MarkupResult ParseWithVariables(std::vector<TCustomPmText>& tokens, std::string_view text, TBookManager& book,
                                std::int32_t colour, std::int32_t shadow) {
  MarkupVariables lookup = [&book](std::string_view name) { return book.Params().ValueStr(name); };
  MarkupOptions options;
  options.color = colour;
  options.shadow = shadow;
  options.variables = &lookup;
  return ParseMarkup(tokens, text, options);
}

}  // namespace

// --- PutText

void TComInsText::Prepare(GameServices&, TBookManager& book) {
  token_index_ = 0;
  wait_ticks_ = 0;
  waiting_ = false;
  tokens_.clear();
  book.SetTextShown(true);
}

void TComInsText::Enter(TCallManager& mgr, GameServices& sys, TBookManager& book, std::string_view resume) {
  std::string r(resume);
  start_pos_ = ParseIntOr(CutToken(r, ","), 1);
  const std::string colour = CutToken(r, ",");
  cur_color_ = ParseIntOr(colour, book.text_col);
  cur_shadow_ = ParseIntOr(r, book.text_scol);
  const bool main = mgr.Kind() == kMainStream;
  if (start_pos_ == 1 && main) {
    Restart(book, kOnTextStart);
    book.RunToEnd(book.Manager(kOnTextStart), sys, "the text-start handler (stream 6)");
  }
  // A saved or resumed position may lie outside the text (the scenario changed meanwhile).
  const auto length = static_cast<std::int32_t>(args_.text.size());
  const std::int32_t from = std::clamp(start_pos_, 1, length + 1);
  tokens_.clear();
  MarkupResult parsed;
  try {
    parsed = ParseWithVariables(tokens_, std::string_view(args_.text).substr(static_cast<std::size_t>(from - 1)), book,
                                cur_color_, cur_shadow_);
  } catch (const MavError& e) {
    throw MavError("PutText \"" + SjisToUtf8(args_.text) + "\": " + e.what());
  }
  stop_pos_ = parsed.first_call_end ? from + static_cast<std::int32_t>(*parsed.first_call_end) : length + 1;
  if (stop_pos_ > length && main) Restart(book, kOnTextEnd);
}

bool TComInsText::TypeStep(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos, Rect& dirty) {
  const TCustomPmText& t = tokens_[static_cast<std::size_t>(token_index_)];
  if (t.Code == pm::kInlineCall) {
    if (mgr.Stack().size() >= TComCall::kMaxStackDepth)
      throw MavError("PutText on page " + std::to_string(pos.Page) + " at command " + std::to_string(pos.Com) +
                     ": calls nested more than " + std::to_string(TComCall::kMaxStackDepth) + " deep");
    char resume[48];
    std::snprintf(resume, sizeof resume, "%d,%d,%d", stop_pos_, cur_color_, cur_shadow_);
    mgr.Stack().push_back(TStackData{pos.Page, pos.Com, resume});
    pos = TStackData{t.Color, 0, {}};
    return false;
  }
  DisplayServices& d = DisplayOf(sys);
  TTextSurface& window = TextWindowOf(d);
  if (window.CurRow() == 0 && window.CurCol() == 0) {
    book.text_start_pos = static_cast<std::int32_t>((static_cast<std::uint32_t>(pos.Page) << 16) |
                                                    (static_cast<std::uint32_t>(pos.Com) & 0xFFFF));
    book.text_start_token = token_index_;
  }
  cur_color_ = t.Color;
  cur_shadow_ = t.ShadowColor;
  if (window.PlaceToken(tokens_, static_cast<std::size_t>(token_index_), dirty)) {
    ++token_index_;
    return true;
  }
  Restart(book, kOnWindowFull);
  waiting_ = true;
  return false;
}

void TComInsText::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  RunAlwaysStream(mgr, sys, book);
  const bool main = mgr.Kind() == kMainStream;
  const auto count = static_cast<std::int32_t>(tokens_.size());
  if (token_index_ >= count && !waiting_) {
    if (main && !book.Manager(kOnTextEnd).Advance(sys)) return;
    if (!book.StopFrame()) ++pos.Com;
    return;
  }
  if ((token_index_ > 0 || book.NoTextWait()) && main) {
    book.RunToEnd(book.Manager(kOnTextDisplay), sys, "the text-display handler (stream 2)");
    if (book.StopFrame()) return;
  }
  if (waiting_) {
    if (main && !book.Manager(kOnWindowFull).Advance(sys)) return;
    waiting_ = false;
    return;
  }
  // Both buttons are asked, so neither press is left for the next command.
  const bool decide = sys.ClickPressed();
  const bool cancel = sys.CancelPressed();
  const bool pressed = decide || cancel;
  if (!book.NoTextWait() && wait_ticks_ >= 1 && !pressed) {
    --wait_ticks_;
    if (wait_ticks_ > 0) return;
  }
  if (book.StopFrame()) return;
  wait_ticks_ = book.text_spd;
  Rect dirty;
  while (TypeStep(mgr, sys, book, pos, dirty) && token_index_ < count &&
         (wait_ticks_ == 0 || pressed || book.NoTextWait())) {}
  DisplayServices& d = DisplayOf(sys);
  TTextSurface& window = TextWindowOf(d);
  if (book.NoTextWait() && (window.Full() || token_index_ >= count)) {
    d.Invalidate(window.LayerRect());
    d.Compose();
  } else {
    d.Invalidate(dirty);
  }
  Restart(book, kOnTextDisplay);
  if (token_index_ >= count && main) Restart(book, kOnTextEnd);
}

void TComInsText::SaveState(TCallManager& mgr, TBookManager&, GameServices&, TGameStatus& status) {
  const std::string prefix = "Int" + std::to_string(mgr.Kind());
  status.WriteInteger(prefix + "ComSvIdx", token_index_);
  status.WriteBool(prefix + "ComSvWait", waiting_);
  status.WriteInteger(prefix + "ComSvNx", start_pos_);
}

void TComInsText::LoadState(TCallManager& mgr, TBookManager& book, GameServices& sys, TGameStatus& status) {
  Prepare(sys, book);
  const std::string prefix = "Int" + std::to_string(mgr.Kind());
  token_index_ = std::max(0, status.ReadInteger(prefix + "ComSvIdx", 0));
  waiting_ = status.ReadBool(prefix + "ComSvWait", false);
  start_pos_ = status.ReadInteger(prefix + "ComSvNx", 0);
  Enter(mgr, sys, book, std::to_string(start_pos_));
}

// --- the other text commands

void TComClrText::Execute(TCallManager&, GameServices& sys, TBookManager&, TStackData& pos) {
  DisplayServices& d = DisplayOf(sys);
  TTextSurface& window = TextWindowOf(d);
  const Rect r = window.LayerRect();
  window.ClearText();
  d.Invalidate(r);
  d.Compose();
  ++pos.Com;
}

void TComTextPos::Execute(TCallManager&, GameServices& sys, TBookManager&, TStackData& pos) {
  ++pos.Com;
  DisplayServices& d = DisplayOf(sys);
  TTextSurface& window = TextWindowOf(d);
  // The emptied window's old text must not stay on the screen.
  const Rect before = window.LayerRect();
  window.SetX(args_.x);
  window.SetY(args_.y);
  window.SetCols(args_.cols);
  window.SetRows(args_.rows);
  window.SetFontSize(args_.font_size);
  window.SetBold(args_.bold);
  window.SetRowGap(args_.row_gap);
  d.RedrawArea(before);
  d.Invalidate(before);
}

void TComTextSpd::Execute(TCallManager&, GameServices&, TBookManager& book, TStackData& pos) {
  book.text_spd = book.Params().ValueNum(args_.speed);
  ++pos.Com;
}

void TComTextCol::Execute(TCallManager&, GameServices&, TBookManager& book, TStackData& pos) {
  (SetsShadow() ? book.text_scol : book.text_col) = args_.color;
  ++pos.Com;
}

void TComSetFont::Execute(TCallManager&, GameServices& sys, TBookManager& book, TStackData& pos) {
  ++pos.Com;
  book.SetFontName(book.Params().ValueStr(args_.font), sys);
  DisplayServices& d = DisplayOf(sys);
  TTextSurface& window = TextWindowOf(d);
  window.Reload();
  d.RedrawArea(window.LayerRect());
  d.Invalidate(window.LayerRect());
}

void TComInput::Prepare(GameServices&, TBookManager&) { open_ = false; }

void TComInput::Execute(TCallManager&, GameServices& sys, TBookManager& book, TStackData& pos) {
  DisplayServices& d = DisplayOf(sys);
  TTextSurface& window = TextWindowOf(d);
  // Also when the line went away meanwhile (another Input took the window's line).
  if (!open_ || window.Entry() == nullptr) {
    TextEntryStyle style;
    const std::int32_t x = args_.x.empty() ? 0 : book.Params().ValueNum(args_.x);
    const std::int32_t y = args_.y.empty() ? 0 : book.Params().ValueNum(args_.y);
    style.area = SaturatedBounds(x, y, std::max(0, args_.width), std::max(0, args_.height));
    style.font_size = args_.height;
    style.text_colour = args_.text_color;
    style.back_colour = args_.back_color;
    style.max_length = args_.max_length;
    TParameter* var = book.Params().Find(args_.var_name);
    window.OpenEntry(style, var != nullptr ? var->GetStr() : std::string());
    d.StartTextInput(window.EntryCaretBox());
    d.Invalidate(style.area);
    open_ = true;
  }
  TextEntry& entry = *window.Entry();
  const std::string text_before = entry.Text();
  const std::int32_t caret_before = entry.Caret();
  const std::string composition_before = entry.Composition();
  for (const TextInputEvent& e : d.TakeTextInput())
    if (entry.Apply(e) != TextEntry::State::kEditing) break;
  entry.SetComposition(d.TextComposition());
  const Rect area = entry.Style().area;
  if (entry.Current() == TextEntry::State::kEditing) {
    if (entry.Text() != text_before || entry.Caret() != caret_before || entry.Composition() != composition_before) {
      d.Invalidate(area);
      d.StartTextInput(window.EntryCaretBox());  // the candidate list follows the caret
    }
    return;
  }
  if (entry.Current() == TextEntry::State::kCommitted) {
    if (TParameter* var = book.Params().Find(args_.var_name)) var->SetStr(entry.Text());
  }
  window.CloseEntry();
  d.StopTextInput();
  d.Invalidate(area);
  // Return and Escape are also the decide and cancel keys: the next command must not see them.
  sys.ConsumePresses();
  open_ = false;
  ++pos.Com;
}

void TComHistoryAdd::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  RunAlwaysStream(mgr, sys, book);
  book.history.emplace_back(book.text_start_pos, book.text_start_token);
  ++pos.Com;
}

void TComHistoryClear::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  RunAlwaysStream(mgr, sys, book);
  book.history.clear();
  ++pos.Com;
}

void TComHistoryCall::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  RunAlwaysStream(mgr, sys, book);
  ++pos.Com;
  const std::int32_t k = book.Params().ValueNum(args_.index);
  // An index outside the list, a command or token that is no longer there: nothing to show.
  if (k < 0 || k >= static_cast<std::int32_t>(book.history.size())) return;
  const auto [where, token] = book.history[static_cast<std::size_t>(k)];
  const auto packed = static_cast<std::uint32_t>(where);
  TPage page(&book);
  page.LoadScenario(static_cast<std::int32_t>(packed >> 16));
  auto* put = dynamic_cast<TComInsText*>(page.At(static_cast<std::int32_t>(packed & 0xFFFF)));
  if (put == nullptr || token < 0) return;
  std::vector<TCustomPmText> tokens;
  ParseWithVariables(tokens, put->Text(), book, book.text_col, book.text_scol);
  DisplayServices& d = DisplayOf(sys);
  TTextSurface& window = TextWindowOf(d);
  Rect dirty;
  for (auto i = static_cast<std::size_t>(token); i < tokens.size(); ++i) {
    if (tokens[i].Code == pm::kInlineCall) continue;
    if (!window.PlaceToken(tokens, i, dirty)) break;
  }
  d.Invalidate(dirty);
}

void TComHistoryCall::Parse(std::string_view args) {
  SetFlags(0);
  args_.index = CsvField(args, 0);
  SetCond(CsvField(args, 1));
}

void TComHistoryAdd::Parse(std::string_view args) {
  SetFlags(0);
  SetCond(CsvField(args, 0));
}

void TComHistoryClear::Parse(std::string_view args) {
  SetFlags(0);
  SetCond(CsvField(args, 0));
}

}  // namespace mavlet
