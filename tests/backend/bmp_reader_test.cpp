#include "player/backend/graphics/bmp_reader.h"

#include <gtest/gtest.h>

#include "player/common/error.h"
#include "tests/support/file_builders.h"

namespace mavlet {
namespace {

using testing::BmpSpec;
using testing::BuildBmp;

// Expected colour (0x00RRGGBB) of pixel (x, y) in the pictures below.
std::uint32_t Pattern(int x, int y) {
  return (static_cast<std::uint32_t>(x * 40) << 16) | (static_cast<std::uint32_t>(y * 60) << 8) |
         static_cast<std::uint32_t>((x + y) * 20);
}

std::vector<std::uint32_t> Palette(int n) {
  std::vector<std::uint32_t> p;
  for (int i = 0; i < n; ++i) p.push_back(Pattern(i % 6, i / 6));
  return p;
}

Bitmap Decode(const std::vector<std::uint8_t>& file) {
  std::size_t pos = 0;
  Bitmap b = ReadBmp(file, pos, "pic.pmp");
  EXPECT_EQ(pos, file.size());
  return b;
}

struct DepthCase {
  const char* what;
  BmpSpec spec;
  std::function<std::uint32_t(int, int)> expected;
};

std::uint32_t Index(int x, int y, int levels) { return static_cast<std::uint32_t>((x * 3 + y) % levels); }

std::vector<DepthCase> DepthCases() {
  std::vector<DepthCase> cases;
  auto indexed = [&](const char* what, int bits, std::uint32_t header, bool top_down) {
    BmpSpec s;
    s.width = 13;  // odd widths exercise the row padding
    s.height = 5;
    s.bits = bits;
    s.header_size = header;
    s.top_down = top_down;
    const int levels = 1 << bits;
    s.palette = Palette(levels);
    s.pixel = [levels](int x, int y) { return Index(x, y, levels); };
    auto pal = s.palette;
    cases.push_back({what, s, [pal, levels](int x, int y) { return pal[Index(x, y, levels)]; }});
  };
  indexed("1 bit", 1, 40, false);
  indexed("4 bits", 4, 40, false);
  indexed("8 bits", 8, 40, false);
  indexed("8 bits top-down", 8, 40, true);
  indexed("8 bits, 12-byte header", 8, 12, false);
  indexed("4 bits, 124-byte header", 4, 124, false);

  auto direct = [&](const char* what, int bits, std::uint32_t compression, std::uint32_t header,
                    bool top_down, std::array<std::uint32_t, 3> masks,
                    std::function<std::uint32_t(std::uint32_t)> encode) {
    BmpSpec s;
    s.width = 7;
    s.height = 3;
    s.bits = bits;
    s.compression = compression;
    s.header_size = header;
    s.top_down = top_down;
    s.masks = masks;
    s.pixel = [encode](int x, int y) { return encode(Pattern(x, y)); };
    cases.push_back({what, s, [](int x, int y) { return Pattern(x, y); }});
  };
  auto same = [](std::uint32_t c) { return c; };
  direct("24 bits", 24, 0, 40, false, {}, same);
  direct("24 bits top-down", 24, 0, 40, true, {}, same);
  direct("24 bits, 108-byte header", 24, 0, 108, false, {}, same);
  direct("24 bits, 124-byte header", 24, 0, 124, false, {}, same);
  direct("24 bits, 12-byte header", 24, 0, 12, false, {}, same);
  direct("32 bits", 32, 0, 40, false, {}, [](std::uint32_t c) { return c | 0xAB000000; });
  // Unusual masks: red in the top byte, green below it, blue below that.
  direct("32 bits BITFIELDS, 52-byte header", 32, 3, 52, false,
         {0xFF000000, 0x00FF0000, 0x0000FF00}, [](std::uint32_t c) { return c << 8; });
  direct("32 bits BITFIELDS after a 40-byte header", 32, 3, 40, true,
         {0xFF000000, 0x00FF0000, 0x0000FF00}, [](std::uint32_t c) { return c << 8; });
  // 16 bits: 5-bit channels widened by replication.
  auto widen5 = [](std::uint32_t v) { return (v << 3) | (v >> 2); };
  auto widen6 = [](std::uint32_t v) { return (v << 2) | (v >> 4); };
  auto to555 = [](std::uint32_t c) {
    return (((c >> 19) & 31) << 10) | (((c >> 11) & 31) << 5) | ((c >> 3) & 31);
  };
  auto to565 = [](std::uint32_t c) {
    return (((c >> 19) & 31) << 11) | (((c >> 10) & 63) << 5) | ((c >> 3) & 31);
  };
  auto from555 = [=](std::uint32_t v) {
    return (widen5((v >> 10) & 31) << 16) | (widen5((v >> 5) & 31) << 8) | widen5(v & 31);
  };
  auto from565 = [=](std::uint32_t v) {
    return (widen5((v >> 11) & 31) << 16) | (widen6((v >> 5) & 63) << 8) | widen5(v & 31);
  };
  for (std::uint32_t header : {40u, 56u}) {
    BmpSpec s;
    s.width = 5;
    s.height = 4;
    s.bits = 16;
    s.header_size = header;
    s.pixel = [=](int x, int y) { return to555(Pattern(x, y)); };
    cases.push_back({header == 40 ? "16 bits 555" : "16 bits 555, 56-byte header", s,
                     [=](int x, int y) { return from555(to555(Pattern(x, y))); }});
    s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.pixel = [=](int x, int y) { return to565(Pattern(x, y)); };
    cases.push_back({header == 40 ? "16 bits 565 BITFIELDS" : "16 bits 565, 56-byte header", s,
                     [=](int x, int y) { return from565(to565(Pattern(x, y))); }});
  }
  return cases;
}

TEST(BmpReader, DecodesEveryDepthAndHeader) {
  for (const DepthCase& c : DepthCases()) {
    SCOPED_TRACE(c.what);
    const Bitmap b = Decode(BuildBmp(c.spec));
    ASSERT_EQ(b.width(), c.spec.width);
    ASSERT_EQ(b.height(), c.spec.height);
    EXPECT_EQ(b.bit_count(), c.spec.bits);
    for (int y = 0; y < b.height(); ++y) {
      for (int x = 0; x < b.width(); ++x) {
        ASSERT_EQ(b.PixelRgb(x, y), c.expected(x, y)) << "at " << x << "," << y;
      }
    }
  }
}

TEST(BmpReader, DecodesRle8WithRunsAbsoluteDeltaAndEndOfLine) {
  BmpSpec s;
  s.width = 6;
  s.height = 3;
  s.bits = 8;
  s.compression = 1;
  s.palette = Palette(8);
  // Bottom row: run of 4 x 1, absolute 3 pixels (2, 3, 4) clipped to the width... then EOL.
  s.rle = {4, 1, 0, 3, 2, 3, 4, 0, 0, 0,
           // middle row: delta (2 right, 1 down) lands on the top row at x 2
           0, 2, 2, 1,
           // top row from x 2: run of 2 x 5, end of picture
           2, 5, 0, 1};
  const Bitmap b = Decode(BuildBmp(s));
  const auto& pal = s.palette;
  const std::uint32_t expected[3][6] = {
      {pal[0], pal[0], pal[5], pal[5], pal[0], pal[0]},  // top
      {pal[0], pal[0], pal[0], pal[0], pal[0], pal[0]},  // middle, skipped
      {pal[1], pal[1], pal[1], pal[1], pal[2], pal[3]},  // bottom; the 4 falls off the edge
  };
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(b.PixelRgb(x, y), expected[y][x]) << x << "," << y;
}

TEST(BmpReader, DecodesRle4) {
  BmpSpec s;
  s.width = 5;
  s.height = 2;
  s.bits = 4;
  s.compression = 2;
  s.palette = Palette(16);
  // Bottom row: run of 5 alternating 1/2; top row: absolute 3 nibbles 7, 8, 9 (padded), EOB.
  s.rle = {5, 0x12, 0, 0, 0, 3, 0x78, 0x90, 0, 1};
  const Bitmap b = Decode(BuildBmp(s));
  const auto& p = s.palette;
  const std::uint32_t bottom[5] = {p[1], p[2], p[1], p[2], p[1]};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(b.PixelRgb(x, 1), bottom[x]);
  EXPECT_EQ(b.PixelRgb(0, 0), p[7]);
  EXPECT_EQ(b.PixelRgb(1, 0), p[8]);
  EXPECT_EQ(b.PixelRgb(2, 0), p[9]);
  EXPECT_EQ(b.PixelRgb(3, 0), p[0]);
}

TEST(BmpReader, StandsBehindEachFileOfAStream) {
  auto first = testing::Bmp24(3, 2, [](int, int) { return 0x112233u; });
  auto second = testing::Bmp24(2, 2, [](int, int) { return 0x445566u; });
  std::vector<std::uint8_t> stream = first;
  stream.insert(stream.end(), second.begin(), second.end());
  stream.push_back(0xEE);  // trailing byte that is not read
  std::size_t pos = 0;
  EXPECT_EQ(ReadBmp(stream, pos, "s").PixelRgb(0, 0), 0x112233u);
  EXPECT_EQ(pos, first.size());
  EXPECT_EQ(ReadBmp(stream, pos, "s").PixelRgb(1, 1), 0x445566u);
  EXPECT_EQ(pos, first.size() + second.size());
}

TEST(BmpReader, SizeFieldDecidesTheEndUnlessItIsUnusable) {
  BmpSpec s;
  s.width = 2;
  s.height = 2;
  s.pixel = [](int, int) { return 0u; };
  const std::size_t natural = BuildBmp(s).size();
  struct Case {
    std::int64_t field;
    std::size_t extra;  // bytes appended behind the file
    std::size_t end;
  } cases[] = {
      {0, 4, natural},                  // no size: the pixels end it
      {10, 4, natural},                 // too small for the pixels
      {static_cast<std::int64_t>(natural) + 2, 4, natural + 2},  // padding the writer added
      {static_cast<std::int64_t>(natural) + 100, 4, natural + 4},  // runs past the data
  };
  for (const Case& c : cases) {
    s.file_size = c.field;
    auto file = BuildBmp(s);
    file.resize(file.size() + c.extra, 0);
    std::size_t pos = 0;
    ReadBmp(file, pos, "x");
    EXPECT_EQ(pos, c.end) << "size field " << c.field;
  }
}

std::vector<std::uint8_t> Patched(std::vector<std::uint8_t> file, std::size_t at,
                                  std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) file.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(value >> (8 * i));
  return file;
}

TEST(BmpReader, DamagedFilesGiveErrorsNamingTheFile) {
  BmpSpec s8;
  s8.width = 4;
  s8.height = 4;
  s8.bits = 8;
  s8.palette = Palette(4);
  s8.pixel = [](int, int) { return 1u; };
  const auto good8 = BuildBmp(s8);
  const auto good24 = testing::Bmp24(4, 4, [](int, int) { return 0u; });
  BmpSpec rle = s8;
  rle.compression = 1;
  rle.rle = {0, 5, 1, 2};  // absolute run of 5 cut off
  struct Case {
    const char* what;
    std::vector<std::uint8_t> data;
    const char* message;
  } cases[] = {
      {"empty", {}, "too short"},
      {"no BM mark", Patched(good24, 0, 'X', 1), "no \"BM\""},
      {"odd header size", Patched(good24, 14, 20, 4), "header size 20"},
      {"zero width", Patched(good24, 18, 0, 4), "invalid picture size"},
      {"zero height", Patched(good24, 22, 0, 4), "invalid picture size"},
      {"negative width", Patched(good24, 18, 0xFFFFFFFF, 4), "invalid picture size"},
      {"huge width", Patched(good24, 18, 100000, 4), "beyond the supported limit"},
      {"too many pixels", Patched(Patched(good24, 18, 16384, 4), 22, 16384, 4), "beyond"},
      {"height -2^31", Patched(good24, 22, 0x80000000, 4), "beyond"},
      {"7 bits", Patched(good24, 28, 7, 2), "depth of 7"},
      {"JPEG inside", Patched(good24, 30, 4, 4), "compression 4"},
      {"RLE8 on 24 bits", Patched(good24, 30, 1, 4), "does not fit"},
      {"cut pixels", std::vector<std::uint8_t>(good24.begin(), good24.end() - 5), "cut off"},
      {"cut header", std::vector<std::uint8_t>(good24.begin(), good24.begin() + 30), "cut off"},
      {"cut palette", std::vector<std::uint8_t>(good8.begin(), good8.begin() + 60), "colour table"},
      {"huge palette count", Patched(std::vector<std::uint8_t>(good8.begin(), good8.begin() + 60), 46, 0xFFFFFFFF, 4), "colour table"},
      {"cut RLE", BuildBmp(rle), "RLE"},
      {"pixel offset past the end", Patched(good24, 10, 0xFFFFFFF0, 4), "beyond the end"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::size_t pos = 0;
    try {
      ReadBmp(c.data, pos, "broken.pmp");
      ADD_FAILURE() << "no error";
    } catch (const MavError& e) {
      const std::string m = e.what();
      EXPECT_NE(m.find("broken.pmp"), std::string::npos) << m;
      EXPECT_NE(m.find(c.message), std::string::npos) << m;
    }
    EXPECT_EQ(pos, 0u);
  }
}

TEST(BmpReader, StartBeyondTheDataIsAnError) {
  const auto file = testing::Bmp24(1, 1, [](int, int) { return 0u; });
  std::size_t pos = file.size() + 10;
  EXPECT_THROW(ReadBmp(file, pos, "x"), MavError);
}

}  // namespace
}  // namespace mavlet
