#include "player/display/sel_str_surface.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "player/backend/glyph_source.h"
#include "player/backend/graphics/glyph_blend.h"
#include "player/backend/graphics/surface.h"
#include "player/common/encoding.h"
#include "player/common/sjis_text.h"

namespace mavlet {
namespace {

// The Unicode character of one Shift-JIS character (1 or 2 bytes); U+FFFD when it has none.
char32_t CodePointOf(std::string_view sjis_char, std::unordered_map<std::uint16_t, char32_t>& cache) {
  std::uint16_t code = static_cast<unsigned char>(sjis_char[0]);
  if (sjis_char.size() > 1) code = static_cast<std::uint16_t>(code << 8 | static_cast<unsigned char>(sjis_char[1]));
  auto it = cache.find(code);
  if (it != cache.end()) return it->second;
  char32_t cp = FirstUtf8Char(SjisToUtf8(sjis_char)).cp;
  if (cp == 0) cp = 0xFFFD;
  if (cache.size() < 20000) cache.emplace(code, cp);
  return cp;
}

std::int32_t ByteLength(const std::string& s) {
  return static_cast<std::int32_t>(std::min<std::size_t>(s.size(), 1u << 24));
}

// Rounded half away from zero; den > 0.
std::int64_t RoundDiv(std::int64_t num, std::int64_t den) {
  return num >= 0 ? (2 * num + den) / (2 * den) : -((-2 * num + den) / (2 * den));
}

}  // namespace

void FillClipped(Surface& target, const Rect& clip, const Rect& rect, std::int32_t rgb, int alpha) {
  const Rect r = Intersect(clip, rect);
  if (r.IsEmpty() || alpha <= 0) return;
  if (alpha >= 255)
    target.FillRect(r, target.DeviceColour(rgb));
  else
    target.BlendColour(r, rgb, alpha);
}

void FrameClipped(Surface& target, const Rect& clip, const Rect& rect, std::int32_t width, std::int32_t rgb,
                  int alpha) {
  if (width <= 0 || rect.IsEmpty()) return;
  const std::int32_t w = std::min({width, (rect.Width() + 1) / 2, (rect.Height() + 1) / 2});
  FillClipped(target, clip, Rect{rect.left, rect.top, rect.right, rect.top + w}, rgb, alpha);
  FillClipped(target, clip, Rect{rect.left, rect.bottom - w, rect.right, rect.bottom}, rgb, alpha);
  FillClipped(target, clip, Rect{rect.left, rect.top + w, rect.left + w, rect.bottom - w}, rgb, alpha);
  FillClipped(target, clip, Rect{rect.right - w, rect.top + w, rect.right, rect.bottom - w}, rgb, alpha);
}

TSelStrSurface::TSelStrSurface(LayerServices& owner, ChoiceTextServices& text)
    : TCustomGameSurface(owner), text_(text) {}

TSelStrSurface::~TSelStrSurface() = default;

void TSelStrSurface::SetStyle(TSelStrStyle style) {
  style.FontSize = std::clamp(style.FontSize, 0, kMaxFontSize);
  style.TitleSize = std::clamp(style.TitleSize, 0, kMaxFontSize);
  style.FrameWidth = std::clamp(style.FrameWidth, 0, kMaxFrameWidth);
  style.ScrollFrameWidth = std::clamp(style.ScrollFrameWidth, 0, kMaxFrameWidth);
  style.Rows = std::clamp(style.Rows, 1, kMaxRows);
  style_ = std::move(style);
  SetItems(std::move(items_));
}

void TSelStrSurface::SetItems(std::vector<TSelStrEntry> items) {
  items_ = std::move(items);
  const std::int32_t columns = Columns();
  widths_.assign(static_cast<std::size_t>(columns), 0);
  const std::int64_t title_part =
      columns > 0 ? (static_cast<std::int64_t>(ByteLength(style_.Title)) * style_.TitleSize / 2 + 16) / columns : 0;
  for (std::int32_t c = 0; c < columns; ++c) {
    std::int32_t longest = 0;
    const std::int32_t first = style_.ListMode != 0 ? 0 : c * style_.Rows;
    const std::int32_t last = style_.ListMode != 0 ? Count() : std::min<std::int64_t>(Count(), static_cast<std::int64_t>(first) + style_.Rows);
    for (std::int32_t i = first; i < last; ++i)
      longest = std::max(longest, ByteLength(items_[static_cast<std::size_t>(i)].Text));
    const std::int64_t own = static_cast<std::int64_t>(style_.FontSize) * longest / 2 + 16;
    widths_[static_cast<std::size_t>(c)] = SaturateToInt32(std::max(own, title_part));
  }
  if (selected_ >= Count()) selected_ = -1;
}

void TSelStrSurface::ClearItems() {
  SetItems({});
  selected_ = -1;
}

void TSelStrSurface::Reset() {
  TCustomGameSurface::Reset();
  ClearItems();
  top_ = 0;
}

std::int32_t TSelStrSurface::MaxTop() const { return std::max(0, Count() - style_.Rows); }

void TSelStrSurface::KeepTopInRange() { top_ = std::clamp(top_, 0, MaxTop()); }

void TSelStrSurface::Select(std::int32_t i) {
  selected_ = i;
  if (i < 0 || ItemVisible(i)) return;
  if (i >= top_)
    top_ = i - style_.Rows + 1;
  else
    top_ = i;
}

std::int32_t TSelStrSurface::Columns() const {
  if (style_.ListMode != 0) return items_.empty() ? 0 : 1;
  return static_cast<std::int32_t>((static_cast<std::int64_t>(Count()) + style_.Rows - 1) / style_.Rows);
}

std::int32_t TSelStrSurface::ColumnWidth(std::int32_t c) const {
  if (c < 0 || c >= static_cast<std::int32_t>(widths_.size())) return 0;
  return widths_[static_cast<std::size_t>(c)];
}

bool TSelStrSurface::HasScrollBar() const { return style_.ListMode != 0 && Count() > style_.Rows; }

std::int32_t TSelStrSurface::GetWidth() const {
  std::int64_t w = 2 * static_cast<std::int64_t>(style_.FrameWidth);
  for (std::int32_t c : widths_) w += c;
  if (HasScrollBar()) w += kScrollWidth;
  return SaturateToInt32(w);
}

std::int32_t TSelStrSurface::GetHeight() const {
  const std::int64_t rows = std::min(Count(), style_.Rows);
  return SaturateToInt32(2 * static_cast<std::int64_t>(style_.FrameWidth) + rows * ItemHeight() + TitleHeight());
}

Rect TSelStrSurface::ItemRect(std::int32_t i) const {
  if (i < 0 || i >= Count()) return {};
  const std::int64_t m = style_.FrameWidth;
  const std::int64_t h = ItemHeight();
  const std::int64_t top = static_cast<std::int64_t>(Y()) + m + TitleHeight();
  if (style_.ListMode != 0)
    return SaturatedBounds(static_cast<std::int64_t>(X()) + m, top + (static_cast<std::int64_t>(i) - top_) * h,
                           ColumnWidth(0), h);
  const std::int32_t column = i / style_.Rows;
  std::int64_t left = static_cast<std::int64_t>(X()) + m;
  for (std::int32_t c = 0; c < column; ++c) left += ColumnWidth(c);
  return SaturatedBounds(left, top + static_cast<std::int64_t>(i % style_.Rows) * h, ColumnWidth(column), h);
}

bool TSelStrSurface::ItemVisible(std::int32_t i) const {
  if (style_.ListMode == 0) return true;
  return top_ <= i && static_cast<std::int64_t>(i) < static_cast<std::int64_t>(top_) + style_.Rows;
}

std::int32_t TSelStrSurface::ItemAt(std::int32_t x, std::int32_t y) const {
  const std::int32_t n = Count();
  std::int32_t first = 0, last = n;
  if (style_.ListMode != 0) {
    first = std::clamp(top_, 0, n);
    last = static_cast<std::int32_t>(std::clamp<std::int64_t>(static_cast<std::int64_t>(top_) + style_.Rows, 0, n));
  }
  for (std::int32_t i = first; i < last; ++i) {
    const Rect r = ItemRect(i);
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return i;
  }
  return -1;
}

Rect TSelStrSurface::ScrollColumn() const {
  if (!HasScrollBar()) return {};
  const std::int64_t m = style_.FrameWidth;
  return SaturatedBounds(static_cast<std::int64_t>(X()) + GetWidth() - m - kScrollWidth,
                         static_cast<std::int64_t>(Y()) + m, kScrollWidth, static_cast<std::int64_t>(GetHeight()) - 2 * m);
}

Rect TSelStrSurface::UpBox() const {
  const Rect c = ScrollColumn();
  if (c.IsEmpty()) return {};
  return Rect{c.left, c.top, c.right, std::min(c.bottom, c.top + kScrollWidth)};
}

Rect TSelStrSurface::DownBox() const {
  const Rect c = ScrollColumn();
  if (c.IsEmpty()) return {};
  return Rect{c.left, std::max(c.top, c.bottom - kScrollWidth), c.right, c.bottom};
}

std::int32_t TSelStrSurface::ThumbTravel() const {
  return SaturateToInt32(static_cast<std::int64_t>(GetHeight()) - 2 * static_cast<std::int64_t>(style_.FrameWidth) -
                         2 * static_cast<std::int64_t>(style_.ScrollFrameWidth) - 48);
}

Rect TSelStrSurface::ThumbRect() const {
  const Rect c = ScrollColumn();
  if (c.IsEmpty()) return {};
  std::int64_t y = static_cast<std::int64_t>(c.top) + style_.ScrollFrameWidth + kScrollWidth;
  const std::int32_t span = Count() - style_.Rows;
  if (span >= 1) y += static_cast<std::int64_t>(ThumbTravel()) * top_ / span;
  return SaturatedBounds(c.left, y, kScrollWidth, kScrollWidth);
}

std::int32_t TSelStrSurface::TopForThumbCentre(std::int32_t y) const {
  const std::int64_t travel = ThumbTravel();
  if (travel <= 0) return 0;
  const std::int64_t offset = static_cast<std::int64_t>(y) - Y() - style_.FrameWidth - style_.ScrollFrameWidth - 24;
  const std::int64_t top = RoundDiv(offset * MaxTop(), travel);
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(top, 0, MaxTop()));
}

void TSelStrSurface::Draw(Surface& target) { Paint(target, LayerRect()); }

void TSelStrSurface::DrawRect(Surface& target, const Rect& rect) { Paint(target, Intersect(rect, LayerRect())); }

void TSelStrSurface::Paint(Surface& target, const Rect& clip_in) {
  if (!Visible() || items_.empty()) return;
  const Rect clip = Intersect(clip_in, target.bounds());
  if (clip.IsEmpty()) return;
  const TSelStrStyle& s = style_;
  const Rect layer = LayerRect();
  const std::int32_t m = s.FrameWidth;
  const int frame_alpha = s.BackStyle == 2 ? kTranslucent : 255;

  // 1. Frame.
  FrameClipped(target, clip, layer, m, s.FrameColor, frame_alpha);

  // 2. Background and filled highlight; the highlight box belongs to the background, so a
  // window without one (BackStyle 0) shows no box under the selected item.
  if (s.BackStyle == 1 || s.BackStyle == 2) {
    Rect inside{layer.left + m, layer.top + m, layer.right - m, layer.bottom - m};
    if (HasScrollBar()) inside.right -= kScrollWidth;
    FillClipped(target, clip, inside, s.BackColor, frame_alpha);
    if (selected_ >= 0 && (s.HighlightStyle == 2 || s.HighlightStyle == 3) && ItemVisible(selected_))
      FillClipped(target, clip, ItemRect(selected_), s.HighlightColor, frame_alpha);
  }

  // 3. Scroll bar.
  if (HasScrollBar()) {
    const Rect column = ScrollColumn();
    const std::int32_t sf = std::min(s.ScrollFrameWidth, kScrollWidth / 2);
    FrameClipped(target, clip, column, sf, s.ScrollFrameColor, frame_alpha);
    const Rect inner{column.left + sf, column.top + sf, column.right - sf, column.bottom - sf};
    if (s.ScrollBackStyle == 1 || s.ScrollBackStyle == 2)
      FillClipped(target, clip, inner, s.ScrollBackColor, s.ScrollBackStyle == 2 ? kTranslucent : 255);
    const Rect thumb = ThumbRect();
    FillClipped(target, clip, Intersect(inner, Rect{inner.left, thumb.top, inner.right, thumb.bottom}), s.ThumbColor, 255);
    const std::int32_t up_line = inner.top + kScrollWidth - 1;
    const std::int32_t down_line = inner.bottom - kScrollWidth;
    FillClipped(target, clip, Intersect(inner, Rect{inner.left, up_line, inner.right, up_line + 1}), s.ScrollFrameColor, 255);
    FillClipped(target, clip, Intersect(inner, Rect{inner.left, down_line, inner.right, down_line + 1}), s.ScrollFrameColor, 255);
    const std::int32_t centre = column.left + kScrollWidth / 2;
    for (std::int32_t k = 0; k < 4; ++k) {
      const std::int32_t up_w = 2 * (k + 1), down_w = 8 - 2 * k;
      const std::int32_t uy = inner.top + 6 + k, dy = inner.bottom - kScrollWidth + 6 + k;
      FillClipped(target, clip, Rect{centre - up_w / 2, uy, centre + up_w / 2, uy + 1}, s.ScrollFrameColor, 255);
      FillClipped(target, clip, Rect{centre - down_w / 2, dy, centre + down_w / 2, dy + 1}, s.ScrollFrameColor, 255);
    }
  }

  // 4. Framed highlight.
  if (selected_ >= 0 && s.HighlightStyle == 1 && ItemVisible(selected_))
    FrameClipped(target, clip, ItemRect(selected_), 2, s.HighlightColor, 255);

  // 5. Text: the title centred, then every visible item.
  if (!s.Title.empty()) {
    const std::int64_t title_w = static_cast<std::int64_t>(ByteLength(s.Title)) * s.TitleSize / 2;
    const std::int32_t tx = SaturateToInt32(X() + (GetWidth() - title_w) / 2);
    DrawText(target, clip, s.Title, tx, SaturateToInt32(static_cast<std::int64_t>(Y()) + m + 4), s.TitleSize,
             s.TitleBold != 0, s.TitleColor);
  }
  for (std::int32_t i = 0; i < Count(); ++i) {
    if (!ItemVisible(i)) continue;
    const Rect r = ItemRect(i);
    if (Intersect(r, clip).IsEmpty()) continue;
    std::int32_t colour = s.TextColor;
    if (i == selected_) {
      if (s.HighlightStyle == 0) colour = s.HighlightColor;
      if (s.HighlightStyle == 3) colour = s.HighlightColor ^ 0xFFFFFF;
    }
    // The item's own rectangle clips its text, so a long text never spills into the next column.
    DrawText(target, Intersect(clip, r), items_[static_cast<std::size_t>(i)].Text, r.left + 8, r.top + 4,
             s.FontSize, s.Bold != 0, colour);
  }
}

void TSelStrSurface::DrawText(Surface& target, const Rect& clip, std::string_view text, std::int32_t x,
                              std::int32_t y, std::int32_t size, bool bold, std::int32_t rgb) {
  GlyphSource* glyphs = text_.Glyphs();
  if (glyphs == nullptr || size <= 0 || clip.IsEmpty()) return;
  const std::string face = text_.TextFontName();
  std::int64_t pen = x;
  for (std::size_t i = 0; i < text.size() && pen < clip.right;) {
    const bool wide = IsLeadByte(static_cast<std::uint8_t>(text[i])) && i + 1 < text.size();
    const std::size_t len = wide ? 2 : 1;
    const std::int32_t advance = wide ? size : size / 2;
    if (pen + size > clip.left) {
      const char32_t cp = CodePointOf(text.substr(i, len), code_points_);
      if (cp != U' ' && cp != U'\u3000') {
        const GlyphImage& g = glyphs->Glyph(face, size, bold, cp);
        if (!g.coverage.empty()) BlendGlyph(target, clip, g, static_cast<std::int32_t>(pen), y, rgb & 0xFFFFFF);
      }
    }
    pen += advance;
    i += len;
  }
}

}  // namespace mavlet
