// The text window's life: making it, its place and grid, clearing and resetting its text. The
// layout of tokens on the grid is in text_surface_layout.cpp, the canvas the characters are drawn
// on in text_surface_canvas.cpp, drawing the layer in text_surface_draw.cpp, the window's text as
// markup in text_surface_markup.cpp and its saved form in text_surface_save.cpp.
#include "player/display/text_surface.h"

#include <algorithm>

#include "player/backend/glyph_source.h"
#include "player/backend/graphics/surface.h"
#include "player/common/error.h"

namespace mavlet {

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
