// The box the player draws in its own window: Japanese text drawn with the installed font (the
// glyph source's own coverage on the pixels, inside the box), keys and clicks choosing OK or
// Cancel, the folder field's editing, and whole questions run on a scripted window (typed
// folder created, refused folder keeps the box open, a close request ends it).
#include "player/backend/modal/dialog_box.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <vector>

#include "player/backend/fontconfig/fontconfig_locator.h"
#include "player/backend/fonts/freetype_glyphs.h"
#include "player/backend/modal/box_run.h"
#include "tests/support/square_glyphs.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;
using K = DialogEvent::Key;

const std::string kMsGothic = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ ゴシック

DialogEvent Key(K k) {
  DialogEvent e;
  e.key = k;
  return e;
}
DialogEvent Text(std::string s) {
  DialogEvent e;
  e.kind = DialogEvent::Kind::kText;
  e.text = std::move(s);
  return e;
}
DialogEvent Mouse(DialogEvent::Kind kind, Point at) {
  DialogEvent e;
  e.kind = kind;
  e.at = at;
  return e;
}
DialogEvent Close() {
  DialogEvent e;
  e.kind = DialogEvent::Kind::kClose;
  return e;
}
Point Centre(const Rect& r) { return Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

DialogStyle Style(int size = 16) {
  DialogStyle s;
  s.face = kMsGothic;
  s.font_size = size;
  return s;
}

TEST(DialogBox, JapaneseTextIsDrawnWithTheFontsOwnGlyphs) {
  FreeTypeGlyphs fonts{std::make_unique<FontconfigLocator>()};
  ASSERT_FALSE(fonts.FaceFile(kMsGothic).empty()) << "no Japanese font installed";
  const std::u32string text = U"セーブデータを保存するフォルダ";
  DialogBox box("Mavlet", "セーブデータを保存するフォルダ", DialogBox::Buttons::kOkCancel);
  Surface screen(PixelFormat::Xrgb8888(), 640, 480);
  box.Layout(fonts, Style(20), 640, 480);
  box.Draw(screen, fonts);
  ASSERT_EQ(box.Lines().size(), 1u);
  ASSERT_EQ(box.Lines()[0], text);

  const std::uint32_t ink = screen.DeviceColour(0x202020), face = screen.DeviceColour(0xF2F2F2);
  // A character the font lacks shows the "missing" glyph: the text's glyphs must not be it.
  const std::vector<std::uint8_t> missing = fonts.Glyph(kMsGothic, 20, false, U'\U000F0000').coverage;
  Point pen = box.LineOrigin(0);
  for (char32_t cp : text) {
    const GlyphImage g = fonts.Glyph(kMsGothic, 20, false, cp);
    EXPECT_NE(g.coverage, missing) << "tofu for U+" << std::hex << static_cast<int>(cp);
    int solid = 0;
    for (int y = 0; y < g.height; ++y) {
      for (int x = 0; x < g.width; ++x) {
        const int px = pen.x + g.left + x, py = pen.y + g.top + y;
        ASSERT_TRUE(px >= box.BoxRect().left && px < box.BoxRect().right && py >= box.BoxRect().top &&
                    py < box.BoxRect().bottom);
        if (g.At(x, y) == 255) {
          EXPECT_EQ(screen.RawPixel(px, py), ink) << "solid coverage at " << px << "," << py;
          ++solid;
        } else if (g.At(x, y) == 0) {
          EXPECT_EQ(screen.RawPixel(px, py), face) << "no coverage at " << px << "," << py;
        }
      }
    }
    EXPECT_GT(solid, 5) << "U+" << std::hex << static_cast<int>(cp);
    pen.x += g.advance;
  }
  // Around the box the backdrop is darkened, not painted over.
  EXPECT_EQ(screen.RawPixel(2, 2), screen.DeviceColour(0));
}

TEST(DialogBox, LongTextWrapsInsideTheBox) {
  testing::SquareGlyphs glyphs;
  DialogBox box("Mavlet", std::string(200, 'x') + "\nsecond words here", DialogBox::Buttons::kOk);
  box.Layout(glyphs, Style(10), 320, 240);
  ASSERT_GE(box.Lines().size(), 3u);
  EXPECT_LE(box.BoxRect().right, 320);
  for (std::size_t i = 0; i < box.Lines().size(); ++i)
    EXPECT_LE(box.LineOrigin(i).x + static_cast<int>(box.Lines()[i].size()) * 10, box.BoxRect().right) << i;
}

TEST(DialogBox, KeysAndClicksChooseTheAnswer) {
  testing::SquareGlyphs glyphs;
  struct Case {
    const char* name;
    DialogBox::Buttons buttons;
    std::vector<DialogEvent> events;  // mouse points filled in below: {-1,-1} OK, {-2,-2} Cancel
    std::optional<DialogAnswer> expected;
  };
  const Point ok{-1, -1}, cancel{-2, -2}, outside{0, 0};
  using DK = DialogEvent::Kind;
  const DialogBox::Buttons two = DialogBox::Buttons::kOkCancel, one = DialogBox::Buttons::kOk;
  const Case cases[] = {
      {"Return on the first focus", two, {Key(K::kReturn)}, DialogAnswer::kOk},
      {"Escape", two, {Key(K::kEscape)}, DialogAnswer::kCancel},
      {"Tab to Cancel", two, {Key(K::kTab), Key(K::kReturn)}, DialogAnswer::kCancel},
      {"Tab wraps round", two, {Key(K::kTab), Key(K::kTab), Key(K::kReturn)}, DialogAnswer::kOk},
      {"Shift+Tab", two, {Key(K::kBackTab), Key(K::kReturn)}, DialogAnswer::kCancel},
      {"right arrow", two, {Key(K::kRight), Key(K::kReturn)}, DialogAnswer::kCancel},
      {"right and back", two, {Key(K::kRight), Key(K::kLeft), Key(K::kReturn)}, DialogAnswer::kOk},
      {"click OK", two, {Mouse(DK::kMouseDown, ok), Mouse(DK::kMouseUp, ok)}, DialogAnswer::kOk},
      {"click Cancel", two, {Mouse(DK::kMouseDown, cancel), Mouse(DK::kMouseUp, cancel)}, DialogAnswer::kCancel},
      {"press and slide off", two, {Mouse(DK::kMouseDown, ok), Mouse(DK::kMouseUp, outside)}, std::nullopt},
      {"release without press", two, {Mouse(DK::kMouseUp, ok)}, std::nullopt},
      {"typing without a field", two, {Text("a"), Key(K::kBackspace)}, std::nullopt},
      {"close request", two, {Key(K::kTab), Close()}, DialogAnswer::kClosed},
      {"message: Escape is OK", one, {Key(K::kEscape)}, DialogAnswer::kOk},
      {"message: click", one, {Mouse(DK::kMouseDown, ok), Mouse(DK::kMouseUp, ok)}, DialogAnswer::kOk},
  };
  for (const Case& c : cases) {
    DialogBox box("Mavlet", "続けますか?", c.buttons);
    box.Layout(glyphs, Style(), 640, 480);
    for (DialogEvent e : c.events) {
      if (e.at == ok) e.at = Centre(box.ButtonRect(0));
      if (e.at == cancel) e.at = Centre(box.ButtonRect(1));
      box.Handle(e);
    }
    EXPECT_EQ(box.Answer(), c.expected) << c.name;
  }
}

TEST(DialogBox, FolderFieldEdits) {
  testing::SquareGlyphs glyphs;
  struct Case {
    const char* name;
    std::vector<DialogEvent> events;
    const char* text;
    std::size_t caret;
    bool field_focused;
  };
  const Case cases[] = {
      {"starts with the suggestion, caret at its end", {}, "/tmp/a", 6, true},
      {"backspace and type", {Key(K::kBackspace), Text("b")}, "/tmp/b", 6, true},
      {"home and delete", {Key(K::kHome), Key(K::kDelete)}, "tmp/a", 0, true},
      {"arrows move the caret", {Key(K::kLeft), Key(K::kLeft), Text("x"), Key(K::kRight)}, "/tmpx/a", 6, true},
      {"end after home", {Key(K::kHome), Key(K::kEnd), Text("/セーブ")}, "/tmp/a/セーブ", 10, true},
      {"control characters are dropped", {Text("\t\n/b\x7F")}, "/tmp/a/b", 8, true},
      {"backspace at the start", {Key(K::kHome), Key(K::kBackspace), Key(K::kDelete)}, "tmp/a", 0, true},
      {"tab leaves the field", {Key(K::kTab), Text("z"), Key(K::kBackspace)}, "/tmp/a", 6, false},
  };
  for (const Case& c : cases) {
    DialogBox box("Mavlet", "フォルダ", DialogBox::Buttons::kOkCancel, "/tmp/a");
    box.Layout(glyphs, Style(), 640, 480);
    for (const DialogEvent& e : c.events) box.Handle(e);
    EXPECT_EQ(box.FieldText(), c.text) << c.name;
    EXPECT_EQ(box.Caret(), c.caret) << c.name;
    EXPECT_EQ(box.FieldFocused(), c.field_focused) << c.name;
    EXPECT_FALSE(box.Answer().has_value()) << c.name;
  }
}

TEST(DialogBox, FieldClicksAndReturn) {
  testing::SquareGlyphs glyphs;
  DialogBox box("Mavlet", "フォルダ", DialogBox::Buttons::kOkCancel, "/tmp/a");
  box.Layout(glyphs, Style(), 640, 480);
  box.Handle(Key(K::kTab));
  ASSERT_EQ(box.FocusedButton(), std::optional<std::size_t>(0));
  // A click on the field's left edge puts the caret before the first character.
  box.Handle(Mouse(DialogEvent::Kind::kMouseDown, Point{box.FieldRect().left + 1, Centre(box.FieldRect()).y}));
  EXPECT_TRUE(box.FieldFocused());
  EXPECT_EQ(box.Caret(), 0u);
  box.Handle(Key(K::kReturn));
  EXPECT_EQ(box.Answer(), DialogAnswer::kOk);
}

// A window that plays back events and keeps what was shown.
class ScriptedScreen : public DialogScreen {
 public:
  explicit ScriptedScreen(std::vector<DialogEvent> events) : events_(events.begin(), events.end()) {}
  Surface Backdrop() override { return Surface(PixelFormat::Xrgb8888(), 640, 480); }
  void Present(const Surface&) override { ++presented; }
  DialogEvent WaitEvent() override {
    if (events_.empty()) return Close();  // the script ran out: never wait for ever
    DialogEvent e = events_.front();
    events_.pop_front();
    return e;
  }
  int presented = 0;

 private:
  std::deque<DialogEvent> events_;
};

TEST(FolderQuestion, AnswersTable) {
  testing::TempFolder temp{"folder-box"};
  const fs::path base = temp.path() / "saves";
  struct Case {
    const char* name;
    std::vector<DialogEvent> events;
    DialogAnswer answer;
    const char* folder;  // relative to the temp folder, empty for none
  };
  const Case cases[] = {
      {"the suggestion as it is", {Key(K::kReturn)}, DialogAnswer::kOk, "saves"},
      {"edited", {Text("/game"), Key(K::kReturn)}, DialogAnswer::kOk, "saves/game"},
      {"clicked OK after Tab", {Key(K::kTab), Key(K::kReturn)}, DialogAnswer::kOk, "saves"},
      {"cancelled", {Key(K::kEscape)}, DialogAnswer::kCancel, ""},
      {"closed during the question", {Text("/x"), Close()}, DialogAnswer::kClosed, ""},
  };
  for (const Case& c : cases) {
    fs::remove_all(base);
    ScriptedScreen screen(c.events);
    testing::SquareGlyphs glyphs;
    const FolderAnswer a = AskFolderInBox(screen, glyphs, kMsGothic, "Mavlet", "セーブデータを保存するフォルダ", base);
    EXPECT_EQ(a.answer, c.answer) << c.name;
    EXPECT_GE(screen.presented, 1) << c.name;
    if (*c.folder != '\0') {
      EXPECT_EQ(a.folder, temp.path() / c.folder) << c.name;
      EXPECT_TRUE(fs::is_directory(a.folder)) << c.name;
    } else {
      EXPECT_TRUE(a.folder.empty()) << c.name;
      EXPECT_FALSE(fs::exists(base)) << c.name << ": nothing made without an OK";
    }
  }
}

TEST(FolderQuestion, AFolderThatCannotBeMadeKeepsTheBoxOpen) {
  testing::TempFolder temp{"folder-box"};
  const fs::path file = temp.path() / "file";
  std::ofstream(file) << "x";
  struct Case {
    const char* name;
    std::string typed;  // replaces the whole field
  };
  const Case cases[] = {{"empty", ""}, {"relative", "saves"}, {"below a file", (file / "sub").string()}};
  for (const Case& c : cases) {
    std::vector<DialogEvent> events;
    for (int i = 0; i < 200; ++i) events.push_back(Key(K::kBackspace));
    events.push_back(Text(c.typed));
    events.push_back(Key(K::kReturn));  // refused: the box stays
    events.push_back(Text("/never"));   // still editable
    events.push_back(Key(K::kEscape));
    ScriptedScreen screen(events);
    testing::SquareGlyphs glyphs;
    const FolderAnswer a = AskFolderInBox(screen, glyphs, kMsGothic, "Mavlet", "フォルダ", temp.path() / "x");
    EXPECT_EQ(a.answer, DialogAnswer::kCancel) << c.name;
  }
  EXPECT_NE(MakeFolder(""), "");
  EXPECT_NE(MakeFolder("relative"), "");
  EXPECT_NE(MakeFolder(file / "sub"), "");
  EXPECT_EQ(MakeFolder(temp.path() / "a" / "b"), "");
  EXPECT_TRUE(fs::is_directory(temp.path() / "a" / "b"));
}

}  // namespace
}  // namespace mavlet
