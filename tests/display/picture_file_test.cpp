#include "player/display/picture_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "player/backend/file_services.h"
#include "player/common/error.h"
#include "player/storage/packed_file.h"
#include "tests/support/fake_files.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> SolidBmp(int w, int h, std::uint32_t rgb) {
  return testing::Bmp24(w, h, [rgb](int, int) { return rgb; });
}
using testing::Frames;  // frame count, then flag byte + BMP per frame

TEST(PictureName, ExtensionDecidesTheLayout) {
  const std::pair<const char*, bool> cases[] = {
      {"title.pmp", true}, {"TITLE.PMP", true}, {"a.Pmp", true}, {"dir\\x.pmp", true},
      {"anim.pma", false}, {"anim", false},     {"pmp", false},  {"a.pmp.bak", false},
      {"", false},         {"x-m.pmp", true},
  };
  for (const auto& [name, single] : cases) EXPECT_EQ(IsSinglePictureName(name), single) << name;
  EXPECT_EQ(MaskPathFor("pics/title.pmp"), fs::path("pics/title-m.pmp"));
  EXPECT_EQ(MaskPathFor("TITLE.PMP"), fs::path("TITLE-m.pmp"));
}

TEST(PictureDecode, FramesKeepTheirFlagsAndOrder) {
  const auto payload = Frames(3, {{1, SolidBmp(2, 3, 0x010203)},
                                      {0, SolidBmp(4, 1, 0x040506)},
                                      {7, SolidBmp(1, 1, 0x070809)}});
  const auto frames = DecodeFrames(payload, "anim");
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_TRUE(frames[0].transparent);
  EXPECT_FALSE(frames[1].transparent);
  EXPECT_TRUE(frames[2].transparent);
  EXPECT_EQ(frames[1].bitmap.width(), 4);
  EXPECT_EQ(frames[2].bitmap.PixelRgb(0, 0), 0x070809u);
  // Read as a single picture, the file shows its first frame.
  const Bitmap first = DecodePicture(payload, false, "anim");
  EXPECT_EQ(first.width(), 2);
  EXPECT_EQ(first.PixelRgb(1, 2), 0x010203u);
  const auto single = SolidBmp(3, 3, 0xABCDEF);
  EXPECT_EQ(DecodePicture(single, true, "a.pmp").PixelRgb(2, 2), 0xABCDEFu);
}

TEST(PictureDecode, CountsOfZeroOrBelowGiveNoFrames) {
  for (std::int32_t count : {0, -1, INT32_MIN}) {
    EXPECT_TRUE(DecodeFrames(Frames(count, {{1, SolidBmp(1, 1, 0)}}), "anim").empty()) << count;
  }
}

TEST(PictureDecode, DamagedFilesNameTheFileAndTheProblem) {
  auto bmp = SolidBmp(2, 2, 0);
  auto cut = Frames(2, {{0, bmp}, {0, bmp}});
  cut.resize(cut.size() - 3);
  // RLE frames that are tiny on disk but large in memory: the file's total is capped.
  testing::BmpSpec rle;
  rle.width = 8192;
  rle.height = 4096;
  rle.bits = 8;
  rle.compression = 1;
  rle.palette = {0};
  rle.rle = {0, 1};
  const auto big = testing::BuildBmp(rle);
  struct Case {
    const char* what;
    std::vector<std::uint8_t> payload;
    bool single;
    const char* message;
  } cases[] = {
      {"no count", {1, 0}, false, "too short"},
      {"frames missing", Frames(4, {{0, bmp}, {0, bmp}}), false, "frame 3 of 4 is missing"},
      {"huge count", Frames(0x7FFFFFFF, {{0, bmp}}), false, "frame 2 of 2147483647"},
      {"cut frame", cut, false, "cut off"},
      {"not a BMP", {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true, "BM"},
      {"multi as single without frame", {0, 0, 0, 0}, false, "no first frame"},
      {"too many pixels", Frames(3, {{0, big}, {0, big}, {0, big}}), false, "total picture size"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      if (c.single || std::string(c.what) == "multi as single without frame") {
        DecodePicture(c.payload, c.single, "pics/broken.pma");
      } else {
        DecodeFrames(c.payload, "pics/broken.pma");
      }
      ADD_FAILURE() << "no error";
    } catch (const MavError& e) {
      const std::string m = e.what();
      EXPECT_NE(m.find("pics/broken.pma"), std::string::npos) << m;
      EXPECT_NE(m.find(c.message), std::string::npos) << m;
    }
  }
}

class PictureFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_ / "title" / "PMP");
    fs::create_directories(root_ / "disc1" / "PMP");
    fs::create_directories(root_ / "disc2" / "PMP");
  }
  void Write(const fs::path& file, const std::vector<std::uint8_t>& payload) {
    PackToFile(file, payload);
  }
  testing::TempFolder folder_{"pictures"};
  const fs::path& root_ = folder_.path();
};

using testing::FakeFiles;

TEST_F(PictureFiles, LoadsByExtensionFromPackedFiles) {
  Write(root_ / "title/PMP/BIG.PMP", SolidBmp(2, 2, 0x112233));
  Write(root_ / "title/PMP/anim.pma", Frames(2, {{1, SolidBmp(3, 1, 0x445566)}, {0, SolidBmp(1, 1, 0)}}));
  Write(root_ / "title/PMP/noext", Frames(1, {{0, SolidBmp(5, 1, 0x778899)}}));
  EXPECT_EQ(LoadPicture(root_ / "title/PMP/BIG.PMP").PixelRgb(1, 1), 0x112233u);
  EXPECT_EQ(LoadPicture(root_ / "title/PMP/anim.pma").width(), 3);
  EXPECT_EQ(LoadPicture(root_ / "title/PMP/noext").width(), 5);
  const auto frames = LoadFrames(root_ / "title/PMP/anim.pma");
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_TRUE(frames[0].transparent);
  try {
    LoadPicture(root_ / "title/PMP/missing.pmp");
    ADD_FAILURE() << "no error";
  } catch (const MavError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.pmp"), std::string::npos);
  }
}

TEST_F(PictureFiles, FindsPicturesOnTheTitleFolderThenDiscs) {
  Write(root_ / "title/PMP/a.pmp", SolidBmp(1, 1, 0));
  Write(root_ / "disc2/PMP/b.pmp", SolidBmp(1, 1, 0));
  Write(root_ / "disc1/PMP/a.pmp", SolidBmp(1, 1, 0));
  FakeFiles files;
  files.discs = {root_ / "disc1", root_ / "disc2"};
  const fs::path base = root_ / "title";
  EXPECT_EQ(FindPictureFile(files, base, "a.pmp", DiscSearch::kEveryDisc), root_ / "title/PMP/a.pmp");
  EXPECT_EQ(FindPictureFile(files, base, "b.pmp", DiscSearch::kEveryDisc), root_ / "disc2/PMP/b.pmp");
  EXPECT_EQ(FindPictureFile(files, base, "b.pmp", DiscSearch::kFirstDiscOnly), std::nullopt);
  EXPECT_EQ(FindPictureFile(files, base, "c.pmp", DiscSearch::kEveryDisc), std::nullopt);
  EXPECT_EQ(FindPictureFile(files, base, "", DiscSearch::kEveryDisc), std::nullopt);
}

TEST_F(PictureFiles, MaskOnlyBesideASinglePicture) {
  Write(root_ / "title/PMP/chara.pmp", SolidBmp(1, 1, 0));
  Write(root_ / "title/PMP/chara-m.pmp", SolidBmp(1, 1, 0));
  Write(root_ / "title/PMP/plain.pmp", SolidBmp(1, 1, 0));
  Write(root_ / "title/PMP/anim-m.pmp", SolidBmp(1, 1, 0));
  Write(root_ / "title/PMP/anim", SolidBmp(1, 1, 0));
  FakeFiles files;
  EXPECT_EQ(FindMaskFile(files, root_ / "title/PMP/chara.pmp"), root_ / "title/PMP/chara-m.pmp");
  EXPECT_EQ(FindMaskFile(files, root_ / "title/PMP/plain.pmp"), std::nullopt);
  EXPECT_EQ(FindMaskFile(files, root_ / "title/PMP/anim"), std::nullopt);
}

}  // namespace
}  // namespace mavlet
