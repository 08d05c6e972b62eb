// The choice layers: region shapes (rectangle, ellipse, winding polygon, malformed), the string
// choice's integer layout and scrolling, and what both layers draw.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "player/backend/glyph_source.h"
#include "player/display/choice_region.h"
#include "player/display/commands/choice_commands.h"
#include "player/display/sel_map_surface.h"
#include "player/display/sel_str_surface.h"
#include "tests/support/layer_services.h"
#include "tests/support/square_glyphs.h"

namespace mavlet {
namespace {

using testing::PictureFolder;
using testing::TestLayerServices;

std::vector<MapPoint> Pts(std::initializer_list<std::pair<int, int>> ps) {
  std::vector<MapPoint> out;
  for (auto [x, y] : ps) out.push_back(MapPoint{x, y});
  return out;
}

TEST(RegionShape, HitTable) {
  struct Case {
    const char* name;
    int kind;
    std::vector<MapPoint> points;
    int x, y;
    bool inside;
  };
  const auto rect = Pts({{10, 20}, {30, 40}});
  const auto reversed = Pts({{30, 40}, {10, 20}});
  const auto ellipse = Pts({{10, 10}, {110, 60}});
  const auto triangle = Pts({{0, 0}, {20, 0}, {0, 20}});
  // A pentagram: its centre is wound twice, so the non-zero rule fills it (even-odd would not).
  const auto star = Pts({{50, 0}, {79, 90}, {2, 34}, {98, 34}, {21, 90}});
  const Case cases[] = {
      {"rect corner", 0, rect, 10, 20, true},
      {"rect last pixel", 0, rect, 29, 39, true},
      {"rect right edge excluded", 0, rect, 30, 25, false},
      {"rect bottom edge excluded", 0, rect, 15, 40, false},
      {"rect reversed corners", 0, reversed, 10, 20, true},
      {"ellipse centre", 1, ellipse, 60, 35, true},
      {"ellipse box corner", 1, ellipse, 11, 11, false},
      {"ellipse left end", 1, ellipse, 10, 35, true},
      {"ellipse right end", 1, ellipse, 109, 34, true},
      {"ellipse top middle", 1, ellipse, 60, 10, true},
      {"ellipse near corner", 1, ellipse, 100, 55, false},
      {"triangle inside", 2, triangle, 3, 3, true},
      {"triangle beyond hypotenuse", 2, triangle, 12, 12, false},
      {"any other kind is a polygon", 7, triangle, 3, 3, true},
      {"star centre (wound twice)", 2, star, 50, 45, true},
      {"star point", 2, star, 50, 5, true},
      {"star outside between points", 2, star, 20, 10, false},
      {"rect with one point is empty", 0, Pts({{0, 0}}), 0, 0, false},
      {"ellipse without points is empty", 1, {}, 0, 0, false},
      {"polygon with two points is empty", 2, Pts({{0, 0}, {50, 50}}), 10, 10, false},
      {"flat rect is empty", 0, Pts({{0, 5}, {50, 5}}), 10, 5, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TRegionShape shape(c.kind, c.points);
    EXPECT_EQ(shape.Contains(c.x, c.y), c.inside);
  }
}

TEST(RegionShape, HugeCoordinatesAreClampedWithoutOverflow) {
  const TRegionShape e(1, Pts({{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}}));
  EXPECT_TRUE(e.Contains(0, 0));
  EXPECT_FALSE(e.Contains(INT32_MAX, INT32_MAX));
  const TRegionShape p(2, Pts({{INT32_MIN, 0}, {INT32_MAX, 0}, {0, INT32_MAX}}));
  EXPECT_TRUE(p.Contains(0, 10));
}

TEST(SelMapRegion, MalformedDefinitionsKeepTheirIndex) {
  TComSelMap map(nullptr);
  map.Parse("0,,pic,0\\1:a:0\\0\\0,1\\2:b:0\\0\\0\\9,0\\3:c:0\\10\\10\\20\\20");
  ASSERT_EQ(map.args().regions.size(), 3u);
  TestLayerServices services(PictureFolder{});
  TSelMapSurface layer(services);
  std::vector<TSelMapRgn> regions;
  for (const auto& d : map.args().regions) regions.push_back(TSelMapRgn::FromDef(d));
  layer.SetRegions(std::move(regions));
  EXPECT_TRUE(layer.Regions()[0].Shape.Empty());
  EXPECT_TRUE(layer.Regions()[1].Shape.Empty());
  EXPECT_EQ(layer.RegionAt(15, 15), 2);
  EXPECT_EQ(layer.RegionAt(0, 0), -1);
  EXPECT_EQ(layer.Regions()[2].Pages[TSelMapRgn::kDecide], 3);
  EXPECT_EQ(layer.Regions()[2].Pages[TSelMapRgn::kEnter], -1);
}

class TestText : public ChoiceTextServices {
 public:
  GlyphSource* Glyphs() override { return glyphs; }
  std::string TextFontName() override { return "x"; }
  GlyphSource* glyphs = nullptr;
};

std::vector<TSelStrEntry> Items(int n, const std::string& prefix = "item") {
  std::vector<TSelStrEntry> out;
  for (int i = 0; i < n; ++i) out.push_back(TSelStrEntry{prefix + std::to_string(i), 1, i, 0});
  return out;
}

class SelStrLayout : public ::testing::Test {
 protected:
  SelStrLayout() : services_(folder_), layer_(services_, text_) {}
  void Open(int n, TSelStrStyle style, int x = 0, int y = 0) {
    layer_.Reset();
    layer_.SetStyle(std::move(style));
    layer_.SetItems(Items(n));
    layer_.SetX(x);
    layer_.SetY(y);
  }
  PictureFolder folder_;
  TestLayerServices services_;
  TestText text_;
  TSelStrSurface layer_;
};

TEST_F(SelStrLayout, ColumnsWidthsAndSize) {
  struct Case {
    const char* name;
    int n, rows, list, font, frame;
    std::string title;
    int title_size;
    int columns, width0, width, height;
    bool scroll;
  };
  // "itemNN" is 6 bytes ("item0".."item9" 5): width = 24 * L / 2 + 16.
  const Case cases[] = {
      {"25 items in columns of 10", 25, 10, 0, 24, 0, "", 10, 3, 76, 88 * 2 + 76, 32 * 10, false},
      {"25 items as a list", 25, 10, 1, 24, 0, "", 10, 1, 88, 88 + 16, 32 * 10, true},
      {"list that fits has no bar", 5, 10, 1, 24, 4, "", 10, 1, 76, 76 + 8, 32 * 5 + 8, false},
      {"title widens a narrow column", 2, 10, 0, 8, 0, std::string(40, 'T'), 20, 1, 416, 416, 16 * 2 + 28, false},
      {"rows 0 count as 1", 3, 0, 0, 24, 0, "", 10, 3, 76, 76 * 3, 32, false},
      {"no items: no columns, no division", 0, 10, 0, 24, 2, "Title", 10, 0, 0, 4, 4 + 18, false},
      {"no items in list mode", 0, 10, 1, 24, 0, "Title", 10, 0, 0, 0, 18, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSelStrStyle s;
    s.Rows = c.rows;
    s.ListMode = c.list;
    s.FontSize = c.font;
    s.FrameWidth = c.frame;
    s.Title = c.title;
    s.TitleSize = c.title_size;
    Open(c.n, s);
    EXPECT_EQ(layer_.Columns(), c.columns);
    EXPECT_EQ(layer_.ColumnWidth(0), c.width0);
    EXPECT_EQ(layer_.GetWidth(), c.width);
    EXPECT_EQ(layer_.GetHeight(), c.height);
    EXPECT_EQ(layer_.HasScrollBar(), c.scroll);
  }
}

TEST_F(SelStrLayout, ItemRectanglesAndVisibility) {
  TSelStrStyle s;
  s.Rows = 10;
  s.FrameWidth = 3;
  s.Title = "T";
  s.TitleSize = 12;
  Open(25, s, 100, 50);
  // Column mode: item 23 is row 3 of column 2.
  EXPECT_EQ(layer_.ItemRect(23), Bounds(100 + 3 + 76 + 88, 50 + 3 + 20 + 3 * 32, 88, 32));
  EXPECT_TRUE(layer_.ItemVisible(23));
  EXPECT_EQ(layer_.ItemAt(100 + 3 + 76 + 88, 50 + 3 + 20 + 3 * 32), 23);
  EXPECT_EQ(layer_.ItemAt(99, 80), -1);

  s.ListMode = 1;
  Open(25, s, 100, 50);
  layer_.SetTop(5);
  EXPECT_EQ(layer_.ItemRect(7), Bounds(103, 50 + 3 + 20 + 2 * 32, 88, 32));
  EXPECT_FALSE(layer_.ItemVisible(4));
  EXPECT_TRUE(layer_.ItemVisible(14));
  EXPECT_FALSE(layer_.ItemVisible(15));
  EXPECT_EQ(layer_.ItemAt(110, 50 + 3 + 20), 5);
}

TEST_F(SelStrLayout, SelectScrollsAndTopStaysInRange) {
  TSelStrStyle s;
  s.Rows = 10;
  s.ListMode = 1;
  Open(30, s);
  struct Step {
    const char* name;
    int top_before, select, top_after;
  };
  const Step steps[] = {
      {"visible item keeps top", 0, 9, 0},
      {"one below scrolls by one", 0, 10, 1},
      {"far below puts it last", 0, 25, 16},
      {"above puts it first", 16, 3, 3},
      {"none keeps top", 7, -1, 7},
  };
  for (const Step& st : steps) {
    SCOPED_TRACE(st.name);
    layer_.SetTop(st.top_before);
    layer_.Select(st.select);
    EXPECT_EQ(layer_.Selected(), st.select);
    EXPECT_EQ(layer_.Top(), st.top_after);
  }
  for (auto [top, kept] : {std::pair{-5, 0}, {25, 20}, {20, 20}, {INT32_MAX, 20}}) {
    layer_.SetTop(top);
    layer_.KeepTopInRange();
    EXPECT_EQ(layer_.Top(), kept);
  }
}

TEST_F(SelStrLayout, ScrollBarPartsAndDragging) {
  TSelStrStyle s;
  s.Rows = 10;
  s.ListMode = 1;
  s.FrameWidth = 2;
  s.ScrollFrameWidth = 1;
  Open(30, s, 10, 20);
  // Height 2*2 + 320 = 324; the thumb travels 324 - 4 - 2 - 48 = 270 pixels over 20 rows.
  const std::int32_t x0 = 10 + layer_.GetWidth() - 2 - 16;
  EXPECT_EQ(layer_.ScrollColumn(), Bounds(x0, 22, 16, 320));
  EXPECT_EQ(layer_.UpBox(), Bounds(x0, 22, 16, 16));
  EXPECT_EQ(layer_.DownBox(), Bounds(x0, 22 + 320 - 16, 16, 16));
  EXPECT_EQ(layer_.ThumbTravel(), 270);
  EXPECT_EQ(layer_.ThumbRect().top, 22 + 1 + 16);
  layer_.SetTop(20);
  EXPECT_EQ(layer_.ThumbRect().top, 22 + 1 + 16 + 270);
  layer_.SetTop(7);
  EXPECT_EQ(layer_.ThumbRect().top, 22 + 1 + 16 + 270 * 7 / 20);
  // Thumb centre at the start of travel is row 0; the middle rounds 10; beyond the ends clamps.
  const std::int32_t start = 20 + 2 + 1 + 24;
  EXPECT_EQ(layer_.TopForThumbCentre(start), 0);
  EXPECT_EQ(layer_.TopForThumbCentre(start + 135), 10);
  EXPECT_EQ(layer_.TopForThumbCentre(start + 7), 1);   // 0.52 rounds up
  EXPECT_EQ(layer_.TopForThumbCentre(start + 6), 0);   // 0.44 rounds down
  EXPECT_EQ(layer_.TopForThumbCentre(start - 500), 0);
  EXPECT_EQ(layer_.TopForThumbCentre(start + 5000), 20);
}

TEST_F(SelStrLayout, DragWithoutTrackGivesTopZero) {
  // Font 8 with 2 rows: the track is 2 * 16 - 48 < 0 pixels long.
  TSelStrStyle s;
  s.Rows = 2;
  s.ListMode = 1;
  s.FontSize = 8;
  Open(5, s);
  EXPECT_LE(layer_.ThumbTravel(), 0);
  layer_.SetTop(2);
  EXPECT_EQ(layer_.TopForThumbCentre(100), 0);
  EXPECT_EQ(layer_.TopForThumbCentre(-100), 0);
}

TEST_F(SelStrLayout, HugeSizesSaturate) {
  TSelStrStyle s;
  s.FontSize = INT32_MAX;
  s.FrameWidth = INT32_MAX;
  s.Rows = INT32_MIN;
  Open(3, s, INT32_MAX, INT32_MAX);
  EXPECT_EQ(layer_.Style().FontSize, TSelStrSurface::kMaxFontSize);
  EXPECT_EQ(layer_.RowCount(), 1);
  EXPECT_GT(layer_.GetWidth(), 0);
  EXPECT_EQ(layer_.LayerRect().right, INT32_MAX);
}

TEST_F(SelStrLayout, DrawsFrameBackHighlightAndText) {
  testing::SquareGlyphs glyphs;
  text_.glyphs = &glyphs;
  TSelStrStyle s;
  s.FontSize = 8;
  s.Rows = 10;
  s.FrameWidth = 2;
  s.FrameColor = testing::kRed;
  s.BackStyle = 1;
  s.BackColor = testing::kBlue;
  s.HighlightStyle = 3;
  s.HighlightColor = 0x00FFFF;
  s.TextColor = testing::kGreen;
  Open(2, s, 4, 4);
  layer_.Select(1);
  Surface target = services_.MakeTarget(64, 64);
  layer_.Draw(target);
  auto at = [&](int x, int y) { return TestLayerServices::Rgb(target, x, y); };
  EXPECT_EQ(at(0, 0), testing::kBlack);
  EXPECT_EQ(at(4, 4), testing::kRed);          // frame
  EXPECT_EQ(at(6, 6), testing::kBlue);         // back
  // Item 0 text at (left + 8, top + 4) = (14, 10): the text colour.
  EXPECT_EQ(at(14, 10), testing::kGreen);
  EXPECT_EQ(at(13, 10), testing::kBlue);
  // Item 1: filled with the highlight colour, text in its inverse.
  EXPECT_EQ(at(7, 6 + 16 + 1), 0x00FFFF);
  EXPECT_EQ(at(14, 6 + 16 + 4), 0xFF0000);
  // A clipped redraw only touches its rectangle.
  Surface partial = services_.MakeTarget(64, 64);
  layer_.DrawRect(partial, Bounds(14, 10, 2, 2));
  EXPECT_EQ(TestLayerServices::Rgb(partial, 14, 10), testing::kGreen);
  EXPECT_EQ(TestLayerServices::Rgb(partial, 4, 4), testing::kBlack);
  // Without items nothing is drawn.
  layer_.ClearItems();
  Surface empty = services_.MakeTarget(64, 64);
  layer_.Draw(empty);
  EXPECT_EQ(TestLayerServices::Rgb(empty, 4, 4), testing::kBlack);
}

// The filled highlight is part of the window's background: without a background (BackStyle 0)
// the selected item gets no box whatever its highlight style.
TEST_F(SelStrLayout, FilledHighlightOnlyOnAWindowBackground) {
  struct Case {
    std::uint8_t back_style;
    std::uint8_t highlight_style;
    std::uint32_t inside_selected;  // a pixel of item 1's rectangle clear of its text
  };
  const Case cases[] = {
      {0, 2, testing::kBlack}, {0, 3, testing::kBlack}, {0, 1, testing::kBlack}, {0, 0, testing::kBlack},
      {1, 2, 0x00FFFF},        {1, 3, 0x00FFFF},        {1, 0, testing::kBlue},  {1, 1, testing::kBlue},
  };
  for (const Case& c : cases) {
    TSelStrStyle s;
    s.FontSize = 8;
    s.Rows = 10;
    s.BackStyle = c.back_style;
    s.BackColor = testing::kBlue;
    s.HighlightStyle = c.highlight_style;
    s.HighlightColor = 0x00FFFF;
    Open(2, s, 4, 4);
    layer_.Select(1);
    Surface target = services_.MakeTarget(64, 64);
    layer_.Draw(target);
    const Rect r = layer_.ItemRect(1);
    EXPECT_EQ(TestLayerServices::Rgb(target, r.right - 3, r.bottom - 3), c.inside_selected)
        << "back " << int{c.back_style} << " highlight " << int{c.highlight_style};
  }
}

TEST(SelMapDraw, HighlightMatchesTheHitTestPixelForPixel) {
  PictureFolder folder;
  folder.Write("map.pmp", testing::Bmp24(testing::Solid(80, 60, testing::kRed)));
  TestLayerServices services(folder);
  TSelMapSurface layer(services);
  layer.Reset();
  layer.SetSrc("map.pmp");
  ASSERT_EQ(layer.GetWidth(), 80);
  std::vector<TSelMapRgn> regions(3);
  regions[0].Shape = TRegionShape(1, Pts({{5, 5}, {45, 35}}));
  regions[1].Shape = TRegionShape(2, Pts({{50, 0}, {79, 59}, {20, 59}}));
  regions[2].Shape = TRegionShape(0, Pts({{60, 40}, {200, 200}}));  // reaches past the picture
  layer.SetRegions(std::move(regions));
  for (int h = 0; h < 3; ++h) {
    SCOPED_TRACE(h);
    layer.SetHighlighted(h);
    Surface target = services.MakeTarget(100, 80);
    layer.Draw(target);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 100; ++x) {
        const bool lit = TestLayerServices::Rgb(target, x, y) == testing::kRed;
        const bool expect = layer.Regions()[static_cast<std::size_t>(h)].Shape.Contains(x, y) && x < 80 && y < 60;
        ASSERT_EQ(lit, expect) << x << "," << y;
      }
  }
  layer.SetHighlighted(-1);
  Surface none = services.MakeTarget(100, 80);
  layer.Draw(none);
  EXPECT_EQ(TestLayerServices::Rgb(none, 20, 20), testing::kBlack);
}

}  // namespace
}  // namespace mavlet
