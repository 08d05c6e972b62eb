#include "player/backend/graphics/surface.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "player/backend/graphics/box_blur.h"
#include "player/common/error.h"

namespace mavlet {
namespace {

// Colours exactly representable in RGB565 (channels multiples of 8, green of 4, with replication).
constexpr std::int32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF,
                       kBlack = 0, kKey = 0xFF00FF;

class SurfaceTest : public ::testing::TestWithParam<int> {
 protected:
  PixelFormat Format() const { return *PixelFormat::ForDepth(GetParam()); }
  Surface Make(std::int32_t w, std::int32_t h, std::int32_t rgb = kBlack) const {
    Surface s(Format(), w, h);
    s.Fill(s.DeviceColour(rgb));
    return s;
  }
  std::int32_t Rgb(const Surface& s, std::int32_t x, std::int32_t y) const {
    return s.format().ToRgb(s.RawPixel(x, y));
  }
  // Per-channel tolerance: 16-bit channels carry 5 or 6 bits.
  int Tolerance() const { return GetParam() == 16 ? 8 : 1; }
  void ExpectNear(std::int32_t got, std::int32_t want) const {
    for (int shift : {0, 8, 16}) {
      EXPECT_NEAR((got >> shift) & 0xFF, (want >> shift) & 0xFF, Tolerance())
          << std::hex << "got " << got << " want " << want;
    }
  }
};

TEST_P(SurfaceTest, DeviceColourRoundTripsAndFillClips) {
  Surface s = Make(4, 3);
  for (std::int32_t c : {kRed, kGreen, kBlue, kWhite, kKey}) EXPECT_EQ(s.format().ToRgb(s.DeviceColour(c)), c);
  s.FillRect(Rect{-5, -5, 2, 1}, s.DeviceColour(kRed));   // sticks out top-left
  s.FillRect(Rect{3, 2, 100, 100}, s.DeviceColour(kBlue));  // sticks out bottom-right
  s.FillRect(Rect{10, 10, 20, 20}, s.DeviceColour(kWhite));  // wholly outside
  s.FillRect(Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, s.DeviceColour(kGreen));
  s.FillRect(Rect{2, 2, 1, 1}, s.DeviceColour(kWhite));  // inverted: nothing
  EXPECT_EQ(Rgb(s, 0, 0), kGreen);
  Surface t = Make(4, 3);
  t.FillRect(Rect{-5, -5, 2, 1}, t.DeviceColour(kRed));
  t.FillRect(Rect{3, 2, 100, 100}, t.DeviceColour(kBlue));
  EXPECT_EQ(Rgb(t, 1, 0), kRed);
  EXPECT_EQ(Rgb(t, 2, 0), kBlack);
  EXPECT_EQ(Rgb(t, 0, 1), kBlack);
  EXPECT_EQ(Rgb(t, 3, 2), kBlue);
  EXPECT_EQ(Rgb(t, 2, 2), kBlack);
}

TEST_P(SurfaceTest, ColourKeyedCopySkipsKeyPixels) {
  Surface sprite = Make(3, 2, kRed);
  sprite.SetRawPixel(1, 0, sprite.DeviceColour(kKey));
  sprite.SetRawPixel(0, 1, sprite.DeviceColour(kKey));  // bottom-left: the picture's key
  sprite.SetColourKey(sprite.RawPixel(0, sprite.height() - 1));
  EXPECT_EQ(sprite.colour_key(), static_cast<std::int32_t>(sprite.DeviceColour(kKey)));

  struct Case {
    bool keyed;
    std::int32_t key;
    std::int32_t at_1_0;
  } cases[] = {{true, -2, kBlue}, {false, -2, kKey}, {true, kNoColourKey, kKey}};
  for (const Case& c : cases) {
    if (c.key != -2) sprite.SetColourKey(c.key);
    Surface target = Make(4, 4, kBlue);
    target.Copy(1, 1, sprite, sprite.bounds(), c.keyed);
    EXPECT_EQ(Rgb(target, 2, 1), c.at_1_0) << c.keyed << " " << c.key;
    EXPECT_EQ(Rgb(target, 1, 1), kRed);
    EXPECT_EQ(Rgb(target, 0, 0), kBlue);
  }
}

TEST_P(SurfaceTest, CopiesClipAgainstBothSurfaces) {
  Surface src = Make(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) src.SetRawPixel(x, y, src.DeviceColour((x * 64) | (y * 64) << 8));
  struct Case {
    std::int32_t x, y;
    Rect source;
  } cases[] = {
      {-2, -1, src.bounds()},          // off the target's top-left
      {3, 3, src.bounds()},            // off the bottom-right
      {0, 0, Rect{-2, -2, 2, 2}},      // source rectangle off the source
      {1, 1, Rect{2, 2, 10, 10}},
      {INT_MAX - 1, INT_MAX - 1, src.bounds()},
      {INT_MIN, INT_MIN, Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}},
      {0, 0, Rect{3, 3, 1, 1}},        // inverted
  };
  for (const Case& c : cases) {
    Surface target = Make(5, 5, kWhite);
    target.Copy(c.x, c.y, src, c.source, false);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 5; ++x) {
        const std::int64_t sx = std::int64_t{x} - c.x + c.source.left;
        const std::int64_t sy = std::int64_t{y} - c.y + c.source.top;
        const bool inside = sx >= std::max(0, c.source.left) && sy >= std::max(0, c.source.top) &&
                            sx < std::min(4, c.source.right) && sy < std::min(4, c.source.bottom);
        const std::int32_t want = inside ? Rgb(src, static_cast<int>(sx), static_cast<int>(sy)) : kWhite;
        ASSERT_EQ(Rgb(target, x, y), want) << "case " << c.x << "," << c.y << " at " << x << "," << y;
      }
    }
  }
}

TEST_P(SurfaceTest, ExtremeArgumentsStayInside) {
  Surface src = Make(3, 3, kWhite);
  src.SetColourKey(0);
  Surface t = Make(4, 4, kBlack);
  const Rect far{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  t.Stretch(far, src, src.bounds());
  t.Stretch(t.bounds(), src, far);
  t.Blend(far, src, Rect{0, 0, 1, INT_MAX}, 100, true);
  t.RotateBlend(1, 1, 1, 65536, src, src.bounds(), 1, 255);
  t.RotateBlend(1, 1, INT_MAX, INT_MAX, src, src.bounds(), 7, 255);
  t.RotateBlend(0, 0, 4, 4, src, Rect{-30000, -30000, 30000, 30000}, 33, 255);
  t.Wave(INT_MIN, INT_MAX, INT_MAX, INT_MAX, src, far, true, INT_MAX, 1, 3, 200);
  t.Wave(0, -100, 3, INT_MAX, src, src.bounds(), false, INT_MIN, INT_MAX, INT_MIN);
  t.MaskedBlend(INT_MIN, INT_MIN, src, far, Bitmap());
  t.AddGrey(far, 10);
  t.BlendColour(far, kRed, 10);
  EXPECT_EQ(t.width(), 4);
}

TEST_P(SurfaceTest, CopyOntoItselfScrolls) {
  Surface s = Make(5, 1);
  for (int x = 0; x < 5; ++x) s.SetRawPixel(x, 0, s.DeviceColour(x * 40));
  s.Copy(1, 0, s, Rect{0, 0, 4, 1}, false);
  const std::int32_t want[5] = {0, 0, 40, 80, 120};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(Rgb(s, x, 0), s.format().ToRgb(s.DeviceColour(want[x])));
}

TEST_P(SurfaceTest, BlendFollowsAlpha) {
  const Surface src = Make(2, 2, kWhite);
  struct Case {
    int alpha;
    std::int32_t want;
  } cases[] = {{255, kWhite}, {300, kWhite}, {0, kBlack}, {-4, kBlack}, {128, 0x808080}, {51, 0x333333}};
  for (const Case& c : cases) {
    Surface t = Make(2, 2, kBlack);
    t.Blend(t.bounds(), src, src.bounds(), c.alpha, false);
    ExpectNear(Rgb(t, 1, 1), c.want);
  }
}

TEST_P(SurfaceTest, KeyedBlendAndStretchedBlend) {
  Surface src = Make(2, 1, kWhite);
  src.SetRawPixel(0, 0, src.DeviceColour(kKey));
  src.SetColourKey(src.RawPixel(0, 0));
  Surface t = Make(4, 2, kBlack);
  t.Blend(t.bounds(), src, src.bounds(), 128, true);  // each source pixel covers 2 x 2
  EXPECT_EQ(Rgb(t, 0, 0), kBlack);
  EXPECT_EQ(Rgb(t, 1, 1), kBlack);
  ExpectNear(Rgb(t, 2, 0), 0x808080);
  ExpectNear(Rgb(t, 3, 1), 0x808080);
}

TEST_P(SurfaceTest, BlendColourAndGreyLevels) {
  Surface s = Make(3, 1, 0x404040);
  const std::int32_t grey = Rgb(s, 2, 0);
  s.BlendColour(Rect{0, 0, 1, 1}, kWhite, 255);
  s.BlendColour(Rect{1, 0, 2, 1}, kBlack, 255);
  s.BlendColour(Rect{2, 0, 3, 1}, kBlack, 0);
  EXPECT_EQ(Rgb(s, 0, 0), kWhite);
  EXPECT_EQ(Rgb(s, 1, 0), kBlack);
  EXPECT_EQ(Rgb(s, 2, 0), grey);

  struct Case {
    std::int32_t start;
    int add;  // negative subtracts
    std::int32_t want;
  } cases[] = {
      {0x4080C0, 0, 0x4080C0},   {0x4080C0, 64, 0x80C0FF},  {0x4080C0, 255, kWhite},
      {0x4080C0, -64, 0x004080}, {0x4080C0, -255, kBlack},  {0x4080C0, 300, kWhite},
  };
  for (const Case& c : cases) {
    Surface g = Make(2, 1, c.start);
    const std::int32_t before = Rgb(g, 0, 0);
    if (c.add >= 0) g.AddGrey(Rect{0, 0, 1, 1}, c.add); else g.SubtractGrey(Rect{-9, -9, 1, 1}, -c.add);
    if (c.add == 0) {
      EXPECT_EQ(Rgb(g, 0, 0), before);
    }
    ExpectNear(Rgb(g, 0, 0), c.want);
    EXPECT_EQ(Rgb(g, 1, 0), before);  // outside the rectangle
  }
}

TEST_P(SurfaceTest, StretchUsesNearestPixels) {
  Surface src = Make(2, 2);
  src.SetRawPixel(0, 0, src.DeviceColour(kRed));
  src.SetRawPixel(1, 0, src.DeviceColour(kGreen));
  src.SetRawPixel(0, 1, src.DeviceColour(kBlue));
  src.SetRawPixel(1, 1, src.DeviceColour(kWhite));
  Surface big = Make(4, 4);
  big.Stretch(big.bounds(), src, src.bounds());
  EXPECT_EQ(Rgb(big, 1, 1), kRed);
  EXPECT_EQ(Rgb(big, 2, 1), kGreen);
  EXPECT_EQ(Rgb(big, 1, 2), kBlue);
  EXPECT_EQ(Rgb(big, 3, 3), kWhite);
  Surface small = Make(1, 1);
  small.Stretch(small.bounds(), big, big.bounds());
  EXPECT_EQ(Rgb(small, 0, 0), kRed);
  // Target mostly outside and source partly outside: only the valid part is drawn.
  Surface t = Make(3, 3, kBlack);
  t.Stretch(Rect{-2, -2, 6, 6}, src, Rect{0, 0, 4, 4});
  EXPECT_EQ(Rgb(t, 0, 0), kWhite);
  EXPECT_EQ(Rgb(t, 1, 1), kWhite);
  EXPECT_EQ(Rgb(t, 2, 2), kBlack);
}

TEST_P(SurfaceTest, RotationTurnsClockwiseAboutTheCentre) {
  Surface src = Make(2, 2);
  src.SetRawPixel(0, 0, src.DeviceColour(kRed));
  src.SetRawPixel(1, 0, src.DeviceColour(kGreen));
  src.SetRawPixel(0, 1, src.DeviceColour(kBlue));
  src.SetRawPixel(1, 1, src.DeviceColour(kWhite));
  struct Case {
    int angle;
    std::int32_t tl, tr, bl, br;
  } cases[] = {
      {0, kRed, kGreen, kBlue, kWhite},
      {256, kRed, kGreen, kBlue, kWhite},
      {64, kBlue, kRed, kWhite, kGreen},
      {128, kWhite, kBlue, kGreen, kRed},
      {192, kGreen, kWhite, kRed, kBlue},
  };
  for (const Case& c : cases) {
    Surface t = Make(4, 4, kKey);
    t.RotateBlend(2, 2, 2, 2, src, src.bounds(), c.angle, 255);
    EXPECT_EQ(Rgb(t, 1, 1), c.tl) << c.angle;
    EXPECT_EQ(Rgb(t, 2, 1), c.tr) << c.angle;
    EXPECT_EQ(Rgb(t, 1, 2), c.bl) << c.angle;
    EXPECT_EQ(Rgb(t, 2, 2), c.br) << c.angle;
    EXPECT_EQ(Rgb(t, 0, 0), kKey);
    EXPECT_EQ(Rgb(t, 3, 3), kKey);
  }
  // Scaled to twice the size and half transparent; far off the target draws nothing.
  Surface t = Make(4, 4, kBlack);
  t.RotateBlend(2, 2, 4, 4, src, src.bounds(), 0, 128);
  ExpectNear(Rgb(t, 3, 3), 0x808080);
  t.RotateBlend(INT_MAX, INT_MIN, 4, 4, src, src.bounds(), 10, 255);
  t.RotateBlend(2, 2, 4, 4, src, src.bounds(), 10, 0);
  ExpectNear(Rgb(t, 3, 3), 0x808080);
}

TEST_P(SurfaceTest, WaveShiftsRowsBySine) {
  Surface src = Make(4, 4);
  for (int y = 0; y < 4; ++y) src.SetRawPixel(0, y, src.DeviceColour(kWhite));
  // Wave length 4, amplitude 2, phase 0: shifts 0, 2, 0, -2.
  Surface t = Make(8, 4);
  t.Wave(2, 0, 4, 4, src, src.bounds(), false, 2, 4, 0);
  const int shifts[4] = {0, 2, 0, -2};
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(Rgb(t, 2 + shifts[y], y), kWhite) << y;
    EXPECT_EQ(Rgb(t, 3 + shifts[y], y), kBlack) << y;
  }
  // A quarter-cycle phase starts at the crest; amplitude 0 is a plain copy; with alpha.
  Surface u = Make(8, 4);
  u.Wave(2, 0, 4, 4, src, src.bounds(), false, 2, 4, 64);
  EXPECT_EQ(Rgb(u, 4, 0), kWhite);
  Surface v = Make(8, 4);
  v.Wave(2, 0, 4, 4, src, src.bounds(), false, 0, 4, 64, 128);
  for (int y = 0; y < 4; ++y) ExpectNear(Rgb(v, 2, y), 0x808080);
  // Rows leaving the target, zero wave length, keyed.
  src.SetColourKey(src.DeviceColour(kBlack));
  Surface w = Make(8, 4, kRed);
  w.Wave(-3, -2, 4, 8, src, src.bounds(), true, 50, 0, 0);
  EXPECT_EQ(Rgb(w, 0, 0), kRed);
}

TEST_P(SurfaceTest, MaskedBlendWeightsByMaskByte) {
  const Surface src = Make(4, 1, kWhite);
  Bitmap mask = Bitmap::Indexed8(3, 1);  // one column short of the picture
  mask.Row(0)[0] = 0;
  mask.Row(0)[1] = 255;
  mask.Row(0)[2] = 128;
  Surface t = Make(5, 1, kBlack);
  t.MaskedBlend(0, 0, src, src.bounds(), mask);
  EXPECT_EQ(Rgb(t, 0, 0), kWhite);
  EXPECT_EQ(Rgb(t, 1, 0), kBlack);
  ExpectNear(Rgb(t, 2, 0), 0x7F7F7F);  // 255 * 127 >> 8
  EXPECT_EQ(Rgb(t, 3, 0), kWhite);      // beyond the mask: drawn
  EXPECT_EQ(Rgb(t, 4, 0), kBlack);
  Surface u = Make(2, 1, kBlack);
  u.MaskedBlend(-2, 0, src, src.bounds(), mask);  // clipped on the left: mask column follows
  ExpectNear(Rgb(u, 0, 0), 0x7F7F7F);
  EXPECT_EQ(Rgb(u, 1, 0), kWhite);
  Surface lost = Make(2, 1, kBlack);
  lost.SetLost(true);  // its lock would fail: nothing is drawn
  lost.MaskedBlend(0, 0, src, src.bounds(), mask);
  EXPECT_EQ(Rgb(lost, 0, 0), kBlack);
}

TEST_P(SurfaceTest, LockDescribesThePixels) {
  Surface s = Make(3, 2);
  auto locked = s.Lock();
  ASSERT_TRUE(locked);
  EXPECT_EQ(locked->width, 3);
  EXPECT_EQ(locked->height, 2);
  EXPECT_EQ(locked->bits_per_pixel, GetParam());
  EXPECT_GE(locked->pitch, 3 * GetParam() / 8);
  EXPECT_EQ(locked->red_mask, s.format().red_mask);
  const std::uint32_t white = s.DeviceColour(kWhite);
  std::uint8_t* p = locked->bits + locked->pitch + 2 * GetParam() / 8;
  for (int i = 0; i < GetParam() / 8; ++i) p[i] = static_cast<std::uint8_t>(white >> (8 * i));
  s.Unlock();
  EXPECT_EQ(Rgb(s, 2, 1), kWhite);
  s.SetLost(true);
  EXPECT_FALSE(s.Lock());
  EXPECT_FALSE(Surface(Format()).Lock());
}

TEST_P(SurfaceTest, BitmapRoundTripAndLoading) {
  Bitmap indexed = Bitmap::Indexed8(2, 1);
  indexed.SetPaletteEntry(3, 0xFF, 0x00, 0x00);
  indexed.Row(0)[1] = 3;
  Surface s(Format());
  s.LoadBitmap(indexed);
  EXPECT_EQ(s.width(), 2);
  EXPECT_EQ(Rgb(s, 1, 0), kRed);  // 0x00BBGGRR
  EXPECT_EQ(Rgb(s, 0, 0), kBlack);
  Bitmap copy;
  s.CopyToBitmap(copy);
  EXPECT_EQ(copy.bit_count(), 24);
  EXPECT_EQ(copy.PixelRgb(1, 0), 0xFF0000u);  // 0x00RRGGBB
  Surface back = Make(2, 1, kWhite);
  back.DrawBitmap(1, 0, copy);
  EXPECT_EQ(Rgb(back, 0, 0), kWhite);
  EXPECT_EQ(Rgb(back, 1, 0), kBlack);
  // A 2 x 1 frame stretched over 4 x 2, partly off the left edge.
  Surface movie = Make(3, 2, kWhite);
  movie.DrawBitmapStretched(Rect{-1, 0, 3, 2}, copy);
  EXPECT_EQ(Rgb(movie, 0, 1), kBlack);
  EXPECT_EQ(Rgb(movie, 1, 0), kRed);
  EXPECT_EQ(Rgb(movie, 2, 1), kRed);
}

TEST_P(SurfaceTest, RefusesMixedFormatsAndHugeSizes) {
  const int other = GetParam() == 32 ? 16 : 32;
  Surface a = Make(2, 2);
  const Surface b(*PixelFormat::ForDepth(other), 2, 2);
  EXPECT_THROW(a.Copy(0, 0, b, b.bounds(), false), MavError);
  EXPECT_THROW(a.SetSize(20000, 10), MavError);
  EXPECT_THROW(a.SetSize(-1, 10), MavError);
}

INSTANTIATE_TEST_SUITE_P(Depths, SurfaceTest, ::testing::Values(16, 24, 32),
                         [](const auto& info) { return std::to_string(info.param) + "bit"; });

// Exact arithmetic at 32 bits: every source/target channel pair against the stated formulas.
TEST(SurfaceArithmetic, BlendAndMaskMatchTheFormulasExactly) {
  Surface src(PixelFormat::Xrgb8888(), 256, 256), dst(PixelFormat::Xrgb8888(), 256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      src.SetRawPixel(x, y, static_cast<std::uint32_t>(x * 0x010101));
      dst.SetRawPixel(x, y, static_cast<std::uint32_t>(y * 0x010101));
    }
  for (int alpha : {1, 37, 128, 200, 254}) {
    Surface t = dst;
    t.Blend(t.bounds(), src, src.bounds(), alpha, false);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        const int want = static_cast<int>(std::lround((x * alpha + y * (255 - alpha)) / 255.0));
        ASSERT_EQ(t.RawPixel(x, y) & 0xFF, static_cast<std::uint32_t>(want)) << alpha << " " << x << " " << y;
        ASSERT_EQ(t.RawPixel(x, y) >> 16 & 0xFF, static_cast<std::uint32_t>(want));
      }
  }
  // Mask bytes vary from pixel to pixel (0 and 255 among them) so that groups of pixels mix.
  for (int k : {0, 1, 77}) {
    Bitmap mask = Bitmap::Indexed8(256, 256);
    auto m_at = [k](int x, int y) { return (x * 3 + y * 5 + k) % 256; };
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) mask.Row(y)[x] = static_cast<std::uint8_t>(m_at(x, y));
    Surface t = dst;
    t.MaskedBlend(0, 0, src, src.bounds(), mask);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        const int m = m_at(x, y);
        const std::uint32_t want = m == 255 ? static_cast<std::uint32_t>(y)
                                   : m == 0 ? static_cast<std::uint32_t>(x)
                                            : static_cast<std::uint32_t>(((x * (255 - m)) >> 8) + ((y * m) >> 8));
        ASSERT_EQ(t.RawPixel(x, y), want * 0x010101) << m << " " << x << " " << y;
      }
  }
  // Keyed copies in groups: row 0 keys every third pixel; row 1 keys whole groups of four,
  // groups with none and mixed ones.
  auto key_at = [](int x, int y) { return y == 0 ? x % 3 == 0 : (x / 4) % 3 == 0 || x % 7 == 0; };
  Surface keyed = src;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 256; ++x)
      if (key_at(x, y)) keyed.SetRawPixel(x, y, 0x55FF00FF);
  keyed.SetColourKey(0xFF00FF);
  Surface t = dst;
  t.Copy(0, 0, keyed, Rect{0, 0, 256, 2}, true);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 256; ++x) {
      ASSERT_EQ(t.RawPixel(x, y), static_cast<std::uint32_t>((key_at(x, y) ? y : x) * 0x010101)) << x << "," << y;
    }
}

// Stretched rows take source column floor(k * source width / target width) for the k-th target
// column, for enlarging and shrinking, with either rectangle reaching past its surface.
TEST(SurfaceArithmetic, StretchedColumnsFollowTheFormula) {
  for (const std::int32_t sw : {7, 13, 100}) {
    Surface src(PixelFormat::Xrgb8888(), sw, 1);
    for (std::int32_t x = 0; x < sw; ++x) src.SetRawPixel(x, 0, static_cast<std::uint32_t>(0x100 + x));
    for (const std::int32_t s_left : {-3, 0, 2}) {
      for (const std::int32_t t_width : {1, 3, 7, 20, 301}) {
        for (const std::int32_t t_left : {-50, 0, 5}) {
          Surface t(PixelFormat::Xrgb8888(), 320, 1);
          t.Stretch(Rect{t_left, 0, t_left + t_width, 1}, src, Rect{s_left, 0, s_left + sw, 1});
          for (std::int32_t x = 0; x < 320; ++x) {
            const std::int64_t k = x - t_left;
            std::uint32_t want = 0;
            if (k >= 0 && k < t_width) {
              const std::int64_t sx = s_left + k * sw / t_width;
              if (sx >= 0 && sx < sw) want = static_cast<std::uint32_t>(0x100 + sx);
            }
            ASSERT_EQ(t.RawPixel(x, 0), want) << sw << " from " << s_left << " into " << t_width << " at " << t_left
                                              << ", column " << x;
          }
        }
      }
    }
  }
}

// Fills of every row length around the 48-byte blocks they are written in, at every depth.
TEST(SurfaceArithmetic, FillsRowsOfEveryLength) {
  for (const int bits : {16, 24, 32}) {
    Surface s(*PixelFormat::ForDepth(bits), 70, 3);
    const std::uint32_t raw = s.DeviceColour(0x7F3A91), background = s.DeviceColour(0x010203);
    for (std::int32_t left : {0, 1, 3}) {
      for (std::int32_t n = 0; n <= 60; ++n) {
        s.Fill(background);
        s.FillRect(Rect{left, 1, left + n, 2}, raw);
        for (std::int32_t y = 0; y < 3; ++y)
          for (std::int32_t x = 0; x < 70; ++x) {
            const bool inside = y == 1 && x >= left && x < left + n;
            ASSERT_EQ(s.RawPixel(x, y), inside ? raw : background) << bits << " bits " << left << "+" << n << " at " << x;
          }
      }
    }
  }
}

// A tiny scene against pixels written out by hand: background, keyed sprite, half blend, fill.
TEST(SurfaceGolden, SmallSceneAt32Bits) {
  Surface screen(PixelFormat::Xrgb8888(), 4, 3);
  screen.Fill(0x102030);
  Surface sprite(PixelFormat::Xrgb8888(), 2, 2);
  sprite.Fill(0xFF0000);
  sprite.SetRawPixel(0, 1, 0x00FF00);
  sprite.SetColourKey(sprite.RawPixel(0, 1));
  screen.Copy(1, 0, sprite, sprite.bounds(), true);
  Surface white(PixelFormat::Xrgb8888(), 1, 1);
  white.Fill(0xFFFFFF);
  screen.Blend(Rect{3, 0, 4, 3}, white, white.bounds(), 128, false);
  screen.FillRect(Rect{0, 2, 2, 3}, screen.DeviceColour(0x0000FF));  // red in 0x00BBGGRR
  const std::uint32_t golden[3][4] = {
      {0x102030, 0xFF0000, 0xFF0000, 0x889098},
      {0x102030, 0x102030, 0xFF0000, 0x889098},
      {0xFF0000, 0xFF0000, 0x102030, 0x889098},
  };
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(screen.RawPixel(x, y), golden[y][x]) << x << "," << y;
}

TEST(BoxBlur, SpreadsByRadiusAndKeepsFlatAreas) {
  Bitmap b = Bitmap::Rgb24(5, 5);
  b.Row(2)[3 * 2] = 255;  // one blue pixel in the middle
  Bitmap same = b;
  BoxBlur(same, 0);
  EXPECT_EQ(same.PixelRgb(2, 2), 0xFFu);
  BoxBlur(b, 1);
  EXPECT_EQ(b.PixelRgb(2, 2), 28u);  // 255 / 9
  EXPECT_EQ(b.PixelRgb(1, 1), 28u);
  EXPECT_EQ(b.PixelRgb(0, 0), 0u);
  Bitmap flat = Bitmap::Rgb24(6, 4);
  for (int y = 0; y < 4; ++y) std::fill_n(flat.Row(y), 18, static_cast<std::uint8_t>(77));
  BoxBlur(flat, 50);
  EXPECT_EQ(flat.PixelRgb(5, 3), 0x4D4D4Du);
}

TEST(BitmapTest, GreyConversionAndDrawingBetweenBitmaps) {
  Bitmap colour = Bitmap::Rgb24(2, 1);
  colour.Row(0)[0] = 30, colour.Row(0)[1] = 60, colour.Row(0)[2] = 90;  // B, G, R
  Bitmap grey = colour;
  grey.ConvertToGrey8();
  EXPECT_EQ(grey.bit_count(), 8);
  EXPECT_EQ(grey.Row(0)[0], 60);
  EXPECT_EQ(grey.palette()[200], 0xC8C8C8u);
  Bitmap target = Bitmap::Indexed8(3, 1);
  for (int i = 0; i < 256; ++i) target.SetPaletteEntry(i, i, i, i);
  colour.DrawOnto(target, 1, 0);
  EXPECT_EQ(target.Row(0)[0], 0);
  EXPECT_EQ(target.Row(0)[1], 60);
  colour.DrawOnto(target, -5, 0);  // wholly outside
  EXPECT_THROW(Bitmap::Rgb24(70000, 1), MavError);
}

}  // namespace
}  // namespace mavlet
