// The text window's grid: line breaking with punctuation and speaker names, alignment, the
// window-full state, markup read back (also from a full window), saved keys, and drawing with
// real glyphs at every depth: ink stays in its cell and no key colour shows at glyph edges.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "player/backend/fontconfig/fontconfig_locator.h"
#include "player/backend/fonts/freetype_glyphs.h"
#include "player/backend/glyph_source.h"
#include "player/common/error.h"
#include "player/display/text_surface.h"
#include "player/storage/game_status.h"
#include "tests/support/layer_services.h"
#include "tests/support/square_glyphs.h"

namespace mavlet {
namespace {

using testing::PictureFolder;
using testing::TestLayerServices;

const std::string kOpen = "\x81\x79";   // 【
const std::string kClose = "\x81\x7A";  // 】
const std::string kComma = "\x81\x41";  // 、
const std::string kStop = "\x81\x42";   // 。
const std::string kA = "\x82\xA0";      // あ
const std::string kGothic = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";

class Services : public TextWindowServices {
 public:
  explicit Services(GlyphSource* g) : glyphs(g) {}
  GlyphSource* Glyphs() override { return glyphs; }
  std::string TextFontName() override { return kGothic; }
  GlyphSource* glyphs;
};

struct Log : TextWindowListener {
  void OnPlaced(std::int32_t r, std::int32_t c, const TCustomPmText&) override {
    events += std::to_string(r) + ":" + std::to_string(c) + " ";
  }
  void OnCleared() override { events += "clear "; }
  void OnFull() override { events += "full "; }
  std::string events;
};

class TextSurfaceTest : public ::testing::Test {
 protected:
  explicit TextSurfaceTest(int bits = 32, GlyphSource* glyphs = nullptr)
      : layers_(folder_, bits), services_(glyphs ? glyphs : &box_), text_(layers_, services_) {}

  // Places every token of the markup; the number placed before the window was full.
  std::size_t Type(std::string_view markup) {
    tokens_.clear();
    ParseMarkup(tokens_, markup);
    Rect dirty;
    for (std::size_t i = 0; i < tokens_.size(); ++i)
      if (!text_.PlaceToken(tokens_, i, dirty)) return i;
    return tokens_.size();
  }

  // Rows as "indent>cells" with "." for empty cells, joined by "/".
  std::string Grid() const {
    std::string out;
    for (const auto& line : text_.Lines()) {
      if (!out.empty()) out += "/";
      if (line.Indent) out += std::to_string(line.Indent) + ">";
      for (const auto& t : line.Tokens) out += t.Code ? TokenText(t.Code) : ".";
    }
    return out;
  }

  PictureFolder folder_;
  TestLayerServices layers_;
  testing::SquareGlyphs box_{1};
  Services services_;
  TTextSurface text_;
  std::vector<TCustomPmText> tokens_;
};

TEST_F(TextSurfaceTest, LineBreaking) {
  struct Case {
    int cols;
    std::string markup;
    std::string grid;
    int hang;
  };
  const Case cases[] = {
      // An ordinary character never takes the last column.
      {5, "ABCDE", "ABCD./E..../...../...../.....", 0},
      // Punctuation may; two punctuation characters pull the character before them along.
      {5, "ABC" + kComma + kStop, "ABC" + kComma + kStop + "/...../...../...../.....", 0},
      {5, "ABCD" + kComma + kStop, "ABC../D" + kComma + kStop + "../...../...../.....", 0},
      // A two-character name: 】 in column 3, wrapped rows indented by 4.
      {8, kOpen + "AB" + kClose + "CDEFGHIJ",
       kOpen + "AB" + kClose + "CDE./4>FGH...../4>IJ....../......../........", 4},
      // A newline keeps the indent unless a name follows.
      {8, kOpen + "A" + kClose + "B\\nC\\n" + kOpen + "D" + kClose,
       kOpen + "A" + kClose + "B..../3>C......./" + kOpen + "D" + kClose + "...../......../........", 3},
      // A name longer than the row wraps before its 】 instead of writing past the row.
      {5, kOpen + "A" + kComma + kStop + kComma + kClose + "D",
       kOpen + "A" + kComma + kStop + kComma + "/" + kClose + "D.../...../...../.....", 1},
      // An indent that leaves only the last column still takes one character per row.
      {5, kOpen + "AB" + kClose + "CD", kOpen + "AB" + kClose + "./4>C..../4>D..../...../.....", 4},
      // [ and ] show as 【 】, digits as full-width digits.
      // (the ASCII brackets are not name brackets for the layout)
      {5, "[1]", kOpen + "\x82\x50" + kClose + "../...../...../...../.....", 0},
  };
  for (const auto& c : cases) {
    text_.Reset();
    text_.SetCols(c.cols);
    Type(c.markup);
    EXPECT_EQ(Grid(), c.grid) << c.markup;
    EXPECT_EQ(text_.HangIndent(), c.hang) << c.markup;
  }
}

TEST_F(TextSurfaceTest, AlignmentOffsets) {
  struct Case {
    std::string markup;
    std::int32_t offset;
    std::int32_t length;
  };
  const Case cases[] = {
      {"\\mABC", 24, 3},      // centred three of five: (5 - 3) * 24 / 2
      {"\\rAB", 72, 2},       // right
      {"\\lAB", 0, 2},
      {"\\m\\a(4)A", 12, 4},  // an explicit length
      {"\\m\\a(9)A", 0, 5},   // beyond the row: as a full row
      {"\\m\\a(-3)A", 60, 0}, // below nothing: as an empty row
  };
  for (const auto& c : cases) {
    text_.Reset();
    Type(c.markup);
    EXPECT_EQ(text_.Lines()[0].Offset, c.offset) << c.markup;
    EXPECT_EQ(text_.Lines()[0].Length, c.length) << c.markup;
  }
}

TEST_F(TextSurfaceTest, OutputPositionAndHeight) {
  text_.SetX(100);
  text_.SetY(50);
  EXPECT_EQ(text_.OutputX(), 100);
  EXPECT_EQ(text_.GetHeight(), 0);
  Type("AB");
  EXPECT_EQ(text_.OutputX(), 100 + 2 * 24);
  EXPECT_EQ(text_.OutputY(), 50);
  EXPECT_EQ(text_.GetHeight(), 25);
  EXPECT_EQ(text_.GetWidth(), 5 * 24);
  Type("CD");  // the row is full after the fourth: output moves to the next row's start
  EXPECT_EQ(text_.OutputY(), 50);
  EXPECT_EQ(text_.OutputX(), 100 + 4 * 24);
  Type("\\n");
  EXPECT_EQ(text_.OutputX(), 100);
  EXPECT_EQ(text_.OutputY(), 74);
  EXPECT_EQ(text_.GetHeight(), 25);  // nothing on the second row yet
}

TEST_F(TextSurfaceTest, FullWindowReturnsFalseAndKeepsTheGrid) {
  Log log;
  text_.SetListener(&log);
  text_.SetRows(2);
  EXPECT_EQ(Type("ABCDEFGHIJ"), 8u);
  EXPECT_TRUE(text_.Full());
  const std::string grid = Grid();
  Rect dirty;
  std::vector<TCustomPmText> more;
  ParseMarkup(more, "X");
  EXPECT_FALSE(text_.PlaceToken(more, 0, dirty));
  EXPECT_EQ(Grid(), grid);
  EXPECT_TRUE(dirty.IsEmpty());
  EXPECT_EQ(log.events, "0:0 0:1 0:2 0:3 1:0 1:1 1:2 1:3 full ");  // full reported once
  text_.ClearText();
  EXPECT_EQ(Grid(), "...../.....");
  EXPECT_EQ(log.events.substr(log.events.size() - 6), "clear ");
}

TEST_F(TextSurfaceTest, GetTextRoundTrips) {
  Type("A");
  EXPECT_EQ(text_.GetText(), "\\l\\c(ffffff)\\s(000000)A");
  struct Case {
    int rows;
    std::string markup;
  };
  const Case cases[] = {
      {5, "\\c(ff0000)AB\\s(none)C\\n\\mDE\\\\F"},
      {8, kOpen + "AB" + kClose + "CDEFGH"},
      {2, "ABCDEFGHIJK"},  // full window: the cursor sits on the row past the last
      {2, "AB\\n\\nCD"},
      {3, "\\rAB\\n\\lC"},
  };
  for (const auto& c : cases) {
    text_.Reset();
    text_.SetCols(c.markup.find('G') != std::string::npos ? 8 : 5);
    text_.SetRows(c.rows);
    Type(c.markup);
    const std::string grid = Grid();
    const auto row = text_.CurRow(), col = text_.CurCol();
    const std::string markup = text_.GetText();
    text_.SetText(markup);
    EXPECT_EQ(Grid(), grid) << markup;
    EXPECT_EQ(text_.CurRow(), row) << markup;
    EXPECT_EQ(text_.CurCol(), col) << markup;
    EXPECT_EQ(text_.GetText(), markup);
  }
}

TEST_F(TextSurfaceTest, SavedKeysRestoreTheWindow) {
  text_.SetX(10);
  text_.SetY(20);
  text_.SetFontSize(16);
  text_.SetRowGap(4);
  text_.SetCols(6);
  text_.SetRows(3);
  text_.SetBold(true);
  Type("\\mABC\\c(0000ff)D");
  const std::string dir = ::testing::TempDir() + "/text_surface_status";
  std::filesystem::create_directories(dir);
  TGameStatus status(dir, 1);
  text_.SaveToStatus(status);
  EXPECT_EQ(status.ReadString("Sfc9Col", ""), "6");
  EXPECT_FALSE(status.ReadString("Sfc9Text", "").empty());
  TTextSurface other(layers_, services_);
  other.LoadFromStatus(status);
  EXPECT_EQ(std::tuple(other.X(), other.FontSize(), other.RowGap(), other.Bold(), other.Cols(), other.Rows(), other.Align()),
            std::tuple(10, 16, 4, true, 6, 3, 1));
  EXPECT_EQ(other.GetText(), text_.GetText());
  // A saved text with a bad argument loads what parsed before it; written by a scenario the same
  // text is refused and the window stays.
  status.WriteString("Sfc9Text", "XY\\a(x)Z");
  other.LoadFromStatus(status);
  EXPECT_EQ(other.GetText(), "\\m\\a(2)\\c(ffffff)\\s(000000)XY");
  EXPECT_THROW(other.SetText("PQ\\i(y)"), MavError);
  EXPECT_EQ(other.GetText(), "\\m\\a(2)\\c(ffffff)\\s(000000)XY");
}

TEST_F(TextSurfaceTest, SizesAreBounded) {
  text_.SetCols(2'000'000'000);
  text_.SetRows(2'000'000'000);
  EXPECT_EQ(text_.Cols(), TTextSurface::kMaxCols);
  EXPECT_EQ(text_.Rows(), TTextSurface::kMaxRows);
  text_.SetFontSize(100000);
  EXPECT_EQ(Type("AB"), 2u);  // the canvas would be too large: laid out, not drawn
  EXPECT_EQ(text_.Canvas(), nullptr);
  text_.SetCols(-5);
  EXPECT_EQ(Type("A"), 0u);
}

// Real glyphs at one depth.
class TextDrawTest : public ::testing::TestWithParam<int> {
 protected:
  PictureFolder folder_;
  TestLayerServices layers_{folder_, GetParam()};
  FreeTypeGlyphs fonts_{std::make_unique<FontconfigLocator>()};
  Services services_{&fonts_};
  TTextSurface text_{layers_, services_};
};

TEST_P(TextDrawTest, NoKeyColourAtGlyphEdgesAndInkInsideCells) {
  text_.SetX(3);
  text_.SetY(5);
  text_.SetCols(8);
  std::vector<TCustomPmText> tokens;
  ParseMarkup(tokens, "\\c(ffffff)\\s(000000)" + kOpen + kA + kClose + "\xB1\x82\x4F" + kComma + "\\c(00ff00)\\s(none)" + kA);
  Rect dirty;
  for (std::size_t i = 0; i < tokens.size(); ++i) ASSERT_TRUE(text_.PlaceToken(tokens, i, dirty));
  Surface target = layers_.MakeTarget(220, 100);
  const std::int32_t back = 0x996633;
  target.Fill(target.DeviceColour(back));
  text_.Draw(target);
  int inked = 0;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 220; ++x) {
      const std::int32_t c = TestLayerServices::Rgb(target, x, y);
      const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
      // Purple-ish (red and blue well above green) would be the key bleeding through.
      ASSERT_FALSE(r > g + 40 && b > g + 40 && std::abs(r - b) < 40) << x << "," << y << " " << std::hex << c;
      inked += c != TestLayerServices::Rgb(target, 199, 99);
    }
  }
  EXPECT_GT(inked, 200);
  // Every cell got ink, and the window's own picture holds no key colour where ink is.
  const Surface& canvas = *text_.Canvas();
  for (int cell = 0; cell < 7; ++cell) {
    int ink = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = cell * 24; x < cell * 24 + 24; ++x) {
        if (text_.CoverageAt(x, y) == 0) continue;
        ++ink;
        ASSERT_NE(canvas.RawPixel(x, y) & canvas.format().ColourBits(), static_cast<std::uint32_t>(canvas.colour_key()));
      }
    EXPECT_GT(ink, 0) << cell;
  }
}

TEST_P(TextDrawTest, GlyphsStayInTheirCellAtEverySize) {
  const std::vector<std::uint16_t> codes{'g', 'Q', 0x817A, 0x82A0, 0xB1, 0x824F, 0x8179};  // g Q 】 あ ｱ ０ 【
  for (int size = 8; size <= 64; size += (GetParam() == 32 ? 1 : 7)) {
    text_.SetFontSize(size);
    text_.SetCols(3);
    text_.SetRows(1);
    for (std::uint16_t code : codes) {
      // One glyph in the middle cell (【 always takes the first): no ink outside its cell.
      text_.Relayout();
      const std::vector<TCustomPmText> pair{{' ', 0xFFFFFF, -1}, {code, 0xFFFFFF, -1}};
      Rect dirty;
      text_.PlaceToken(pair, 0, dirty);
      text_.PlaceToken(pair, 1, dirty);
      const int left = code == 0x8179 ? 0 : size;
      int ink = 0;
      for (int y = 0; y <= size; ++y)
        for (int x = 0; x < 3 * size; ++x) {
          const bool inside = x >= left && x < left + size && y < size;
          if (inside) ink += text_.CoverageAt(x, y) > 0;
          else ASSERT_EQ(text_.CoverageAt(x, y), 0) << "size " << size << " code " << code << " at " << x << "," << y;
        }
      EXPECT_GT(ink, 0) << "size " << size << " code " << code;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, TextDrawTest, ::testing::Values(16, 24, 32));

}  // namespace
}  // namespace mavlet
