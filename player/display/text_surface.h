#pragma once
// The text window, display layer 9: a grid of Rows x Cols character cells that markup tokens are
// laid out on one at a time (Japanese line breaking: punctuation may take a row's last column; a
// speaker's name in 【】 gives later rows a hanging indent; left, centred or right rows). Each
// placed character is drawn at once onto the window's canvas as anti-aliased coverage with its
// colour, and the layer blends that over the scene, so no key colour ever shows at glyph edges.
// Sizes are clamped (see kMaxCols ...); a canvas too large to allocate leaves the window
// undrawn while the layout goes on. The text entry line of Input, while one is open, is drawn
// above the text (wherever it is placed, shown or not). Nothing here throws except the markup's
// integer arguments.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/graphics/rect.h"
#include "player/display/custom_game_surface.h"
#include "player/display/text_entry.h"
#include "player/display/text_markup.h"

namespace mavlet {

class GlyphSource;
class Surface;
class TTextSurface;

// One grid row: exactly Cols tokens, relative to the row's indent.
struct TPmTextLine {
  std::vector<TCustomPmText> Tokens;
  std::uint8_t Align = 0;      // 0 left, 1 centre, 2 right
  std::int32_t Length = -1;    // characters the row was measured to hold; -1 not measured
  std::int32_t Offset = 0;     // x of the row's first cell, in pixels
  std::int32_t Indent = 0;     // hanging indent, in columns
};

// What the text window needs from its owner besides LayerServices: the glyphs and the font name
// the scenario chose (Shift-JIS).
class TextWindowServices {
 public:
  virtual ~TextWindowServices() = default;
  // nullptr: the layout goes on, nothing is drawn.
  virtual GlyphSource* Glyphs() = 0;
  virtual std::string TextFontName() = 0;
};

// Hears what the window does, for text logs; every call is optional.
class TextWindowListener {
 public:
  virtual ~TextWindowListener() = default;
  // A character went into cell (row, column); column counts from the row's left edge.
  virtual void OnPlaced(std::int32_t /*row*/, std::int32_t /*column*/, const TCustomPmText& /*token*/) {}
  // The window was emptied (ClearText).
  virtual void OnCleared() {}
  // A token found the window full (reported once until the window is emptied).
  virtual void OnFull() {}
};

class TTextSurface : public TCustomGameSurface {
 public:
  static constexpr std::int32_t kKeyColour = 0x800080;
  // Bounds that keep a scenario's sizes from allocating without limit.
  static constexpr std::int32_t kMaxCols = 1000;
  static constexpr std::int32_t kMaxRows = 1000;
  static constexpr std::int32_t kMaxFontSize = 256;
  static constexpr std::int32_t kMaxRowGap = 1024;

  TTextSurface(LayerServices& owner, TextWindowServices& text);
  ~TTextSurface() override;

  void SetListener(TextWindowListener* listener) { listener_ = listener; }

  // --- layer operations
  void SetX(std::int32_t x) override;
  void SetY(std::int32_t y) override;
  std::int32_t GetWidth() const override;
  std::int32_t GetHeight() const override;
  std::string GetText() const override;
  // Parses without variables, empties the window and places every token that fits. Throws
  // MavError starting with the quoted text when an "\a" or "\i" argument is not an integer; the window is
  // left as it was then.
  void SetText(std::string_view markup) override;
  void Reload() override;
  void Unload() override;
  void Draw(Surface& target) override;
  void DrawRect(Surface& target, const Rect& rect) override;
  void SaveToStatus(TGameStatus& status) override;
  void LoadFromStatus(TGameStatus& status) override;
  void Reset() override;

  // --- grid
  void SetCols(std::int32_t cols);
  void SetRows(std::int32_t rows);
  void SetFontSize(std::int32_t size);
  void SetRowGap(std::int32_t gap);
  void SetBold(bool on) { bold_ = on; }
  void Relayout();
  void ClearText();
  // Lays out and draws tokens[index]; grows dirty (screen coordinates) by what was drawn. False
  // when the window is full (then only the cursor may have moved to the row past the last).
  bool PlaceToken(const std::vector<TCustomPmText>& tokens, std::size_t index, Rect& dirty);

  std::int32_t Cols() const { return cols_; }
  std::int32_t Rows() const { return rows_; }
  std::int32_t FontSize() const { return font_size_; }
  std::int32_t RowGap() const { return row_gap_; }
  bool Bold() const { return bold_; }
  std::int32_t CurCol() const { return cur_col_; }
  std::int32_t CurRow() const { return cur_row_; }
  std::int32_t OutputX() const { return output_x_; }
  std::int32_t OutputY() const { return output_y_; }
  std::int32_t HangIndent() const { return hang_indent_; }
  std::uint8_t Align() const { return align_; }
  bool Full() const { return cur_row_ >= rows_; }
  const std::vector<TPmTextLine>& Lines() const { return lines_; }

  // --- text entry line (one at a time; opening another replaces it)
  TextEntry& OpenEntry(const TextEntryStyle& style, std::string_view initial);
  void CloseEntry() { entry_.reset(); }
  // nullptr while none is open.
  TextEntry* Entry() { return entry_.get(); }
  // The caret's box of the open entry (empty without one).
  Rect EntryCaretBox();

  // The canvas in the display's format (key colour where nothing is drawn); nullptr without one.
  const Surface* Canvas() const { return canvas_.get(); }
  // Coverage 0..255 of canvas pixel (x, y); 0 outside or without a canvas.
  std::uint8_t CoverageAt(std::int32_t x, std::int32_t y) const;

 private:
  // Empties the window and places every token that fits (inline calls skipped).
  void PlaceText(const std::vector<TCustomPmText>& tokens);
  std::int32_t RowHeight() const { return font_size_ + row_gap_; }
  void MeasureRow(TPmTextLine& line, const std::vector<TCustomPmText>& tokens, std::size_t from) const;
  std::int32_t AlignedOffset(const TPmTextLine& line, std::int32_t length) const;
  // Moves to the next row (which takes the hanging indent and is measured from `from`).
  void NextRow(const std::vector<TCustomPmText>& tokens, std::size_t from, bool measure);
  bool EnsureCanvas();
  void ClearCanvas();
  void DrawToken(const TCustomPmText& token, std::int32_t x, std::int32_t y);
  void DrawText(Surface& target, const Rect& rect);
  void DrawGlyphCoverage(const struct GlyphImage& glyph, std::int32_t x, std::int32_t y, std::int32_t rgb);
  char32_t CodePoint(std::uint16_t code);
  void NoteFull();

  TextWindowServices& text_;
  TextWindowListener* listener_ = nullptr;
  std::vector<TPmTextLine> lines_;
  std::int32_t font_size_ = 24;
  std::int32_t row_gap_ = 0;
  bool bold_ = false;
  std::int32_t cols_ = 5;
  std::int32_t rows_ = 5;
  std::int32_t cur_col_ = 0;
  std::int32_t cur_row_ = 0;
  std::int32_t output_x_ = 0;
  std::int32_t output_y_ = 0;
  std::int32_t hang_indent_ = 0;
  std::uint8_t align_ = 0;
  bool full_reported_ = false;

  // Canvas: the display-format picture plus straight colour and coverage per pixel.
  std::unique_ptr<Surface> canvas_;
  std::vector<std::int32_t> colour_;    // 0x00BBGGRR
  std::vector<std::uint8_t> coverage_;  // 0 nothing .. 255 solid
  std::unique_ptr<TextEntry> entry_;
  // Shift-JIS code -> code point, filled as characters are met.
  std::vector<char32_t> code_points_;
};

}  // namespace mavlet
