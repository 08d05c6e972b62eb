#include "player/backend/graphics/png_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "player/common/error.h"

namespace mavlet {
namespace {

std::uint32_t BigEndian(const std::vector<std::uint8_t>& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
         (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

TEST(PngWriter, ChunksCarryValidCrcsAndThePixels) {
  for (int depth : {16, 24, 32}) {
    SCOPED_TRACE(depth);
    Surface s(*PixelFormat::ForDepth(depth), 3, 2);
    s.Fill(s.DeviceColour(0x0000FF));                 // red
    s.SetRawPixel(2, 1, s.DeviceColour(0xFF0000));    // blue
    const std::vector<std::uint8_t> png = EncodePng(s);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');
    std::vector<std::uint8_t> idat;
    std::size_t at = 8;
    std::vector<std::string> types;
    while (at + 12 <= png.size()) {
      const std::uint32_t len = BigEndian(png, at);
      ASSERT_LE(at + 12 + len, png.size());
      types.emplace_back(png.begin() + at + 4, png.begin() + at + 8);
      const uLong crc = crc32(0, png.data() + at + 4, len + 4);
      EXPECT_EQ(BigEndian(png, at + 8 + len), crc);
      if (types.back() == "IHDR") {
        EXPECT_EQ(BigEndian(png, at + 8), 3u);
        EXPECT_EQ(BigEndian(png, at + 12), 2u);
      }
      if (types.back() == "IDAT") idat.insert(idat.end(), png.begin() + at + 8, png.begin() + at + 8 + len);
      at += 12 + len;
    }
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    std::vector<std::uint8_t> raw(2 * (1 + 9));
    uLongf raw_size = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &raw_size, idat.data(), idat.size()), Z_OK);
    ASSERT_EQ(raw_size, raw.size());
    const std::vector<std::uint8_t> want = {0, 255, 0, 0, 255, 0, 0, 255, 0, 0,
                                            0, 255, 0, 0, 255, 0, 0, 0,   0, 255};
    EXPECT_EQ(raw, want);
  }
}

TEST(PngWriter, ReportsUnwritableFilesAndEmptySurfaces) {
  Surface s(PixelFormat::Xrgb8888(), 1, 1);
  EXPECT_THROW(WritePng(s, "/nonexistent-folder/shot.png"), MavError);
  EXPECT_THROW(EncodePng(Surface(PixelFormat::Xrgb8888())), MavError);
}

}  // namespace
}  // namespace mavlet
