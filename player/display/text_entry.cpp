#include "player/display/text_entry.h"

#include <algorithm>

#include "player/backend/glyph_source.h"
#include "player/backend/graphics/glyph_blend.h"
#include "player/backend/graphics/surface.h"
#include "player/common/encoding.h"
#include "player/common/sjis_text.h"

namespace mavlet {

namespace {

using Decoded = Utf8Char;

}  // namespace

TextEntry::TextEntry(const TextEntryStyle& style, std::string_view initial) : style_(style) {
  style_.font_size = std::clamp(style_.font_size, 0, GlyphSource::kMaxSize);
  Insert(SjisToUtf8(initial));
}

void TextEntry::Insert(std::string_view utf8) {
  for (const Decoded& d : DecodeUtf8(utf8)) {
    if (style_.max_length > 0 && Length() >= style_.max_length) return;
    // Control characters (a pasted tab or line break) have no place in a one-line text.
    if (d.cp < 0x20 || (d.cp >= 0x7F && d.cp < 0xA0) || d.bytes.empty()) continue;
    const std::optional<std::string> sjis = Utf8ToSjis(d.bytes);
    if (!sjis || sjis->empty()) continue;  // Shift-JIS cannot hold it: refused
    const std::string wide = ToFullWidth(*sjis);
    chars_.insert(chars_.begin() + caret_, Char{wide, FirstUtf8Char(SjisToUtf8(wide)).cp});
    ++caret_;
  }
}

TextEntry::State TextEntry::Apply(const TextInputEvent& event) {
  if (state_ != State::kEditing) return state_;
  using K = TextInputEvent::Kind;
  switch (event.kind) {
    case K::kText:
      Insert(event.text);
      break;
    case K::kReturn:
      state_ = State::kCommitted;
      break;
    case K::kEscape:
      state_ = State::kCancelled;
      break;
    case K::kBackspace:
      if (caret_ > 0) chars_.erase(chars_.begin() + --caret_);
      break;
    case K::kLeft:
      caret_ = std::max(0, caret_ - 1);
      break;
    case K::kRight:
      caret_ = std::min(Length(), caret_ + 1);
      break;
    case K::kHome:
      caret_ = 0;
      break;
    case K::kEnd:
      caret_ = Length();
      break;
  }
  return state_;
}

void TextEntry::SetComposition(std::string_view utf8) { composition_ = std::string(utf8); }

std::string TextEntry::Text() const {
  std::string out;
  for (const Char& c : chars_) out += c.sjis;
  return out;
}

std::int32_t TextEntry::Advance(GlyphSource* glyphs, std::string_view face, char32_t cp, bool wide) const {
  const std::int32_t size = style_.font_size;
  if (glyphs != nullptr && size > 0) {
    const std::int32_t a = glyphs->Glyph(face, size, false, cp).advance;
    if (a > 0) return a;
  }
  return wide ? size : size / 2;
}

std::int32_t TextEntry::CaretPen(GlyphSource* glyphs, std::string_view face) const {
  std::int32_t pen = 0;
  for (std::int32_t i = 0; i < caret_; ++i) {
    const Char& c = chars_[static_cast<std::size_t>(i)];
    pen += Advance(glyphs, face, c.code_point, c.sjis.size() == 2);
  }
  return pen;
}

std::int32_t TextEntry::Scroll(GlyphSource* glyphs, std::string_view face) const {
  // The caret and the composition stay in view: the line moves left when they pass the right edge.
  std::int32_t end = CaretPen(glyphs, face);
  for (const Decoded& d : DecodeUtf8(composition_)) end += Advance(glyphs, face, d.cp, d.cp >= 0x100);
  return std::max(0, end + 1 - style_.area.Width());
}

Rect TextEntry::CaretBox(GlyphSource* glyphs, std::string_view face) const {
  const std::int32_t x = style_.area.left + CaretPen(glyphs, face) - Scroll(glyphs, face);
  return Rect{x, style_.area.top, x + std::max(1, style_.font_size), style_.area.top + style_.area.Height()};
}

void TextEntry::Draw(Surface& target, const Rect& clip, GlyphSource* glyphs, std::string_view face) const {
  const Rect area = Intersect(Intersect(style_.area, clip), target.bounds());
  if (area.IsEmpty()) return;
  const PixelFormat fmt = target.format();
  target.FillRect(area, fmt.FromRgb(style_.back_colour));
  // A surface that cannot be locked (lost) gets no text.
  if (!target.Lock()) return;
  const std::int32_t size = style_.font_size;
  const std::int32_t top = style_.area.top;
  const std::uint32_t solid = fmt.FromRgb(style_.text_colour);
  auto line = [&](const Rect& r) {
    const Rect drawn = Intersect(area, r);
    if (!drawn.IsEmpty()) target.FillRect(drawn, solid);
  };
  auto glyph = [&](char32_t cp, std::int32_t x) {
    if (glyphs == nullptr || size <= 0) return;
    BlendGlyph(target, area, glyphs->Glyph(face, size, false, cp), x, top, style_.text_colour);
  };
  std::int32_t pen = style_.area.left - Scroll(glyphs, face);
  std::int32_t caret_x = pen;
  for (std::int32_t i = 0; i <= Length(); ++i) {
    if (i == caret_) {
      // The composition sits at the caret, underlined along the cell's bottom row; the caret
      // follows it.
      for (const Decoded& d : DecodeUtf8(composition_)) {
        const std::int32_t w = Advance(glyphs, face, d.cp, d.cp >= 0x100);
        glyph(d.cp, pen);
        const std::int32_t under = top + std::max(0, size - 1);
        line(Rect{pen, under, pen + std::max(0, w), under + 1});
        pen += w;
      }
      caret_x = pen;
    }
    if (i == Length()) break;
    const Char& c = chars_[static_cast<std::size_t>(i)];
    glyph(c.code_point, pen);
    pen += Advance(glyphs, face, c.code_point, c.sjis.size() == 2);
  }
  // The drawn part only: a scenario may ask for a box far taller than the screen.
  line(Rect{caret_x, area.top, caret_x + 1, area.bottom});
  target.Unlock();
}

}  // namespace mavlet
