#pragma once
// The string choice, display layer 10: a window of text items in columns, or one scrolling list
// with a scroll bar, with frame, background, highlight and title. The layout is integer
// arithmetic on the item texts' byte lengths (Shift-JIS, half-width characters count 1), so it
// never depends on the font; text is drawn anti-aliased through the same glyphs as the text
// window. Sizes from scenarios are clamped (see kMaxFontSize ...) and every division guards
// its divisor, so no value can crash or overflow the layout. Nothing here throws.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "player/backend/graphics/rect.h"
#include "player/display/custom_game_surface.h"

namespace mavlet {

class GlyphSource;
class Surface;

// What the choice layers need for text besides LayerServices (the text window asks the same).
class ChoiceTextServices {
 public:
  virtual ~ChoiceTextServices() = default;
  // nullptr: the layout stands, no text is drawn.
  virtual GlyphSource* Glyphs() = 0;
  // The scenario's font (Shift-JIS).
  virtual std::string TextFontName() = 0;
};

// One item: its text and where choosing it goes.
struct TSelStrEntry {
  std::string Text;  // Shift-JIS
  std::int32_t Page = -1;
  std::int32_t Com = 0;
  std::int32_t CallFlag = 0;
  bool operator==(const TSelStrEntry&) const = default;
};

// Style of the window; the SelStr fields copy into it as they are.
struct TSelStrStyle {
  std::int32_t TextColor = 0xFFFFFF;
  std::int32_t FontSize = 24;
  std::int32_t Bold = 0;
  std::int32_t FrameWidth = 0;
  std::int32_t FrameColor = 0;
  std::uint8_t BackStyle = 0;       // 0 none, 1 opaque, 2 alpha 192
  std::int32_t BackColor = 0;
  std::uint8_t HighlightStyle = 0;  // 0 coloured text, 1 frame, 2 filled, 3 filled and inverted text
  std::int32_t HighlightColor = 0;
  std::int32_t Rows = 10;
  std::string Title;                // Shift-JIS
  std::int32_t TitleSize = 10;
  std::int32_t TitleBold = 0;
  std::int32_t TitleColor = 0;
  std::int32_t ListMode = 0;
  std::int32_t ScrollBackColor = 0;
  std::int32_t ThumbColor = 0;
  std::int32_t ScrollFrameWidth = 0;
  std::uint8_t ScrollBackStyle = 0;  // 0 none, 1 opaque, 2 alpha 192
  std::int32_t ScrollFrameColor = 0;
};

class TSelStrSurface : public TCustomGameSurface {
 public:
  static constexpr std::int32_t kMaxFontSize = 256;
  static constexpr std::int32_t kMaxFrameWidth = 1024;
  static constexpr std::int32_t kMaxRows = 100000;
  static constexpr std::int32_t kScrollWidth = 16;
  static constexpr int kTranslucent = 192;

  TSelStrSurface(LayerServices& owner, ChoiceTextServices& text);
  ~TSelStrSurface() override;

  // --- contents
  // Clamps sizes: font sizes 0..kMaxFontSize, frame widths 0..kMaxFrameWidth, rows 1..kMaxRows
  // (a row count below 1 counts as 1).
  void SetStyle(TSelStrStyle style);
  const TSelStrStyle& Style() const { return style_; }
  void SetItems(std::vector<TSelStrEntry> items);
  void ClearItems();
  const std::vector<TSelStrEntry>& Items() const { return items_; }
  std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
  std::int32_t Selected() const { return selected_; }
  std::int32_t Top() const { return top_; }
  // Any value; KeepTopInRange pulls it into 0..n-R.
  void SetTop(std::int32_t top) { top_ = top; }
  void KeepTopInRange();
  // Selected := i; an item outside the visible rows scrolls into view.
  void Select(std::int32_t i);

  // --- geometry (screen pixels)
  std::int32_t Columns() const;
  std::int32_t ColumnWidth(std::int32_t c) const;
  bool HasScrollBar() const;
  std::int32_t ItemHeight() const { return style_.FontSize + 8; }
  std::int32_t TitleHeight() const { return style_.Title.empty() ? 0 : style_.TitleSize + 8; }
  // Items per column, or visible rows (at least 1).
  std::int32_t RowCount() const { return style_.Rows; }
  // n - R, never below 0: the largest top row.
  std::int32_t MaxTop() const;
  Rect ItemRect(std::int32_t i) const;
  bool ItemVisible(std::int32_t i) const;
  // The first visible item holding (x, y), or -1.
  std::int32_t ItemAt(std::int32_t x, std::int32_t y) const;
  // Scroll bar parts; empty without a scroll bar.
  Rect ScrollColumn() const;
  Rect UpBox() const;
  Rect DownBox() const;
  Rect ThumbRect() const;
  // Pixels the thumb can travel: GetHeight - 2M - 2 * ScrollFrameWidth - 48 (may be <= 0).
  std::int32_t ThumbTravel() const;
  // The top row for the thumb's centre at y (dragging): rounded half away from zero and kept in
  // 0..n-R; 0 when the thumb cannot travel.
  std::int32_t TopForThumbCentre(std::int32_t y) const;

  // --- layer operations
  std::int32_t GetWidth() const override;
  std::int32_t GetHeight() const override;
  void Draw(Surface& target) override;
  void DrawRect(Surface& target, const Rect& rect) override;
  // Empties the items; style and position stay.
  void Reset() override;

 private:
  void Paint(Surface& target, const Rect& clip);
  void DrawText(Surface& target, const Rect& clip, std::string_view text, std::int32_t x, std::int32_t y,
                std::int32_t size, bool bold, std::int32_t rgb);

  ChoiceTextServices& text_;
  TSelStrStyle style_;
  std::vector<TSelStrEntry> items_;
  std::vector<std::int32_t> widths_;  // per column, recomputed with the items and style
  std::int32_t selected_ = -1;
  std::int32_t top_ = 0;
  std::unordered_map<std::uint16_t, char32_t> code_points_;  // Shift-JIS code -> Unicode, for drawing
};

// Fills rect within clip towards rgb (255 plain); the helpers the choice layers draw with.
void FillClipped(Surface& target, const Rect& clip, const Rect& rect, std::int32_t rgb, int alpha);
// A frame `width` pixels wide inside rect.
void FrameClipped(Surface& target, const Rect& clip, const Rect& rect, std::int32_t width, std::int32_t rgb,
                  int alpha);

}  // namespace mavlet
