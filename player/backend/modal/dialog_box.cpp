#include "player/backend/modal/dialog_box.h"

#include <algorithm>

#include "player/backend/graphics/glyph_blend.h"
#include "player/common/encoding.h"

namespace mavlet {
namespace {

// Colours are 0x00BBGGRR.
constexpr std::int32_t kShade = 0x000000;
constexpr int kShadeAlpha = 110;
constexpr std::int32_t kFace = 0xF2F2F2;
constexpr std::int32_t kEdge = 0x303030;
constexpr std::int32_t kTitleBar = 0x804A1F;
constexpr std::int32_t kTitleText = 0xFFFFFF;
constexpr std::int32_t kText = 0x202020;
constexpr std::int32_t kErrorText = 0x1010C0;
constexpr std::int32_t kFieldFace = 0xFFFFFF;
constexpr std::int32_t kControlEdge = 0x7A7A7A;
constexpr std::int32_t kFocusEdge = 0xD07830;
constexpr std::int32_t kButtonFace = 0xE1E1E1;
constexpr std::int32_t kButtonPressed = 0xC4C4C4;

std::u32string CodePoints(std::string_view utf8) {
  std::u32string out;
  for (const Utf8Char& c : DecodeUtf8(utf8)) out.push_back(c.cp);
  return out;
}

bool IsControl(char32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp < 0xA0); }

bool Inside(const Rect& r, Point p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

void Frame(Surface& target, const Rect& r, std::int32_t width, std::int32_t rgb) {
  const std::uint32_t raw = target.DeviceColour(rgb);
  target.FillRect(Rect{r.left, r.top, r.right, r.top + width}, raw);
  target.FillRect(Rect{r.left, r.bottom - width, r.right, r.bottom}, raw);
  target.FillRect(Rect{r.left, r.top, r.left + width, r.bottom}, raw);
  target.FillRect(Rect{r.right - width, r.top, r.right, r.bottom}, raw);
}

}  // namespace

int DialogStyle::FontSizeFor(std::int32_t height) { return std::clamp(height / 28, 14, 40); }

DialogBox::DialogBox(std::string caption, std::string text, Buttons buttons, std::optional<std::string> field)
    : caption_(std::move(caption)), text_(std::move(text)), has_field_(field.has_value()) {
  buttons_.push_back({"OK", DialogAnswer::kOk, {}});
  if (buttons == Buttons::kOkCancel) buttons_.push_back({"キャンセル", DialogAnswer::kCancel, {}});
  if (field) {
    for (const Utf8Char& c : DecodeUtf8(*field)) {
      if (!c.bytes.empty() && !IsControl(c.cp)) field_.push_back({c.cp, std::string(c.bytes)});
    }
    caret_ = field_.size();
  }
  focus_ = 0;  // the field, else OK
}

std::int32_t DialogBox::Advance(char32_t cp) {
  const GlyphImage& g = glyphs_->Glyph(style_.face, style_.font_size, false, cp);
  if (g.advance > 0) return g.advance;
  return cp < 0x100 ? (style_.font_size + 1) / 2 : style_.font_size;
}

std::int32_t DialogBox::TextWidth(const std::u32string& s) {
  std::int32_t w = 0;
  for (char32_t cp : s) w += Advance(cp);
  return w;
}

std::int32_t DialogBox::FieldWidth(std::size_t chars) {
  std::int32_t w = 0;
  for (std::size_t i = 0; i < chars && i < field_.size(); ++i) w += Advance(field_[i].cp);
  return w;
}

void DialogBox::Layout(GlyphSource& glyphs, const DialogStyle& style, std::int32_t width, std::int32_t height) {
  glyphs_ = &glyphs;
  style_ = style;
  style_.font_size = std::clamp(style_.font_size, 1, GlyphSource::kMaxSize);
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
  const std::int32_t s = style_.font_size;
  const std::int32_t pad = s;
  const std::int32_t margin = std::max(8, s / 2);
  line_height_ = s + s / 4;
  const std::int32_t title_h = s + s / 2;
  const std::int32_t button_h = s + s * 3 / 4;
  const std::int32_t field_h = s + s / 2;
  caption_line_ = CodePoints(caption_);

  // Paragraphs as given; the box grows to the widest up to the surface's width.
  std::vector<std::u32string> paragraphs(1);
  for (char32_t cp : CodePoints(text_)) {
    if (cp == U'\n') {
      paragraphs.emplace_back();
    } else if (cp != U'\r') {
      paragraphs.back().push_back(IsControl(cp) ? U' ' : cp);
    }
  }
  std::int32_t buttons_w = 0;
  std::vector<std::int32_t> button_w;
  for (const Button& b : buttons_) {
    button_w.push_back(std::max(TextWidth(CodePoints(b.label)) + 2 * s, 6 * s));
    buttons_w += button_w.back() + (buttons_w > 0 ? s / 2 : 0);
  }
  std::int32_t content = std::max(TextWidth(caption_line_), buttons_w);
  for (const std::u32string& p : paragraphs) content = std::max(content, TextWidth(p));
  if (has_field_) content = std::max(content, 26 * s);
  const std::int32_t box_w = std::max(1, std::min(std::max(content + 2 * pad, 16 * s), width_ - 2 * margin));
  const std::int32_t text_w = std::max(s, box_w - 2 * pad);

  // Wrapping: at the last space of a line when there is one (Latin text), else at any
  // character (Japanese has no spaces between words).
  lines_.clear();
  for (const std::u32string& p : paragraphs) {
    std::u32string line;
    std::int32_t w = 0;
    for (char32_t cp : p) {
      const std::int32_t a = Advance(cp);
      if (w + a > text_w && !line.empty()) {
        std::u32string rest;
        const std::size_t space = line.find_last_of(U' ');
        if (cp != U' ' && space != std::u32string::npos && space > 0) {
          rest = line.substr(space + 1);
          line.erase(space);
        }
        lines_.push_back(line);
        line = rest;
        w = TextWidth(line);
        if (cp == U' ' && line.empty()) continue;
      }
      line.push_back(cp);
      w += a;
    }
    lines_.push_back(line);
  }
  while (lines_.size() > 1 && lines_.back().empty()) lines_.pop_back();

  std::int32_t box_h = title_h + pad + static_cast<std::int32_t>(lines_.size()) * line_height_;
  if (has_field_) box_h += pad / 2 + field_h + line_height_;  // the field and a line for its error
  box_h += pad + button_h + pad;
  const std::int32_t left = (width_ - box_w) / 2;
  const std::int32_t top = std::max(std::min(margin, height_ / 2), (height_ - box_h) / 2);
  box_ = Bounds(left, top, box_w, box_h);
  title_rect_ = Bounds(left, top, box_w, title_h);
  text_origin_ = Point{left + pad, top + title_h + pad};
  std::int32_t y = text_origin_.y + static_cast<std::int32_t>(lines_.size()) * line_height_;
  field_rect_ = {};
  error_rect_ = {};
  if (has_field_) {
    field_rect_ = Bounds(left + pad, y + pad / 2, text_w, field_h);
    error_rect_ = Bounds(left + pad, field_rect_.bottom + (line_height_ - s) / 2, text_w, s);
    y = field_rect_.bottom + line_height_;
  }
  std::int32_t x = left + (box_w - buttons_w) / 2;
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    buttons_[i].rect = Bounds(x, y + pad, button_w[i], button_h);
    x += button_w[i] + s / 2;
  }
  ScrollToCaret();
}

Point DialogBox::LineOrigin(std::size_t i) const {
  return Point{text_origin_.x,
               text_origin_.y + static_cast<std::int32_t>(i) * line_height_ + (line_height_ - style_.font_size) / 2};
}

std::optional<std::size_t> DialogBox::ButtonAt(Point p) const {
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    if (Inside(buttons_[i].rect, p)) return i;
  }
  return std::nullopt;
}

std::optional<std::size_t> DialogBox::FocusedButton() const {
  if (FieldFocused()) return std::nullopt;
  return focus_ - (has_field_ ? 1 : 0);
}

std::string DialogBox::FieldText() const {
  std::string out;
  for (const FieldChar& c : field_) out += c.bytes;
  return out;
}

void DialogBox::Refuse(std::string why) {
  answer_.reset();
  error_ = std::move(why);
  if (has_field_) focus_ = 0;
}

void DialogBox::MoveFocus(int step) {
  const auto n = static_cast<int>(FocusPlaces());
  focus_ = static_cast<std::size_t>(((static_cast<int>(focus_) + step) % n + n) % n);
}

std::size_t DialogBox::CaretAt(std::int32_t x) {
  const std::int32_t s = style_.font_size;
  std::int32_t pen = field_rect_.left + s / 4 - field_scroll_;
  for (std::size_t i = 0; i < field_.size(); ++i) {
    const std::int32_t a = Advance(field_[i].cp);
    if (x < pen + a / 2) return i;
    pen += a;
  }
  return field_.size();
}

void DialogBox::ScrollToCaret() {
  if (!has_field_ || glyphs_ == nullptr) return;
  const std::int32_t inner = std::max(1, field_rect_.Width() - style_.font_size / 2);
  const std::int32_t at = FieldWidth(caret_);
  if (at - field_scroll_ > inner) field_scroll_ = at - inner;
  if (at < field_scroll_) field_scroll_ = at;
  // No empty space on the right while text is hidden on the left.
  field_scroll_ = std::max(0, std::min(field_scroll_, FieldWidth(field_.size()) - inner));
  if (at - field_scroll_ > inner) field_scroll_ = at - inner;
}

bool DialogBox::EditField(const DialogEvent& e) {
  using K = DialogEvent::Key;
  if (e.kind == DialogEvent::Kind::kText) {
    for (const Utf8Char& c : DecodeUtf8(e.text)) {
      if (c.bytes.empty() || IsControl(c.cp)) continue;
      field_.insert(field_.begin() + static_cast<std::ptrdiff_t>(caret_), FieldChar{c.cp, std::string(c.bytes)});
      ++caret_;
    }
  } else {
    switch (e.key) {
      case K::kLeft:
        if (caret_ > 0) --caret_;
        break;
      case K::kRight:
        if (caret_ < field_.size()) ++caret_;
        break;
      case K::kHome:
        caret_ = 0;
        break;
      case K::kEnd:
        caret_ = field_.size();
        break;
      case K::kBackspace:
        if (caret_ == 0) return false;
        field_.erase(field_.begin() + static_cast<std::ptrdiff_t>(--caret_));
        break;
      case K::kDelete:
        if (caret_ >= field_.size()) return false;
        field_.erase(field_.begin() + static_cast<std::ptrdiff_t>(caret_));
        break;
      default:
        return false;
    }
  }
  error_.clear();
  ScrollToCaret();
  return true;
}

bool DialogBox::Handle(const DialogEvent& e) {
  using K = DialogEvent::Key;
  if (answer_) return false;
  switch (e.kind) {
    case DialogEvent::Kind::kClose:
      answer_ = DialogAnswer::kClosed;
      return true;
    case DialogEvent::Kind::kResize:
      return true;
    case DialogEvent::Kind::kText:
      return FieldFocused() && EditField(e);
    case DialogEvent::Kind::kMouseMove:
      return false;
    case DialogEvent::Kind::kMouseDown:
      if (std::optional<std::size_t> b = ButtonAt(e.at)) {
        pressed_ = b;
        focus_ = *b + (has_field_ ? 1 : 0);
        return true;
      }
      if (has_field_ && Inside(field_rect_, e.at)) {
        focus_ = 0;
        caret_ = CaretAt(e.at.x);
        ScrollToCaret();
        return true;
      }
      return false;
    case DialogEvent::Kind::kMouseUp: {
      if (!pressed_) return false;
      // A click is a press and a release on the same button; sliding off lets it go.
      if (ButtonAt(e.at) == pressed_) answer_ = buttons_[*pressed_].answer;
      pressed_.reset();
      return true;
    }
    case DialogEvent::Kind::kKey:
      break;
  }
  switch (e.key) {
    case K::kReturn:
      answer_ = FieldFocused() ? DialogAnswer::kOk : buttons_[*FocusedButton()].answer;
      return true;
    case K::kEscape:
      answer_ = buttons_.back().answer;  // Cancel, or OK when that is the only button
      return true;
    case K::kTab:
    case K::kDown:
      MoveFocus(1);
      return true;
    case K::kBackTab:
    case K::kUp:
      MoveFocus(-1);
      return true;
    case K::kLeft:
    case K::kRight:
      if (FieldFocused()) return EditField(e);
      MoveFocus(e.key == K::kRight ? 1 : -1);
      if (FieldFocused()) MoveFocus(e.key == K::kRight ? 1 : -1);  // arrows stay among the buttons
      return true;
    default:
      return FieldFocused() && EditField(e);
  }
}

void DialogBox::DrawText(Surface& target, const Rect& clip, const std::u32string& s, std::int32_t x, std::int32_t y,
                         std::int32_t rgb) {
  for (char32_t cp : s) {
    if (x >= clip.right) break;
    const GlyphImage& g = glyphs_->Glyph(style_.face, style_.font_size, false, cp);
    const std::int32_t a = g.advance > 0 ? g.advance : (cp < 0x100 ? (style_.font_size + 1) / 2 : style_.font_size);
    BlendGlyph(target, clip, g, x, y, rgb);
    x += a;
  }
}

void DialogBox::Draw(Surface& target, GlyphSource& glyphs) {
  glyphs_ = &glyphs;
  const std::int32_t s = style_.font_size;
  target.BlendColour(target.bounds(), kShade, kShadeAlpha);
  target.FillRect(box_, target.DeviceColour(kFace));
  target.FillRect(title_rect_, target.DeviceColour(kTitleBar));
  Frame(target, box_, 1, kEdge);
  const Rect title_clip{title_rect_.left + s / 2, title_rect_.top, title_rect_.right - s / 2, title_rect_.bottom};
  DrawText(target, title_clip, caption_line_, title_clip.left, title_rect_.top + (title_rect_.Height() - s) / 2,
           kTitleText);
  const Rect inner{box_.left + 1, title_rect_.bottom, box_.right - 1, box_.bottom - 1};
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Point o = LineOrigin(i);
    DrawText(target, inner, lines_[i], o.x, o.y, kText);
  }
  if (has_field_) {
    target.FillRect(field_rect_, target.DeviceColour(kFieldFace));
    Frame(target, field_rect_, FieldFocused() ? 2 : 1, FieldFocused() ? kFocusEdge : kControlEdge);
    const Rect clip{field_rect_.left + 2, field_rect_.top + 2, field_rect_.right - 2, field_rect_.bottom - 2};
    const std::int32_t ty = field_rect_.top + (field_rect_.Height() - s) / 2;
    std::u32string text;
    for (const FieldChar& c : field_) text.push_back(c.cp);
    const std::int32_t tx = field_rect_.left + s / 4 - field_scroll_;
    DrawText(target, clip, text, tx, ty, kText);
    if (FieldFocused()) {
      const std::int32_t cx = tx + FieldWidth(caret_);
      target.FillRect(Intersect(clip, Bounds(cx, ty, std::max(1, s / 12), s)), target.DeviceColour(kText));
    }
    if (!error_.empty()) DrawText(target, inner, CodePoints(error_), error_rect_.left, error_rect_.top, kErrorText);
  }
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    const Button& b = buttons_[i];
    target.FillRect(b.rect, target.DeviceColour(pressed_ == i ? kButtonPressed : kButtonFace));
    const bool focused = FocusedButton() == i;
    Frame(target, b.rect, focused ? 2 : 1, focused ? kFocusEdge : kControlEdge);
    const std::u32string label = CodePoints(b.label);
    const std::int32_t lx = b.rect.left + (b.rect.Width() - TextWidth(label)) / 2;
    DrawText(target, b.rect, label, lx, b.rect.top + (b.rect.Height() - s) / 2, kText);
  }
}

}  // namespace mavlet
