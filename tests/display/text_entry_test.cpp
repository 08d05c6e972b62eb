// The Input command's entry line on its own: what typing makes of the text (full width, refused
// characters, the length limit, editing keys) and what the line looks like on a surface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/backend/graphics/surface.h"
#include "player/common/encoding.h"
#include "player/display/text_entry.h"
#include "tests/support/square_glyphs.h"

namespace mavlet::testing {
namespace {

using K = TextInputEvent::Kind;

TextInputEvent Typed(const char* utf8) { return {K::kText, utf8}; }
TextInputEvent Key(K kind) { return {kind, {}}; }

std::string Sjis(const char* utf8) { return *Utf8ToSjis(utf8); }

TEST(TextEntry, TypingGivesTextTheTitleCanHold) {
  struct Case {
    const char* name;
    const char* initial;
    int max_length;
    std::vector<TextInputEvent> edits;
    const char* text;  // UTF-8
    int caret;
  };
  const Case cases[] = {
      {"ASCII becomes full width, a blank stays", "", 0, {Typed("Ab 1!")}, "Ａｂ １！", 5},
      {"half-width kana become full-width kana", "", 0, {Typed("ｱｲｳﾝ")}, "あいうン", 4},
      {"markup and field characters cannot slip in", "", 0, {Typed("\\p(x),")}, "￥ｐ（ｘ），", 6},
      {"characters Shift-JIS lacks are refused", "", 0, {Typed("a😀é한b")}, "ａｂ", 2},
      {"control characters are refused", "", 0, {Typed("a\tb\nc\x7f")}, "ａｂｃ", 3},
      {"broken UTF-8 is refused", "", 0, {Typed("a\xff\xc3z")}, "ａｚ", 2},
      {"four of six letters", "", 4, {Typed("abcdef")}, "ａｂｃｄ", 4},
      {"the limit counts characters, not bytes", "", 3, {Typed("漢字"), Typed("xy")}, "漢字ｘ", 3},
      {"the starting text obeys the same rules", "abcdef", 3, {}, "ａｂｃ", 3},
      {"backspace removes before the caret", "", 0, {Typed("abc"), Key(K::kBackspace)}, "ａｂ", 2},
      {"backspace at the start does nothing", "", 0, {Typed("a"), Key(K::kHome), Key(K::kBackspace)}, "ａ", 0},
      {"typing in the middle", "", 0, {Typed("ac"), Key(K::kLeft), Typed("b")}, "ａｂｃ", 2},
      // A full line refuses more instead of dropping what follows the caret.
      {"a full line keeps its tail", "", 3, {Typed("abc"), Key(K::kHome), Typed("x")}, "ａｂｃ", 0},
      {"caret keys stop at the ends",
       "",
       0,
       {Typed("ab"), Key(K::kLeft), Key(K::kLeft), Key(K::kLeft), Key(K::kRight), Key(K::kEnd), Key(K::kRight)},
       "ａｂ",
       2},
      {"edits after Return are ignored", "", 0, {Typed("a"), Key(K::kReturn), Typed("b")}, "ａ", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextEntryStyle style;
    style.max_length = c.max_length;
    TextEntry entry(style, Sjis(c.initial));
    for (const auto& e : c.edits) entry.Apply(e);
    EXPECT_EQ(SjisToUtf8(entry.Text()), c.text);
    EXPECT_EQ(entry.Caret(), c.caret);
  }
}

TEST(TextEntry, ReturnCommitsAndEscapeCancels) {
  TextEntry entry({}, "");
  EXPECT_EQ(entry.Apply(Typed("a")), TextEntry::State::kEditing);
  EXPECT_EQ(entry.Apply(Key(K::kReturn)), TextEntry::State::kCommitted);
  EXPECT_EQ(entry.Apply(Key(K::kEscape)), TextEntry::State::kCommitted);
  TextEntry other({}, "");
  EXPECT_EQ(other.Apply(Key(K::kEscape)), TextEntry::State::kCancelled);
}

class TextEntryDrawing : public ::testing::Test {
 protected:
  static constexpr std::int32_t kBack = 0xFFFFFF;
  static constexpr std::int32_t kInk = 0x0000FF;
  static constexpr std::int32_t kScene = 0x404040;

  TextEntryDrawing() : screen_(*PixelFormat::ForDepth(32), 200, 40) {
    screen_.Fill(screen_.DeviceColour(kScene));
    style_.area = Bounds(10, 5, 60, 16);
    style_.font_size = 16;
    style_.text_colour = kInk;
    style_.back_colour = kBack;
  }
  std::int32_t At(int x, int y) { return screen_.format().ToRgb(screen_.RawPixel(x, y)); }
  // The colours of row y from x0 up to x1, run-length coded as "colour*count" pieces.
  std::string Row(int y, int x0, int x1) {
    std::string out;
    int run = 0;
    for (int x = x0; x <= x1; ++x) {
      ++run;
      if (x == x1 || At(x + 1, y) != At(x, y)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%s%06x*%d", out.empty() ? "" : " ", At(x, y), run);
        out += buf;
        run = 0;
      }
    }
    return out;
  }

  Surface screen_;
  TextEntryStyle style_;
  SquareGlyphs glyphs_{2};
};

TEST_F(TextEntryDrawing, CharactersCaretAndCompositionInTheBox) {
  TextEntry entry(style_, Sjis("a"));
  entry.SetComposition("かな");
  entry.Draw(screen_, screen_.bounds(), &glyphs_, "");
  // Middle row: scene, box edge, glyph "ａ" (16 wide, inset 2), the composition's two glyphs,
  // the caret after them, the rest of the box, scene.
  EXPECT_EQ(Row(12, 8, 72),
            "404040*2 ffffff*2 0000ff*12 ffffff*4 0000ff*12 ffffff*4 0000ff*12 ffffff*2 0000ff*1 ffffff*11 404040*3");
  // The composition is underlined along the cell's bottom row (up to the caret); the typed text
  // is not.
  EXPECT_EQ(Row(20, 10, 60), "ffffff*16 0000ff*33 ffffff*2");
  EXPECT_EQ(At(10, 4), kScene);
  EXPECT_EQ(At(10, 21), kScene);
  EXPECT_EQ(entry.CaretBox(&glyphs_, ""), Bounds(26, 5, 16, 16));  // candidates at the composition
}

TEST_F(TextEntryDrawing, ALongLineScrollsToKeepTheCaretInView) {
  TextEntry entry(style_, Sjis("abcdef"));  // 96 pixels in a 60-pixel box
  entry.Draw(screen_, screen_.bounds(), &glyphs_, "");
  EXPECT_EQ(At(69, 12), kInk);    // the caret on the box's last column
  EXPECT_EQ(At(70, 12), kScene);  // nothing outside the box
  EXPECT_EQ(entry.CaretBox(&glyphs_, "").left, 69);
  // Only the clip is drawn.
  screen_.Fill(screen_.DeviceColour(kScene));
  entry.Draw(screen_, Bounds(0, 0, 20, 40), &glyphs_, "");
  EXPECT_EQ(At(19, 6), kBack);
  EXPECT_EQ(At(20, 6), kScene);
}

}  // namespace
}  // namespace mavlet::testing
