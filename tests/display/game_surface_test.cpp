#include <gtest/gtest.h>

#include <cmath>

#include "player/common/error.h"
#include "player/display/game_surface.h"
#include "player/storage/game_status.h"
#include "tests/display/layer_test_support.h"

namespace mavlet::testing {
namespace {

using Rgb = std::int32_t;

class GameSurfaceTest : public ::testing::TestWithParam<int> {
 protected:
  int Bits() const { return GetParam(); }
  // Colours survive every depth only when made of 0 and 255 channels; mixes are compared with
  // a tolerance that covers 16-bit rounding.
  static bool Near(Rgb a, Rgb b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8)
      if (std::abs(((a >> shift) & 0xFF) - ((b >> shift) & 0xFF)) > tolerance) return false;
    return true;
  }
  int Tolerance() const { return Bits() == 16 ? 8 : 1; }

  PictureFolder folder_;
};

INSTANTIATE_TEST_SUITE_P(Depths, GameSurfaceTest, ::testing::Values(16, 24, 32));

TEST_P(GameSurfaceTest, ColourKeyIsTheBottomLeftPixel) {
  folder_.Write("k.pmp", Bmp24({{kGreen, kRed, kGreen}, {kRed, kGreen, kBlue}}));
  TestLayerServices s(folder_, Bits());
  TGameSurface& l = s.LoadPicture(1, "k.pmp");
  ASSERT_EQ(l.GetWidth(), 3);
  for (bool keyed : {true, false}) {
    l.SetTransparent(keyed);
    Surface t = s.MakeTarget(3, 2);
    t.Fill(t.DeviceColour(kWhiteRgb));
    l.Draw(t);
    EXPECT_EQ(TestLayerServices::Rgb(t, 0, 0), kGreen);
    EXPECT_EQ(TestLayerServices::Rgb(t, 1, 0), keyed ? kWhiteRgb : kRed) << keyed;
    EXPECT_EQ(TestLayerServices::Rgb(t, 0, 1), keyed ? kWhiteRgb : kRed) << keyed;
    EXPECT_EQ(TestLayerServices::Rgb(t, 2, 1), kBlue);
  }
}

TEST_P(GameSurfaceTest, LayersDrawInIndexOrder) {
  folder_.Write("r.pmp", Bmp24(Solid(4, 4, kRed)));
  folder_.Write("g.pmp", Bmp24(Solid(2, 2, kGreen)));
  for (auto [low, high] : {std::pair{"r.pmp", "g.pmp"}, std::pair{"g.pmp", "r.pmp"}}) {
    TestLayerServices s(folder_, Bits());
    s.Layers().ResetAll();
    s.Layers().Picture(2)->SetSrc(low);
    s.Layers().Picture(5)->SetSrc(high);
    Surface t = s.MakeTarget(4, 4);
    s.Layers().DrawAll(t);
    const Rgb top = std::string(high) == "g.pmp" ? kGreen : kRed;
    EXPECT_EQ(TestLayerServices::Rgb(t, 1, 1), top) << low << " under " << high;
  }
}

TEST_P(GameSurfaceTest, BrightnessIsAppliedBeforeTheKeyIsTaken) {
  folder_.Write("p.pmp", Bmp24({{kGreen, kGreen}, {kRed, kGreen}}));
  struct Case {
    std::int32_t bright;
    Rgb expected;  // colour of every pixel
  } cases[] = {{255, kWhiteRgb}, {-255, kBlack}, {0, kGreen}, {256, kGreen}};  // 256: low byte 0
  for (const Case& c : cases) {
    TestLayerServices s(folder_, Bits());
    TGameSurface& l = s.LoadPicture(1, "p.pmp");
    l.SetBright(c.bright);
    Surface t = s.MakeTarget(2, 2);
    t.Fill(t.DeviceColour(kBlue));
    l.Draw(t);
    EXPECT_EQ(TestLayerServices::Rgb(t, 1, 0), c.expected) << c.bright;
    // With the key: the whole picture is one colour after full brightening, so nothing shows.
    l.SetTransparent(true);
    t.Fill(t.DeviceColour(kBlue));
    l.Draw(t);
    EXPECT_EQ(TestLayerServices::Rgb(t, 1, 0), std::abs(c.bright) == 255 ? kBlue : kGreen) << c.bright;
  }
  TestLayerServices s(folder_, Bits());
  TGameSurface& l = s.LoadPicture(1, "p.pmp");
  l.SetBright(128);
  EXPECT_TRUE(Near(TestLayerServices::Rgb(*l.Frame(0), 0, 0), 0x80FF80, Tolerance()));
}

TEST_P(GameSurfaceTest, AlphaBlendsTheLayer) {
  folder_.Write("w.pmp", Bmp24(Solid(2, 2, kWhiteRgb)));
  TestLayerServices s(folder_, Bits());
  TGameSurface& l = s.LoadPicture(1, "w.pmp");
  l.SetAlpha(128);
  Surface t = s.MakeTarget(2, 2);
  l.Draw(t);
  EXPECT_TRUE(Near(TestLayerServices::Rgb(t, 1, 1), 0x808080, Tolerance()));
  Surface part = s.MakeTarget(2, 2);
  l.DrawRect(part, Rect{1, 1, 2, 2});
  EXPECT_EQ(TestLayerServices::Rgb(part, 0, 0), kBlack) << "outside the rectangle";
  EXPECT_TRUE(Near(TestLayerServices::Rgb(part, 1, 1), 0x808080, Tolerance()));
}

TEST_P(GameSurfaceTest, MaskBlendsOnPictureLayersOnly) {
  folder_.Write("m.pmp", Bmp24(Solid(4, 1, kWhiteRgb)));
  folder_.Write("m-m.pmp", Grey8({{0, 128, 255, 255}}));
  struct Case {
    const char* what;
    int layer;
    bool anti_alias;
    int screen_bits;
    bool masked;
  } cases[] = {
      {"picture layer", 1, true, 0, true},
      {"background never masks", 0, true, 0, false},
      {"anti-alias off", 1, false, 0, false},
      {"8-bit screen", 1, true, 8, false},
  };
  for (const Case& c : cases) {
    TestLayerServices s(folder_, Bits());
    s.anti_alias = c.anti_alias;
    s.screen_bits_override = c.screen_bits;
    TGameSurface& l = s.LoadPicture(c.layer, "m.pmp");
    EXPECT_EQ(l.HasMask(), c.masked) << c.what;
    Surface t = s.MakeTarget(4, 1);
    t.Fill(t.DeviceColour(kBlue));
    l.Draw(t);
    EXPECT_EQ(TestLayerServices::Rgb(t, 0, 0), kWhiteRgb) << c.what;
    EXPECT_EQ(TestLayerServices::Rgb(t, 2, 0), c.masked ? kBlue : kWhiteRgb) << c.what;
    if (c.masked) {
      // m 128: (255 * 127) >> 8 = 126 from the picture, plus (255 * 128) >> 8 = 127 of blue.
      EXPECT_TRUE(Near(TestLayerServices::Rgb(t, 1, 0), 0xFD7E7E, Tolerance())) << c.what;
    }
  }
}

TEST_P(GameSurfaceTest, OpaqueRectFollowsTheMask) {
  folder_.Write("o.pmp", Bmp24(Solid(4, 3, kRed)));
  folder_.Write("o-m.pmp", Grey8({{255, 255, 255, 255}, {255, 10, 249, 255}, {255, 255, 255, 255}}));
  folder_.Write("e.pmp", Bmp24(Solid(4, 3, kRed)));
  folder_.Write("e-m.pmp", Grey8({{250, 255, 255, 255}, {255, 255, 251, 255}, {255, 255, 255, 255}}));
  TestLayerServices s(folder_, Bits());
  TGameSurface& l = *s.Layers().Picture(1);
  l.Reset();
  l.SetX(10);
  l.SetY(20);
  l.SetSrc("o.pmp");
  EXPECT_EQ(l.OpaqueRect(), (Rect{1, 1, 3, 2}));
  EXPECT_EQ(l.GetBounds(), (Rect{11, 21, 13, 22}));
  EXPECT_EQ(l.LayerRect(), (Rect{10, 20, 14, 23}));
  l.SetSrc("e.pmp");
  EXPECT_EQ(l.OpaqueRect(), (Rect{3, 2, 0, 0}));
  EXPECT_TRUE(l.GetBounds().IsEmpty());
  // Without a mask the whole frame counts.
  s.anti_alias = false;
  l.Reload();
  EXPECT_EQ(l.OpaqueRect(), (Rect{0, 0, 4, 3}));
}

TEST_P(GameSurfaceTest, SetSrcReloadsOnlyWhenNeeded) {
  folder_.Write("a.pmp", Bmp24(Solid(2, 2, kRed)));
  TestLayerServices s(folder_, Bits());
  TGameSurface& l = s.LoadPicture(1, "a.pmp");
  folder_.Write("a.pmp", Bmp24(Solid(2, 2, kGreen)));
  l.SetSrc("A.PMP");  // same name ignoring case: kept
  EXPECT_EQ(TestLayerServices::Rgb(*l.Frame(0), 0, 0), kRed);
  l.SetFrameIndex(1);
  l.SetSrc("a.pmp");  // not at frame 0: reloaded
  EXPECT_EQ(TestLayerServices::Rgb(*l.Frame(0), 0, 0), kGreen);
  EXPECT_EQ(l.GetFrameIndex(), 0);
  // A masked layer always reloads.
  folder_.Write("a-m.pmp", Grey8(std::vector<std::vector<std::uint8_t>>(2, std::vector<std::uint8_t>(2, 0))));
  l.Reload();
  ASSERT_TRUE(l.HasMask());
  folder_.Write("a.pmp", Bmp24(Solid(2, 2, kBlue)));
  l.SetSrc("a.pmp");
  EXPECT_EQ(TestLayerServices::Rgb(*l.Frame(0), 0, 0), kBlue);

  l.SetFill(true);
  EXPECT_EQ(l.GetSrc(), "");
  EXPECT_EQ(l.GetFrameCount(), 0);
  l.SetSrc("a.pmp");
  EXPECT_FALSE(l.GetFill());
  EXPECT_EQ(l.GetFrameCount(), 1);
  // Missing pictures leave the layer empty without an error.
  l.SetSrc("missing.pmp");
  EXPECT_EQ(l.GetFrameCount(), 0);
  EXPECT_EQ(l.GetWidth(), 0);
}

TEST_P(GameSurfaceTest, MultiFrameFilesDrawTheChosenFrame) {
  folder_.Write("anim", Frames({{false, Solid(2, 2, kRed)},
                                {true, {{kGreen, kBlue}, {kBlue, kBlue}}},
                                {false, Solid(2, 2, kWhiteRgb)}}));
  TestLayerServices s(folder_, Bits());
  TGameSurface& l = s.LoadPicture(1, "anim");  // no extension: multi-frame
  ASSERT_TRUE(l.MultiFrame());
  ASSERT_EQ(l.GetFrameCount(), 3);
  struct Case {
    std::int32_t index;
    Rgb at00, at11;
  } cases[] = {{0, kRed, kRed}, {1, kGreen, kBlack} /* frame 1 keyed by its own flag */, {2, kWhiteRgb, kWhiteRgb},
               {3, kBlack, kBlack}, {-1, kBlack, kBlack}};
  for (const Case& c : cases) {
    l.SetFrameIndex(c.index);
    Surface t = s.MakeTarget(2, 2);
    l.Draw(t);
    EXPECT_EQ(TestLayerServices::Rgb(t, 0, 0), c.at00) << c.index;
    EXPECT_EQ(TestLayerServices::Rgb(t, 1, 1), c.at11) << c.index;
    Surface u = s.MakeTarget(2, 2);
    l.DrawRect(u, Rect{0, 0, 2, 2});
    EXPECT_EQ(TestLayerServices::Rgb(u, 0, 0), c.at00) << c.index;
  }
}

TEST_P(GameSurfaceTest, AttachmentsStampOntoTheFirstFrame) {
  folder_.Write("base.pmp", Bmp24(Solid(4, 4, kGreen)));
  folder_.Write("spot.pmp", Bmp24({{kRed, kBlue}, {kBlue, kBlue}}));
  folder_.Write("blue.pmp", Bmp24(Solid(2, 2, kBlue)));
  TestLayerServices s(folder_, Bits());
  TGameSurface& l = s.LoadPicture(1, "base.pmp");
  TAttach& a = *l.GetAttachment(0);
  a.SetSrc("spot.pmp", nullptr);
  a.X = 1;
  a.Y = 1;
  a.Transparent = true;
  l.StampAttachment(a);
  EXPECT_EQ(a.Width, 2);
  EXPECT_EQ(TestLayerServices::Rgb(*l.Frame(0), 1, 1), kRed);
  EXPECT_EQ(TestLayerServices::Rgb(*l.Frame(0), 2, 2), kGreen) << "keyed: blue is the key";

  TAttach& b = *l.GetAttachment(1);
  b.SetSrc("blue.pmp", nullptr);
  b.X = 2;
  b.Y = 2;
  l.StampAttachment(b);
  EXPECT_EQ(TestLayerServices::Rgb(*l.Frame(0), 2, 2), kBlue);
  // Removing slot 0 takes a reload; slot 1 is stamped again.
  a.SetSrc("", nullptr);
  l.Reload();
  EXPECT_EQ(TestLayerServices::Rgb(*l.Frame(0), 1, 1), kGreen);
  EXPECT_EQ(TestLayerServices::Rgb(*l.Frame(0), 3, 3), kBlue);
  // Half opaque.
  b.Alpha = 128;
  l.Reload();
  EXPECT_TRUE(Near(TestLayerServices::Rgb(*l.Frame(0), 3, 3), 0x807F00, Tolerance()));
  // Missing files and a text source without a text window stamp nothing.
  b.SetSrc("none.pmp", nullptr);
  a.SetSrc("@SfcText", nullptr);
  l.Reload();
  EXPECT_EQ(TestLayerServices::Rgb(*l.Frame(0), 3, 3), kGreen);
  EXPECT_EQ(l.GetAttachment(20), nullptr);
  EXPECT_EQ(l.GetAttachment(-1), nullptr);
  // A text window picture is copied when the source is set.
  Surface text = s.MakeTarget(1, 1);
  text.Fill(text.DeviceColour(kWhiteRgb));
  a.SetSrc("@sfctext", &text);
  a.X = a.Y = 0;
  a.Alpha = 255;
  a.Transparent = false;
  text.Fill(text.DeviceColour(kRed));  // later changes are not seen
  l.Reload();
  EXPECT_EQ(TestLayerServices::Rgb(*l.Frame(0), 0, 0), kWhiteRgb);
}

TEST_P(GameSurfaceTest, WaveAndRipplePhases) {
  folder_.Write("w.pmp", Bmp24(Solid(64, 8, kRed)));
  TestLayerServices s(folder_, Bits());
  TGameSurface& l = s.LoadPicture(1, "w.pmp");
  Surface t = s.MakeTarget(64, 8);
  l.SetEffect(TGameSurface::kWave);
  for (int i = 1; i <= 32; ++i) {
    l.Draw(t);
    EXPECT_EQ(l.WavePhase(), (i * 8) % 256);
  }
  l.SetEffect(TGameSurface::kRipple);
  EXPECT_EQ(l.WavePhase(), 0);
  std::vector<int> phases;
  for (int i = 0; i < 80; ++i) {
    l.Draw(t);
    phases.push_back(l.WavePhase());
  }
  EXPECT_EQ(phases[0], 620);
  EXPECT_EQ(phases[1], 612);
  EXPECT_EQ(phases[77], 4);
  EXPECT_EQ(phases[78], 624);
}

TEST_P(GameSurfaceTest, RippleShiftsRowsBySine) {
  Picture rows;
  for (int y = 0; y < 40; ++y) rows.push_back(std::vector<Rgb>(4, (y * 6) << 8));  // green levels by row
  folder_.Write("rows.pmp", Bmp24(rows));
  TestLayerServices s(folder_, 32);
  TGameSurface& l = s.LoadPicture(1, "rows.pmp");
  l.SetX(100);  // ignored by the ripple
  l.SetEffect(TGameSurface::kRipple);
  Surface t = s.MakeTarget(4, 40);
  l.Draw(t);
  for (int i = 0; i < 40; ++i) {
    const int src = i + static_cast<int>(std::nearbyint(10.0 * std::sin(0.03 * i)));
    if (src < 0 || src >= 40) continue;
    EXPECT_EQ(TestLayerServices::Rgb(t, 0, i), (src * 6) << 8) << "row " << i;
  }
}

TEST_P(GameSurfaceTest, ShakeDrawsAtRandomOffsets) {
  folder_.Write("dot.pmp", Bmp24(Solid(1, 1, kRed)));
  TestLayerServices s(folder_, Bits());
  TGameSurface& l = s.LoadPicture(1, "dot.pmp");
  l.SetX(10);
  l.SetY(10);
  l.SetEffect(TGameSurface::kShake);
  TRandom mirror = s.random;
  for (int i = 0; i < 5; ++i) {
    const int ry = static_cast<int>(mirror.Next(8));
    const int rx = static_cast<int>(mirror.Next(8));
    Surface t = s.MakeTarget(20, 20);
    l.Draw(t);
    EXPECT_EQ(TestLayerServices::Rgb(t, 10 + rx - 4, 10 + ry - 4), kRed) << i;
  }
  EXPECT_EQ(s.random.Seed(), mirror.Seed());
  // Effects are listed for the compositor; rain and snow numbers are kept.
  EXPECT_TRUE(s.Layers().AnyEffect());
  l.SetEffect(3);
  EXPECT_EQ(l.GetEffect(), 3);
  l.SetEffect(0);
  EXPECT_EQ(l.GetEffect(), 3) << "the rain overlay reports finished at its next step";
  Surface t = s.MakeTarget(20, 20);
  l.Draw(t);
  EXPECT_FALSE(s.Layers().AnyEffect());
}

// Rain and snow fall over the layer's picture; after "Effect 0" the layer still answers its
// weather until the last drop has gone, and a picture-less layer lets them finish too.
TEST_P(GameSurfaceTest, WeatherFallsOverThePictureUntilTheLastDrop) {
  folder_.Write("bg.pmp", Bmp24(Solid(64, 200, kRed)));
  TestLayerServices s(folder_, Bits());
  TGameSurface& l = s.LoadPicture(1, "bg.pmp");
  for (int mode : {3, 4}) {
    l.SetEffect(mode);
    Surface t = s.MakeTarget(64, 200);
    bool white = false;
    for (int i = 0; i < 40; ++i) {
      l.Draw(t);
      for (std::int32_t y = 0; y < 200 && !white; ++y)
        for (std::int32_t x = 0; x < 64 && !white; ++x) white = TestLayerServices::Rgb(t, x, y) == 0xFFFFFF;
    }
    EXPECT_TRUE(white) << "drops drawn over the picture, mode " << mode;
    l.SetEffect(0);
    EXPECT_EQ(l.GetEffect(), mode);
    int steps = 0;
    while (l.GetEffect() != 0) {
      l.Draw(t);
      ASSERT_LT(++steps, 2000);
    }
    EXPECT_GT(steps, 1) << "the falling drops finished their way";
  }
  // Rain, then snow: the rain stops starting drops while the snow begins.
  l.SetEffect(3);
  Surface t = s.MakeTarget(64, 200);
  for (int i = 0; i < 5; ++i) l.Draw(t);
  l.SetEffect(4);
  EXPECT_EQ(l.GetEffect(), 4);
  l.SetSrc("");
  int steps = 0;
  l.SetEffect(0);
  while (l.GetEffect() != 0) {
    l.Draw(t);
    ASSERT_LT(++steps, 2000);
  }
}

TEST_P(GameSurfaceTest, FillRectangles) {
  TestLayerServices s(folder_, Bits());
  TGameSurface& l = *s.Layers().Picture(1);
  l.Reset();
  l.SetFill(true);
  l.SetFillWidth(4);
  l.SetFillHeight(4);
  l.SetFillColor(kRed);
  l.SetX(1);
  Surface t = s.MakeTarget(4, 4);
  t.Fill(t.DeviceColour(kBlue));
  l.Draw(t);
  // A fill the size of the target but moved keeps to its own rectangle.
  EXPECT_EQ(TestLayerServices::Rgb(t, 0, 0), kBlue);
  EXPECT_EQ(TestLayerServices::Rgb(t, 1, 0), kRed);
  EXPECT_EQ(l.GetBounds(), (Rect{1, 0, 5, 4}));
  l.SetAlpha(128);
  t.Fill(t.DeviceColour(kBlack));
  l.DrawRect(t, Rect{0, 0, 2, 2});
  EXPECT_TRUE(Near(TestLayerServices::Rgb(t, 1, 1), 0x000080, Tolerance()));
  EXPECT_EQ(TestLayerServices::Rgb(t, 2, 2), kBlack);
  // Zero size draws nothing.
  l.SetAlpha(255);
  l.SetFillWidth(0);
  t.Fill(t.DeviceColour(kBlack));
  l.Draw(t);
  EXPECT_EQ(TestLayerServices::Rgb(t, 1, 1), kBlack);
}

TEST_P(GameSurfaceTest, HiddenLayersDrawNothing) {
  folder_.Write("r.pmp", Bmp24(Solid(2, 2, kRed)));
  TestLayerServices s(folder_, Bits());
  TGameSurface& l = s.LoadPicture(4, "r.pmp");
  l.SetVisible(false);
  Surface t = s.MakeTarget(2, 2);
  l.Draw(t);
  l.DrawRect(t, t.bounds());
  EXPECT_EQ(TestLayerServices::Rgb(t, 0, 0), kBlack);
}

TEST(PictureCacheTest, CapacityAndOrder) {
  for (auto [asked, kept] : {std::pair{0, 1}, std::pair{-3, 1}, std::pair{1, 1}, std::pair{8, 8}})
    EXPECT_EQ(TCacheList(asked).Capacity(), kept) << asked;
  TCacheList c(2);
  c.Add("a", {});
  c.Add("b", {});
  ASSERT_NE(c.Find("A"), nullptr);
  c.MoveToEnd(c.Find("a"));
  c.Add("c", {});  // drops the least recently used: b
  EXPECT_EQ(c.Find("b"), nullptr);
  EXPECT_EQ(c.At(0).name, "a");
  EXPECT_EQ(c.At(1).name, "c");
  c.SetCapacity(0);
  EXPECT_EQ(c.Count(), 1u);
  EXPECT_EQ(c.At(0).name, "c");
}

TEST_P(GameSurfaceTest, CachedLayersShareDecodedPictures) {
  folder_.Write("a.pmp", Bmp24(Solid(1, 1, kRed)));
  folder_.Write("b.pmp", Bmp24(Solid(1, 1, kGreen)));
  TestLayerServices s(folder_, Bits());
  s.cache.SetCapacity(1);
  TGameSurface& l = *s.Layers().Picture(1);
  l.Reset();
  l.SetUseCache(true);
  l.SetSrc("a.pmp");
  l.SetSrc("b.pmp");
  ASSERT_EQ(s.cache.Count(), 1u);
  EXPECT_EQ(s.cache.At(0).name, "b.pmp");
  // A layer without the cache switch reads the cached picture but adds nothing.
  folder_.Write("b.pmp", Bmp24(Solid(1, 1, kBlue)));
  TGameSurface& m = s.LoadPicture(2, "B.pmp");
  EXPECT_EQ(TestLayerServices::Rgb(*m.Frame(0), 0, 0), kGreen);
  m.SetSrc("a.pmp");
  EXPECT_EQ(s.cache.Count(), 1u);
  EXPECT_EQ(s.cache.At(0).name, "b.pmp");
}

TEST_P(GameSurfaceTest, DamagedPicturesRaiseAndLeaveNoCacheEntry) {
  folder_.Write("bad", std::vector<std::uint8_t>{3, 0, 0, 0, 1, 'B', 'M'});
  folder_.Write("bad.pmp", std::vector<std::uint8_t>{'B', 'M', 1, 2});
  TestLayerServices s(folder_, Bits());
  TGameSurface& l = *s.Layers().Picture(1);
  l.Reset();
  l.SetUseCache(true);
  for (const char* name : {"bad", "bad.pmp"}) {
    try {
      l.SetSrc(name);
      ADD_FAILURE() << name << " loaded";
    } catch (const MavError& e) {
      EXPECT_NE(std::string(e.what()).find("bad"), std::string::npos) << e.what();
    }
    EXPECT_EQ(l.GetFrameCount(), 0);
    EXPECT_EQ(s.cache.Count(), 0u) << name;
  }
}

TEST_P(GameSurfaceTest, SavedLayersComeBack) {
  folder_.Write("base.pmp", Bmp24(Solid(4, 4, kGreen)));
  folder_.Write("spot.pmp", Bmp24(Solid(1, 1, kRed)));
  TGameStatus status({}, 0);
  Surface expected;
  {
    TestLayerServices s(folder_, Bits());
    s.Layers().ResetAll();
    TGameSurface& l = *s.Layers().Picture(3);
    l.SetSrc("base.pmp");
    l.SetX(5);
    l.SetY(6);
    l.SetTransparent(true);
    l.SetAlpha(200);
    l.SetBright(-100);
    l.SetEffect(5);
    l.SetVisible(false);
    TAttach& a = *l.GetAttachment(0);
    a.SetSrc("spot.pmp", nullptr);
    a.X = 2;
    a.Y = 1;
    l.Reload();
    TGameSurface& f = *s.Layers().Picture(4);
    f.SetFill(true);
    f.SetFillWidth(7);
    f.SetFillHeight(8);
    f.SetFillColor(kBlue);
    s.Layers().SaveToStatus(status);
    expected = *l.Frame(0);
  }
  EXPECT_EQ(status.ReadString("Sfc3Atc0Src", ""), "spot.pmp");
  EXPECT_EQ(status.ReadString("Sfc4Src", "x"), "");
  TestLayerServices s(folder_, Bits());
  s.Layers().ResetAll();
  s.Layers().LoadFromStatus(status);
  TGameSurface& l = *s.Layers().Picture(3);
  EXPECT_EQ(l.GetSrc(), "base.pmp");
  EXPECT_EQ(l.LayerRect(), (Rect{5, 6, 9, 10}));
  EXPECT_TRUE(l.Transparent());
  EXPECT_EQ(l.Alpha(), 200);
  EXPECT_EQ(l.GetBright(), -100);
  EXPECT_EQ(l.GetEffect(), 5);
  EXPECT_FALSE(l.Visible());
  EXPECT_EQ(l.GetAttachment(0)->X, 2);
  ASSERT_EQ(l.GetFrameCount(), 1);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(l.Frame(0)->RawPixel(x, y), expected.RawPixel(x, y)) << x << "," << y;
  TGameSurface& f = *s.Layers().Picture(4);
  EXPECT_TRUE(f.GetFill());
  EXPECT_EQ(f.LayerRect(), (Rect{0, 0, 7, 8}));
  EXPECT_EQ(f.GetFillColor(), kBlue);
}

TEST(LayerStackTest, ADamagedPictureDoesNotStopTheOtherLayers) {
  PictureFolder folder;
  folder.Write("bad.pmp", std::vector<std::uint8_t>{'B', 'M', 1});
  folder.Write("good.pmp", Bmp24(Solid(2, 2, kRed)));
  TGameStatus status({}, 0);
  status.WriteString("Sfc1Src", "bad.pmp");
  status.WriteString("Sfc2Src", "good.pmp");
  status.WriteInteger("Sfc2X", 7);
  TestLayerServices s(folder);
  s.Layers().ResetAll();
  EXPECT_THROW(s.Layers().LoadFromStatus(status), MavError);
  EXPECT_EQ(s.Layers().Picture(2)->GetFrameCount(), 1);
  EXPECT_EQ(s.Layers().Picture(2)->X(), 7);
  EXPECT_EQ(s.Layers().Picture(1)->GetSrc(), "bad.pmp");
  EXPECT_EQ(s.Layers().Picture(1)->GetFrameCount(), 0);
  EXPECT_THROW(s.Layers().ReloadAll(), MavError);
  EXPECT_EQ(s.Layers().Picture(2)->GetFrameCount(), 1);
}

TEST(LayerStackTest, IndicesAndReset) {
  PictureFolder folder;
  TestLayerServices s(folder);
  LayerStack& stack = s.Layers();
  for (int k = 0; k < LayerStack::kCount; ++k) EXPECT_EQ(stack.IndexOf(stack.At(k)), k);
  EXPECT_EQ(stack.IndexOf(nullptr), 255);
  EXPECT_EQ(stack.At(12), nullptr);
  EXPECT_EQ(stack.Picture(9), nullptr);
  TGameSurface& l = *stack.Picture(8);
  l.SetX(3);
  l.SetVisible(false);
  l.SetEffect(2);
  l.GetAttachment(19)->SetSrc("x.pmp", nullptr);
  stack.ResetAll();
  EXPECT_EQ(l.X(), 0);
  EXPECT_TRUE(l.Visible());
  EXPECT_EQ(l.Alpha(), 255);
  EXPECT_EQ(l.GetEffect(), 0);
  EXPECT_EQ(l.GetAttachment(19)->Src(), "");
  EXPECT_EQ(l.GetAttachment(19)->Alpha, 255);
}

}  // namespace
}  // namespace mavlet::testing

namespace mavlet::testing {
namespace {

TEST(GameSurfaceLimitsTest, FarOffPositionsDoNotOverflow) {
  PictureFolder folder;
  folder.Write("p.pmp", Bmp24(Solid(4, 4, kRed)));
  TestLayerServices s(folder);
  TGameSurface& l = s.LoadPicture(1, "p.pmp");
  l.SetEffect(TGameSurface::kShake);
  for (std::int32_t pos : {INT32_MAX, INT32_MIN, INT32_MAX - 2}) {
    l.SetX(pos);
    l.SetY(pos);
    const Rect r = l.LayerRect();
    EXPECT_LE(r.left, r.right);
    EXPECT_EQ(r.left, pos);
    Surface t = s.MakeTarget(8, 8);
    l.Draw(t);
    l.DrawRect(t, Rect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
    EXPECT_EQ(TestLayerServices::Rgb(t, 0, 0), kBlack);
  }
  l.SetFill(true);
  l.SetFillWidth(INT32_MAX);
  l.SetFillHeight(INT32_MAX);
  l.SetX(INT32_MAX);
  EXPECT_EQ(l.LayerRect().right, INT32_MAX);
  l.SetX(-10);
  l.SetY(-10);
  l.SetFillColor(kRed);
  Surface t = s.MakeTarget(8, 8);
  l.Draw(t);
  EXPECT_EQ(TestLayerServices::Rgb(t, 7, 7), kRed);
}

}  // namespace
}  // namespace mavlet::testing
