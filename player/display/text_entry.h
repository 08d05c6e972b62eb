#pragma once
// The one-line text editor of the Input command, drawn by the text window above its text: the
// characters typed so far (Shift-JIS, one per element), a caret counted in characters, and the
// input method's composition shown at the caret, underlined, until it is committed. Typed text
// goes in as the title's text can hold it: characters Shift-JIS cannot hold and control
// characters are refused as they are typed, ASCII and half-width katakana become full width, and
// nothing goes past the maximum length. Never throws.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/graphics/rect.h"
#include "player/backend/input.h"

namespace mavlet {

class GlyphSource;
class Surface;

struct TextEntryStyle {
  Rect area;                     // game-area pixels
  std::int32_t font_size = 16;   // pixel size of the glyphs
  std::int32_t text_colour = 0;  // 0x00BBGGRR, also the caret and the underline
  std::int32_t back_colour = 0xFFFFFF;
  std::int32_t max_length = 0;  // characters; 0 or less: no limit
};

class TextEntry {
 public:
  enum class State { kEditing, kCommitted, kCancelled };

  // initial: Shift-JIS; it goes through the same conversion and limit as typed text.
  TextEntry(const TextEntryStyle& style, std::string_view initial);

  // Applies one edit; Return commits and Escape cancels (later edits are then ignored).
  State Apply(const TextInputEvent& event);
  State Current() const { return state_; }
  // The input method's text being composed (UTF-8); empty when none.
  void SetComposition(std::string_view utf8);

  // The text typed so far, Shift-JIS.
  std::string Text() const;
  std::int32_t Length() const { return static_cast<std::int32_t>(chars_.size()); }
  std::int32_t Caret() const { return caret_; }
  const std::string& Composition() const { return composition_; }
  const TextEntryStyle& Style() const { return style_; }

  // The caret's box in game-area pixels (where the input method puts its candidate list).
  Rect CaretBox(GlyphSource* glyphs, std::string_view face) const;
  // Draws the part of the line inside clip onto target. Without glyphs only the box shows.
  void Draw(Surface& target, const Rect& clip, GlyphSource* glyphs, std::string_view face) const;

 private:
  struct Char {
    std::string sjis;
    char32_t code_point = 0;
  };
  void Insert(std::string_view utf8);
  // Pixel advance of a character, from the glyphs when they tell.
  std::int32_t Advance(GlyphSource* glyphs, std::string_view face, char32_t cp, bool wide) const;
  // Pen position (pixels from the line's left edge, before scrolling) of the caret and the end
  // of the composition.
  std::int32_t CaretPen(GlyphSource* glyphs, std::string_view face) const;
  std::int32_t Scroll(GlyphSource* glyphs, std::string_view face) const;

  TextEntryStyle style_;
  std::vector<Char> chars_;
  std::int32_t caret_ = 0;
  std::string composition_;
  State state_ = State::kEditing;
};

}  // namespace mavlet
