// The inspector's rows on a running title, and thumbnails.
#include <gtest/gtest.h>

#include <filesystem>

#include "player/backend/graphics/surface.h"
#include "player/debug/inspector.h"
#include "player/shell/game_system.h"
#include "player/storage/packed_file.h"
#include "tests/support/file_builders.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

TEST(Inspector, LayersTextWindowChannelsAndStreams) {
  TestTitle t;
  std::filesystem::create_directories(t.Folder() / "PMP");
  PackToFile(t.Folder() / "PMP" / "bg.pmp", Bmp24(Solid(16, 8, kBlue)));
  t.Scenario(1, "SetSfc ,,2,bg.pmp,4,6,0,255,1\nIntCall ,,1,9\nCall ,,2\n");
  t.Scenario(2, "Comment\nWait ,,99999\n");
  t.Scenario(9, "Comment\n");
  TitleRun r(t);
  r.Load();
  r.Events(6);
  const Inspection in = Inspect(r.Book(), r.R().Sys());
  ASSERT_EQ(in.layers.size(), 12u);
  const LayerRow& bg = in.layers[2];
  EXPECT_EQ(bg.name, "bg.pmp");
  EXPECT_EQ(bg.rect.left, 4);
  EXPECT_EQ(bg.rect.top, 6);
  EXPECT_EQ(bg.rect.Width(), 16);
  EXPECT_EQ(bg.rect.Height(), 8);
  EXPECT_TRUE(bg.visible);
  EXPECT_EQ(in.layers[0].name, "");
  EXPECT_GT(in.text.cols, 0);
  EXPECT_GT(in.text.rows, 0);
  ASSERT_EQ(in.channels.size(), 4u);
  EXPECT_FALSE(in.channels[0].playing);
  ASSERT_EQ(in.streams.size(), 8u);
  EXPECT_EQ(in.streams[0].page, 2);
  EXPECT_EQ(in.streams[0].com, 1);
  ASSERT_EQ(in.streams[0].stack.size(), 1u);
  EXPECT_EQ(in.streams[0].stack[0].page, 1);
  EXPECT_EQ(in.streams[0].stack[0].com, 3);
  EXPECT_EQ(in.streams[1].int_page, 9);
  EXPECT_TRUE(in.streams[7].ended);

  const Surface* picture = LayerPicture(r.R().Sys(), 2);
  ASSERT_NE(picture, nullptr);
  const Thumbnail thumb = MakeThumbnail(*picture, 8, 8);
  EXPECT_EQ(thumb.width, 8);
  EXPECT_EQ(thumb.height, 4);
  EXPECT_EQ(thumb.rgba[0], 0xFFFF0000u) << "blue, opaque";
  EXPECT_EQ(LayerPicture(r.R().Sys(), 0), nullptr);
  EXPECT_EQ(LayerPicture(r.R().Sys(), 11), nullptr);
}

TEST(Inspector, ThumbnailsFitAndNeverEnlarge) {
  struct Case {
    int sw, sh, max_w, max_h, w, h;
  };
  const Case cases[] = {
      {640, 480, 96, 96, 96, 72}, {480, 640, 96, 96, 72, 96}, {10, 5, 96, 96, 10, 5}, {1000, 1, 10, 10, 10, 1},
      {1, 1000, 10, 10, 1, 10},   {0, 10, 10, 10, 0, 0},      {10, 10, 0, 10, 0, 0},
  };
  for (const Case& c : cases) {
    Surface s(PixelFormat::Xrgb8888(), c.sw, c.sh);
    const Thumbnail t = MakeThumbnail(s, c.max_w, c.max_h);
    EXPECT_EQ(t.width, c.w) << c.sw << "x" << c.sh;
    EXPECT_EQ(t.height, c.h) << c.sw << "x" << c.sh;
    EXPECT_EQ(t.rgba.size(), static_cast<std::size_t>(c.w * c.h));
  }
}

}  // namespace
}  // namespace mavlet::testing
