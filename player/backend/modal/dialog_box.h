#pragma once
// The message, question and folder box the player draws inside its own window when the desktop
// has no dialog program: a caption bar, the text wrapped to the box, an optional one-line text
// field, and OK (and Cancel) buttons, drawn with the same glyph source as the text window onto
// a software surface. Keys: Return answers with the focused button (OK from the field), Escape
// cancels, Tab / Shift+Tab and the arrow keys move between the buttons (in the field the left and
// right arrows move the caret); a click on a button answers with it, a click in the field puts
// the caret there. A close request answers kClosed. Texts are UTF-8; a character the font lacks
// shows the font's "missing" glyph. Nothing here throws but a surface that cannot be sized.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "player/backend/glyph_source.h"
#include "player/backend/graphics/rect.h"
#include "player/backend/graphics/surface.h"
#include "player/backend/input.h"

namespace mavlet {

enum class DialogAnswer { kOk, kCancel, kClosed };

// What the window passes on to a box. Points are in the pixels of the surface the box draws on.
struct DialogEvent {
  enum class Kind { kKey, kText, kMouseMove, kMouseDown, kMouseUp, kClose, kResize };
  enum class Key {
    kNone,
    kReturn,
    kEscape,
    kTab,
    kBackTab,
    kLeft,
    kRight,
    kUp,
    kDown,
    kHome,
    kEnd,
    kBackspace,
    kDelete
  };
  Kind kind = Kind::kKey;
  Key key = Key::kNone;
  std::string text;  // kText: UTF-8 typed text
  Point at;          // mouse events
};

struct DialogStyle {
  std::string face;    // Shift-JIS face name (unknown names fall back to a Japanese face)
  int font_size = 16;  // pixels
  // A size that reads well on a surface of this height.
  static int FontSizeFor(std::int32_t height);
};

class DialogBox {
 public:
  enum class Buttons { kOk, kOkCancel };
  // field: the text field's first contents, nullopt for none.
  DialogBox(std::string caption, std::string text, Buttons buttons, std::optional<std::string> field = std::nullopt);

  // Places the box centred on a surface of width x height. Call again after a size change.
  void Layout(GlyphSource& glyphs, const DialogStyle& style, std::int32_t width, std::int32_t height);
  // Draws the box over what target holds (darkening the rest). Layout first.
  void Draw(Surface& target, GlyphSource& glyphs);
  // Applies one event; true when the picture changed.
  bool Handle(const DialogEvent& event);

  std::optional<DialogAnswer> Answer() const { return answer_; }
  // Keeps the box open after an OK the caller refused (a folder that cannot be made), saying why.
  void Refuse(std::string why);
  const std::string& Error() const { return error_; }
  // The field's text (UTF-8), empty without a field.
  std::string FieldText() const;
  std::size_t Caret() const { return caret_; }

  // Where things are after Layout, for the window and tests.
  Rect BoxRect() const { return box_; }
  Rect FieldRect() const { return field_rect_; }
  std::size_t ButtonCount() const { return buttons_.size(); }
  Rect ButtonRect(std::size_t i) const { return buttons_[i].rect; }
  // The button under a point, nullopt for none.
  std::optional<std::size_t> ButtonAt(Point p) const;
  // The wrapped text lines and the top-left corner of each.
  const std::vector<std::u32string>& Lines() const { return lines_; }
  Point LineOrigin(std::size_t i) const;
  // The focus: the field (when there is one) or a button.
  bool FieldFocused() const { return has_field_ && focus_ == 0; }
  std::optional<std::size_t> FocusedButton() const;

 private:
  struct Button {
    std::string label;
    DialogAnswer answer;
    Rect rect;
  };
  std::int32_t TextWidth(const std::u32string& s);
  std::int32_t FieldWidth(std::size_t chars);
  std::int32_t Advance(char32_t cp);
  void DrawText(Surface& target, const Rect& clip, const std::u32string& s, std::int32_t x, std::int32_t y,
                std::int32_t rgb);
  // Moves the focus by one place (the field counts as the first place).
  void MoveFocus(int step);
  std::size_t FocusPlaces() const { return buttons_.size() + (has_field_ ? 1 : 0); }
  bool EditField(const DialogEvent& event);
  std::size_t CaretAt(std::int32_t x);
  void ScrollToCaret();

  std::string caption_;
  std::string text_;
  std::vector<Button> buttons_;
  bool has_field_ = false;
  struct FieldChar {
    char32_t cp;
    std::string bytes;
  };
  std::vector<FieldChar> field_;
  std::size_t caret_ = 0;
  std::int32_t field_scroll_ = 0;  // pixels of the field's text hidden on the left
  std::size_t focus_ = 0;
  std::optional<std::size_t> pressed_;  // the button the mouse went down on
  std::optional<DialogAnswer> answer_;
  std::string error_;

  GlyphSource* glyphs_ = nullptr;  // set by Layout, used while measuring and drawing
  DialogStyle style_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  Rect box_;
  Rect title_rect_;
  Rect field_rect_;
  Rect error_rect_;
  std::vector<std::u32string> lines_;
  std::u32string caption_line_;
  Point text_origin_;
  std::int32_t line_height_ = 0;
};

}  // namespace mavlet
