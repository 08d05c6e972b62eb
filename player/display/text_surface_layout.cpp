// Laying the text window's tokens out on its grid: measuring and aligning rows, line breaking
// (punctuation may take a row's last column, a speaker's name gives a hanging indent), the
// output position, and telling the listener when the window is full. Never throws.
#include "player/display/text_surface.h"

#include <algorithm>

#include "player/common/error.h"

namespace mavlet {

namespace {

bool IsAlignCode(std::uint16_t c) { return c == pm::kAlignLeft || c == pm::kAlignCentre || c == pm::kAlignRight; }

}  // namespace

std::int32_t TTextSurface::AlignedOffset(const TPmTextLine& line, std::int32_t length) const {
  switch (line.Align) {
    case 1:
      return (cols_ - length) * font_size_ / 2;
    case 2:
      return (cols_ - length) * font_size_;
    default:
      return line.Indent * font_size_;
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
    case pm::kAlignRight:
      align_ = 2;
      return true;
    case pm::kAlignCentre:
      align_ = 1;
      return true;
    case pm::kAlignLeft:
      align_ = 0;
      return true;
    default:
      break;
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

void TTextSurface::PlaceText(const std::vector<TCustomPmText>& tokens) {
  ClearText();
  Rect dirty;
  for (std::size_t i = 0; i < tokens.size(); ++i)
    if (tokens[i].Code != pm::kInlineCall && !PlaceToken(tokens, i, dirty)) break;
}

}  // namespace mavlet
