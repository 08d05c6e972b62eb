#include "player/display/text_surface.h"

#include <algorithm>
#include <cstdio>

#include "player/backend/glyph_source.h"
#include "player/backend/graphics/glyph_blend.h"
#include "player/backend/graphics/surface.h"
#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/display/layer_services.h"
#include "player/storage/game_status.h"

namespace mavlet {

namespace {

constexpr const char* kPrefix = "Sfc9";

bool IsAlignCode(std::uint16_t c) {
  return c == pm::kAlignLeft || c == pm::kAlignCentre || c == pm::kAlignRight;
}

}  // namespace

TTextSurface::TTextSurface(LayerServices& owner, TextWindowServices& text)
    : TCustomGameSurface(owner), text_(text) {
  SetTransparent(true);
  SetAlpha(255);
  Relayout();
}

TTextSurface::~TTextSurface() = default;

void TTextSurface::SetX(std::int32_t x) {
  TCustomGameSurface::SetX(x);
  output_x_ = X();
  output_y_ = Y();
}

void TTextSurface::SetY(std::int32_t y) {
  TCustomGameSurface::SetY(y);
  output_x_ = X();
  output_y_ = Y();
}

std::int32_t TTextSurface::GetWidth() const { return canvas_ ? canvas_->width() : 0; }

std::int32_t TTextSurface::GetHeight() const {
  const std::int64_t rows = std::int64_t{cur_row_} + 1 - (cur_col_ == 0 ? 1 : 0);
  const std::int64_t h = std::int64_t{RowHeight()} * rows;
  return SaturateToInt32(h >= 1 ? h + 1 : h);
}

// --- grid

void TTextSurface::SetCols(std::int32_t cols) {
  cols_ = std::clamp(cols, 0, kMaxCols);
  Relayout();
}

void TTextSurface::SetRows(std::int32_t rows) {
  rows_ = std::clamp(rows, 0, kMaxRows);
  Relayout();
}

void TTextSurface::SetFontSize(std::int32_t size) {
  font_size_ = std::clamp(size, 0, kMaxFontSize);
  Relayout();
}

void TTextSurface::SetRowGap(std::int32_t gap) {
  row_gap_ = std::clamp(gap, -kMaxFontSize, kMaxRowGap);
  Relayout();
}

void TTextSurface::Relayout() {
  TPmTextLine empty;
  empty.Tokens.assign(static_cast<std::size_t>(cols_), TCustomPmText{0, 0xFFFFFF, 0});
  lines_.assign(static_cast<std::size_t>(rows_), empty);
  Unload();
  output_x_ = X();
  output_y_ = Y();
  cur_row_ = cur_col_ = hang_indent_ = 0;
  full_reported_ = false;
}

void TTextSurface::ClearText() {
  cur_row_ = cur_col_ = hang_indent_ = 0;
  for (auto& line : lines_) {
    line.Length = -1;
    for (auto& t : line.Tokens) t.Code = 0;
  }
  output_x_ = X();
  output_y_ = Y();
  full_reported_ = false;
  if (canvas_) ClearCanvas();
  if (listener_) listener_->OnCleared();
}

std::int32_t TTextSurface::AlignedOffset(const TPmTextLine& line, std::int32_t length) const {
  switch (line.Align) {
    case 1: return (cols_ - length) * font_size_ / 2;
    case 2: return (cols_ - length) * font_size_;
    default: return line.Indent * font_size_;
  }
}

void TTextSurface::MeasureRow(TPmTextLine& line, const std::vector<TCustomPmText>& tokens, std::size_t from) const {
  std::int32_t k = line.Indent;
  std::int32_t n = 0;
  auto punct = [&](std::size_t i) { return i < tokens.size() && IsPunctuation(tokens[i].Code); };
  for (std::size_t i = from; i < tokens.size(); ++i) {
    const std::uint16_t c = tokens[i].Code;
    if (c == pm::kNewline) break;
    if (c == pm::kOpenName) {
      ++n;
      k = 1;
      continue;
    }
    if (IsAlignCode(c) || c == pm::kInlineCall) continue;
    const bool p = IsPunctuation(c);
    if (k >= cols_ || (k == cols_ - 1 && !p) || (k == cols_ - 2 && !p && punct(i + 1) && punct(i + 2))) break;
    ++n;
    ++k;
  }
  line.Length = n;
  line.Align = align_;
  line.Offset = AlignedOffset(line, n);
}

void TTextSurface::NextRow(const std::vector<TCustomPmText>& tokens, std::size_t from, bool measure) {
  ++cur_row_;
  cur_col_ = 0;
  if (cur_row_ < rows_) {
    auto& line = lines_[static_cast<std::size_t>(cur_row_)];
    line.Indent = hang_indent_;
    if (measure) MeasureRow(line, tokens, from);
  }
}

void TTextSurface::NoteFull() {
  if (!full_reported_ && listener_) listener_->OnFull();
  full_reported_ = true;
}

bool TTextSurface::PlaceToken(const std::vector<TCustomPmText>& tokens, std::size_t index, Rect& dirty) {
  if (index >= tokens.size()) return true;
  if (cur_row_ >= rows_ || cols_ <= 0) {  // a window without columns holds nothing
    NoteFull();
    return false;
  }
  const TCustomPmText& t = tokens[index];
  switch (t.Code) {
    case pm::kAlignRight: align_ = 2; return true;
    case pm::kAlignCentre: align_ = 1; return true;
    case pm::kAlignLeft: align_ = 0; return true;
    default: break;
  }
  if (t.Code == pm::kSetLength && t.Color == -1) {
    // Length -1 (what a saved window writes for a row entered by a newline and not measured
    // yet) leaves the row to be measured by the next character.
    lines_[static_cast<std::size_t>(cur_row_)].Length = -1;
    return true;
  }
  if (lines_[static_cast<std::size_t>(cur_row_)].Length == -1)
    MeasureRow(lines_[static_cast<std::size_t>(cur_row_)], tokens, index);

  auto punct = [&](std::size_t i) { return i < tokens.size() && IsPunctuation(tokens[i].Code); };
  auto row_full = [&](bool p) {
    const std::int32_t at = lines_[static_cast<std::size_t>(cur_row_)].Indent + cur_col_;
    return at >= cols_ || (at == cols_ - 1 && !p) || (at == cols_ - 2 && !p && punct(index + 1) && punct(index + 2));
  };
  if (t.Code == pm::kNewline) {
    if (index + 1 < tokens.size() && tokens[index + 1].Code == pm::kOpenName) hang_indent_ = 0;
    NextRow(tokens, index + 1, false);
  } else if (t.Code == pm::kOpenName) {
    cur_col_ = 0;
  } else if (t.Code == pm::kCloseName) {
    // A name longer than the row wraps before its closing bracket instead of writing past it.
    const std::int32_t at = lines_[static_cast<std::size_t>(cur_row_)].Indent + cur_col_;
    if (at >= cols_) NextRow(tokens, index, true);
    hang_indent_ = cur_col_ + 1;
  } else if (row_full(IsPunctuation(t.Code))) {
    NextRow(tokens, index, true);
  }
  if (cur_row_ >= rows_) {
    NoteFull();
    return false;
  }
  auto& line = lines_[static_cast<std::size_t>(cur_row_)];
  if (t.Code == pm::kSetLength) {
    // A length beyond the row (or below nothing) would push the row off the canvas.
    line.Length = std::clamp(t.Color, 0, cols_);
    line.Align = align_;
    line.Offset = AlignedOffset(line, line.Length);
    return true;
  }
  if (t.Code != pm::kNewline) {
    if (cur_col_ >= cols_) {
      // Only an indent at or beyond the row's width gets here: the row holds nothing more.
      NextRow(tokens, index, true);
      if (cur_row_ >= rows_) {
        NoteFull();
        return false;
      }
    }
    auto& row = lines_[static_cast<std::size_t>(cur_row_)];
    row.Tokens[static_cast<std::size_t>(cur_col_)] = t;
    const std::int32_t x = row.Offset + cur_col_ * font_size_;
    const std::int32_t y = RowHeight() * cur_row_;
    DrawToken(t, x, y);
    if (listener_) listener_->OnPlaced(cur_row_, row.Indent + cur_col_, t);
    ++cur_col_;
    const Rect cell = SaturatedBounds(std::int64_t{X()} + x, std::int64_t{Y()} + y, font_size_, RowHeight());
    dirty = Union(dirty, cell);
  }
  output_y_ = SaturateToInt32(std::int64_t{Y()} + std::int64_t{RowHeight()} * cur_row_);
  output_x_ = SaturateToInt32(std::int64_t{X()} + std::int64_t{cur_col_} * font_size_ +
                              (cur_row_ < rows_ ? lines_[static_cast<std::size_t>(cur_row_)].Offset : 0));
  if (cur_col_ >= cols_) {
    output_x_ = SaturateToInt32(std::int64_t{X()} + std::int64_t{hang_indent_} * font_size_);
    output_y_ = SaturateToInt32(std::int64_t{Y()} + std::int64_t{RowHeight()} * (cur_row_ + 1));
  }
  return true;
}

// --- drawing

bool TTextSurface::EnsureCanvas() {
  if (canvas_) return true;
  const std::int64_t w = std::int64_t{font_size_} * cols_;
  const std::int64_t h = std::int64_t{std::max(0, RowHeight())} * rows_ + 1;
  if (w <= 0 || h <= 0 || w > kMaxBitmapSide || h > kMaxBitmapSide || w * h > kMaxBitmapPixels) return false;
  try {
    auto canvas = std::make_unique<Surface>(Owner().FrameFormat(), static_cast<std::int32_t>(w),
                                            static_cast<std::int32_t>(h));
    canvas_ = std::move(canvas);
  } catch (const MavError&) {
    return false;
  }
  colour_.assign(static_cast<std::size_t>(w * h), kKeyColour);
  coverage_.assign(static_cast<std::size_t>(w * h), 0);
  ClearCanvas();
  return true;
}

void TTextSurface::ClearCanvas() {
  canvas_->Fill(canvas_->DeviceColour(kKeyColour));
  canvas_->SetColourKey(canvas_->RawPixel(0, 0));
  std::fill(colour_.begin(), colour_.end(), kKeyColour);
  std::fill(coverage_.begin(), coverage_.end(), 0);
}

void TTextSurface::Unload() {
  canvas_.reset();
  colour_.clear();
  coverage_.clear();
}

std::uint8_t TTextSurface::CoverageAt(std::int32_t x, std::int32_t y) const {
  if (!canvas_ || x < 0 || y < 0 || x >= canvas_->width() || y >= canvas_->height()) return 0;
  return coverage_[static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas_->width()) + static_cast<std::size_t>(x)];
}

char32_t TTextSurface::CodePoint(std::uint16_t code) {
  if (code_points_.empty()) code_points_.assign(65536, 0);
  char32_t& cp = code_points_[code];
  if (cp == 0) {
    const std::string utf8 = SjisToUtf8(TokenText(code));
    cp = FirstUtf8Char(utf8).cp;
    if (cp == 0) cp = 0xFFFD;
  }
  return cp;
}

void TTextSurface::DrawGlyphCoverage(const GlyphImage& g, std::int32_t x, std::int32_t y, std::int32_t rgb) {
  const std::int32_t cw = canvas_->width();
  const std::int32_t ch = canvas_->height();
  // The part of the glyph box on the canvas.
  const std::int32_t gx0 = std::max(0, -(x + g.left)), gx1 = std::min(g.width, cw - (x + g.left));
  const std::int32_t gy0 = std::max(0, -(y + g.top)), gy1 = std::min(g.height, ch - (y + g.top));
  if (gx0 >= gx1 || gy0 >= gy1) return;
  auto lock = canvas_->Lock();
  if (!lock) return;
  const PixelFormat fmt = canvas_->format();
  const int bpp = fmt.BytesPerPixel();
  const auto key = static_cast<std::uint32_t>(canvas_->colour_key());
  // The canvas picture must never hold the key where something is drawn.
  auto device = [&](std::int32_t c) {
    std::uint32_t raw = fmt.FromRgb(c);
    return (raw & fmt.ColourBits()) == key ? raw ^ 1 : raw;
  };
  const std::uint32_t raw_fg = device(rgb);
  const std::uint32_t fr = static_cast<std::uint32_t>(rgb) & 0xFF, fg = (static_cast<std::uint32_t>(rgb) >> 8) & 0xFF,
                      fb = (static_cast<std::uint32_t>(rgb) >> 16) & 0xFF;
  for (std::int32_t gy = gy0; gy < gy1; ++gy) {
    const std::int32_t py = y + g.top + gy;
    const std::uint8_t* src = g.coverage.data() + static_cast<std::size_t>(gy) * static_cast<std::size_t>(g.width);
    const std::size_t row = static_cast<std::size_t>(py) * static_cast<std::size_t>(cw);
    std::int32_t* colour = colour_.data() + row;
    std::uint8_t* coverage = coverage_.data() + row;
    std::uint8_t* bits = lock->bits + static_cast<std::ptrdiff_t>(py) * lock->pitch;
    for (std::int32_t gx = gx0; gx < gx1; ++gx) {
      const std::uint32_t a = src[gx];
      if (a == 0) continue;
      const std::int32_t px = x + g.left + gx;
      const std::uint32_t below = coverage[px];
      std::uint32_t raw = raw_fg;
      if (a == 255 || below == 0) {
        colour[px] = rgb;
        coverage[px] = static_cast<std::uint8_t>(a);
      } else {
        // "Over" with straight colours: the new coverage goes on top of what the pixel holds.
        const std::uint32_t keep = below * (255 - a) / 255;
        const std::uint32_t out = a + keep;
        const auto old = static_cast<std::uint32_t>(colour[px]);
        const std::uint32_t r = (fr * a + (old & 0xFF) * keep + out / 2) / out;
        const std::uint32_t gg = (fg * a + ((old >> 8) & 0xFF) * keep + out / 2) / out;
        const std::uint32_t b = (fb * a + ((old >> 16) & 0xFF) * keep + out / 2) / out;
        const auto c = static_cast<std::int32_t>(r | gg << 8 | b << 16);
        colour[px] = c;
        coverage[px] = static_cast<std::uint8_t>(std::min<std::uint32_t>(out, 255));
        raw = device(c);
      }
      std::uint8_t* p = bits + static_cast<std::ptrdiff_t>(px) * bpp;
      for (int k = 0; k < bpp; ++k) p[k] = static_cast<std::uint8_t>(raw >> (8 * k));
    }
  }
  canvas_->Unlock();
}

void TTextSurface::DrawToken(const TCustomPmText& t, std::int32_t x, std::int32_t y) {
  if (!EnsureCanvas()) return;
  GlyphSource* glyphs = text_.Glyphs();
  if (glyphs == nullptr) return;
  const std::string face = text_.TextFontName();
  const char32_t cp = CodePoint(t.Code);
  const GlyphImage& g = glyphs->Glyph(face, font_size_, bold_, cp);
  if (t.ShadowColor >= 0) DrawGlyphCoverage(g, x + 1, y + 1, t.ShadowColor);
  DrawGlyphCoverage(g, x, y, t.Color);
}

void TTextSurface::Reload() {
  Unload();
  if (!EnsureCanvas()) return;
  for (std::int32_t r = 0; r <= cur_row_ && r < rows_; ++r) {
    const auto& line = lines_[static_cast<std::size_t>(r)];
    const std::int32_t end = r < cur_row_ ? cols_ : std::min(cur_col_, cols_);
    for (std::int32_t c = 0; c < end; ++c) {
      const auto& t = line.Tokens[static_cast<std::size_t>(c)];
      if (t.Code == 0) break;
      DrawToken(t, line.Offset + c * font_size_, RowHeight() * r);
    }
  }
}

void TTextSurface::Draw(Surface& target) { DrawRect(target, target.bounds()); }

TextEntry& TTextSurface::OpenEntry(const TextEntryStyle& style, std::string_view initial) {
  entry_ = std::make_unique<TextEntry>(style, initial);
  return *entry_;
}

Rect TTextSurface::EntryCaretBox() {
  if (!entry_) return Rect{};
  return entry_->CaretBox(text_.Glyphs(), text_.TextFontName());
}

void TTextSurface::DrawRect(Surface& target, const Rect& rect) {
  DrawText(target, rect);
  if (entry_) entry_->Draw(target, rect, text_.Glyphs(), text_.TextFontName());
}

void TTextSurface::DrawText(Surface& target, const Rect& rect) {
  if (!Visible() || !canvas_ || Alpha() <= 0) return;
  const Rect area = Intersect(Intersect(SaturatedBounds(X(), Y(), canvas_->width(), canvas_->height()), rect), target.bounds());
  if (area.IsEmpty()) return;
  auto lock = target.Lock();
  if (!lock) return;
  const PixelFormat fmt = target.format();
  const int bpp = fmt.BytesPerPixel();
  const std::uint32_t alpha = static_cast<std::uint32_t>(std::min(Alpha(), 255));
  const std::int32_t cw = canvas_->width();
  for (std::int32_t sy = area.top; sy < area.bottom; ++sy) {
    const std::size_t row = static_cast<std::size_t>(sy - Y()) * static_cast<std::size_t>(cw);
    std::uint8_t* line = lock->bits + static_cast<std::ptrdiff_t>(sy) * lock->pitch;
    for (std::int32_t sx = area.left; sx < area.right; ++sx) {
      const std::size_t i = row + static_cast<std::size_t>(sx - X());
      std::uint32_t a = coverage_[i];
      if (a == 0) continue;
      if (alpha < 255) a = a * alpha / 255;
      std::uint8_t* p = line + static_cast<std::ptrdiff_t>(sx) * bpp;
      const auto c = static_cast<std::uint32_t>(colour_[i]);
      std::uint32_t raw;
      if (a >= 255) {
        raw = fmt.FromRgb(static_cast<std::int32_t>(c));
      } else {
        std::uint32_t under = 0;
        for (int k = 0; k < bpp; ++k) under |= static_cast<std::uint32_t>(p[k]) << (8 * k);
        const auto u = static_cast<std::uint32_t>(fmt.ToRgb(under));
        raw = fmt.FromRgb(static_cast<std::int32_t>(MixCoverage(c, u, a)));
      }
      for (int k = 0; k < bpp; ++k) p[k] = static_cast<std::uint8_t>(raw >> (8 * k));
    }
  }
  target.Unlock();
}

// --- text

std::string TTextSurface::GetText() const {
  std::string out;
  std::int32_t last_colour = -1, last_shadow = -1;
  // A full window (the cursor on the row past the last) gives every row as a finished one.
  const bool full = cur_row_ >= rows_;
  const std::int32_t last_row = full ? rows_ - 1 : cur_row_;
  char buf[32];
  for (std::int32_t r = 0; r <= last_row; ++r) {
    const auto& line = lines_[static_cast<std::size_t>(r)];
    if (r == 0 || line.Align != lines_[static_cast<std::size_t>(r - 1)].Align)
      out += line.Align == 1 ? "\\m" : line.Align == 2 ? "\\r" : "\\l";
    const bool current = r == cur_row_;
    if (current && (line.Align == 1 || line.Align == 2)) {
      std::snprintf(buf, sizeof buf, "\\a(%d)", line.Length);
      out += buf;
    }
    const std::int32_t end = current ? std::min(cur_col_, cols_) : cols_;
    for (std::int32_t c = 0; c < end; ++c) {
      const auto& t = line.Tokens[static_cast<std::size_t>(c)];
      if (t.Code == 0) break;
      if (t.Color != last_colour) {
        std::snprintf(buf, sizeof buf, "\\c(%.6x)", static_cast<unsigned>(t.Color));
        out += buf;
      }
      if (t.ShadowColor != last_shadow) {
        std::snprintf(buf, sizeof buf, "\\s(%.6x)", static_cast<unsigned>(t.ShadowColor));
        out += buf;
      }
      last_colour = t.Color;
      last_shadow = t.ShadowColor;
      // A backslash character must come back as one.
      out += t.Code == '\\' ? std::string("\\\\") : TokenText(t.Code);
    }
    if (!current) out += "\\n";
  }
  return out;
}

void TTextSurface::SetText(std::string_view markup) {
  std::vector<TCustomPmText> tokens;
  try {
    ParseMarkup(tokens, markup);
  } catch (const MavError& e) {
    // A scenario's text with a bad argument is refused as PutText refuses it: the window stays.
    throw MavError("\"" + SjisToUtf8(markup) + "\": " + e.what());
  }
  PlaceText(tokens);
}

void TTextSurface::PlaceText(const std::vector<TCustomPmText>& tokens) {
  ClearText();
  Rect dirty;
  for (std::size_t i = 0; i < tokens.size(); ++i)
    if (tokens[i].Code != pm::kInlineCall && !PlaceToken(tokens, i, dirty)) break;
}

void TTextSurface::SaveToStatus(TGameStatus& status) {
  const std::string p = kPrefix;
  status.WriteInteger(p + "X", X());
  status.WriteInteger(p + "Y", Y());
  status.WriteInteger(p + "Font", font_size_);
  status.WriteBool(p + "FontB", bold_);
  status.WriteInteger(p + "FontS", row_gap_);
  status.WriteInteger(p + "Col", cols_);
  status.WriteInteger(p + "Row", rows_);
  status.WriteBool(p + "V", Visible());
  status.WriteString(p + "Text", GetText());
  status.WriteInteger(p + "Align", align_);
}

void TTextSurface::LoadFromStatus(TGameStatus& status) {
  const std::string p = kPrefix;
  SetX(status.ReadInteger(p + "X", X()));
  SetY(status.ReadInteger(p + "Y", Y()));
  font_size_ = std::clamp(status.ReadInteger(p + "Font", font_size_), 0, kMaxFontSize);
  bold_ = status.ReadBool(p + "FontB", bold_);
  row_gap_ = std::clamp(status.ReadInteger(p + "FontS", row_gap_), -kMaxFontSize, kMaxRowGap);
  SetCols(status.ReadInteger(p + "Col", cols_));
  SetRows(status.ReadInteger(p + "Row", rows_));
  {
    // A saved text with a bad argument keeps what parsed before it: the rest of the slot loads.
    std::vector<TCustomPmText> tokens;
    try {
      ParseMarkup(tokens, status.ReadString(p + "Text", GetText()));
    } catch (const MavError&) {
    }
    PlaceText(tokens);
  }
  align_ = static_cast<std::uint8_t>(std::clamp(status.ReadInteger(p + "Align", 0), 0, 2));
  SetVisible(status.ReadBool(p + "V", Visible()));
}

void TTextSurface::Reset() {
  TCustomGameSurface::Reset();
  CloseEntry();
  ClearText();
  font_size_ = 24;
  row_gap_ = 0;
  bold_ = false;
  cols_ = 5;
  rows_ = 5;
  // A reset window starts left-aligned like a new game's, so no alignment of the old text leaks
  // into what comes after the reset.
  align_ = 0;
  SetTransparent(true);
  Relayout();
}

}  // namespace mavlet
