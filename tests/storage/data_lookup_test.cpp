#include "player/storage/data_lookup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "player/backend/posix/posix_file_services.h"
#include "player/common/error.h"
#include "player/storage/packed_file.h"
#include "tests/support/fake_files.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

using testing::ToBytes;
using testing::TempFolder;
using testing::ToText;

using testing::FakeFiles;  // exact letter case; records every question asked

class DataLookupTest : public ::testing::Test {
 protected:
  DataLookupTest() {
    std::filesystem::create_directories(dir / "title");
    std::filesystem::create_directories(dir / "disc1");
    std::filesystem::create_directories(dir / "disc2");
    files.discs = {dir / "disc1", dir / "disc2"};
    title.base = dir / "title";
    title.files = &files;
  }
  void Pack(const std::string& rel, std::string_view text) {
    std::filesystem::create_directories((dir / rel).parent_path());
    PackToFile(dir / rel, ToBytes(text));
  }
  void SmallArchive(const std::string& rel, const std::vector<std::pair<std::string, ByteBuffer>>& entries) {
    std::filesystem::create_directories((dir / rel).parent_path());
    PackToFile(dir / rel, BuildFileUnitPayload(entries));
  }
  void BigArchive(const std::string& rel, const std::vector<std::pair<std::string, ByteBuffer>>& entries) {
    std::filesystem::create_directories((dir / rel).parent_path());
    WriteBigFileUnit(dir / rel, entries);
  }
  std::string Scenario(int n) {
    auto data = LoadScenarioData(title, archive, n);
    return data ? ToText(*data) : "(none)";
  }

  TempFolder dir;
  FakeFiles files;
  TitleFiles title;
  TFileUnit archive;
  TBigFileUnit big;
};

TEST_F(DataLookupTest, ScenarioLooseFileComesFirst) {
  Pack("title/Pmx/1.pmx", "loose");
  SmallArchive("title/Pmx/Data1.pmx", {{"1.pmx", ToBytes("archived")}});
  EXPECT_EQ(Scenario(1), "loose");
  EXPECT_FALSE(archive.Loaded());
}

TEST_F(DataLookupTest, ScenarioArchivesInOrderThenDiscs) {
  SmallArchive("title/Pmx/Data2.pmx", {{"2.pmx", ToBytes("base d2")}});
  SmallArchive("title/Pmx/Data4.pmx", {{"2.pmx", ToBytes("base d4")}, {"4.pmx", ToBytes("base d4 four")}});
  SmallArchive("disc1/Pmx/Data1.pmx", {{"7.pmx", ToBytes("disc1 seven")}});
  SmallArchive("disc2/Pmx/Data1.pmx", {{"7.pmx", ToBytes("disc2 seven")}, {"8.pmx", ToBytes("disc2 eight")}});
  Pack("disc1/Pmx/8.pmx", "loose on a disc is not looked at");
  EXPECT_EQ(Scenario(2), "base d2");
  EXPECT_EQ(archive.FileName(), dir / "title/Pmx/Data2.pmx");
  EXPECT_EQ(Scenario(4), "base d4 four");
  EXPECT_EQ(Scenario(2), "base d4");  // the current archive is asked before Data1..5
  EXPECT_EQ(Scenario(7), "disc1 seven");
  EXPECT_EQ(Scenario(8), "disc2 eight");
  EXPECT_EQ(Scenario(9), "(none)");
}

TEST_F(DataLookupTest, CurrentArchiveAnswersWithoutTouchingTheDisk) {
  SmallArchive("title/Pmx/Data1.pmx", {{"3.pmx", ToBytes("three")}, {"5.pmx", ToBytes("five")}});
  EXPECT_EQ(Scenario(3), "three");
  files.asked.clear();
  EXPECT_EQ(Scenario(5), "five");
  EXPECT_EQ(files.asked.size(), 1u);  // only the loose file was looked for
}

TEST_F(DataLookupTest, DamagedScenarioFilesAreErrors) {
  testing::WriteFile(dir / "title/Pmx/6.pmx", ToBytes("garbage"));
  EXPECT_THROW(Scenario(6), MavError);
  testing::WriteFile(dir / "title/Pmx/Data1.pmx", ToBytes("garbage"));
  EXPECT_THROW(Scenario(10), MavError);
}

TEST_F(DataLookupTest, SoundLooseFilesBaseThenDiscs) {
  Pack("title/WAV/se1.wav", "base");
  Pack("disc2/WAV/se2.WAV", "disc2");
  Pack("disc1/WAV/bgm.mid", "disc1 loose");
  BigArchive("title/WAV/Data1.PMW", {{"bgm.mid", ToBytes("archived")}, {"se3.wav", ToBytes("a wav")}});
  EXPECT_EQ(FindSound(title, big, "se1.wav").loose, dir / "title/WAV/se1.wav");
  EXPECT_EQ(FindSound(title, big, "se2.WAV").loose, dir / "disc2/WAV/se2.WAV");
  EXPECT_EQ(FindSound(title, big, "bgm.mid").loose, dir / "disc1/WAV/bgm.mid");  // loose beats archives
  // A ".wav" name is never looked up in archives.
  for (const char* wav : {"se3.wav", "se3.WAV", "se3.Wav"}) EXPECT_FALSE(FindSound(title, big, wav).Found()) << wav;
  EXPECT_TRUE(big.FileName().empty());
}

TEST_F(DataLookupTest, SoundArchivesOpenArchiveFirstThenDataFiles) {
  BigArchive("title/WAV/Data2.PMW", {{"a.mid", ToBytes("base a")}});
  BigArchive("title/WAV/Data3.PMW", {{"b.ogg", ToBytes("base b")}, {"a.mid", ToBytes("base3 a")}});
  BigArchive("disc1/WAV/Data5.PMW", {{"c.ogg", ToBytes("disc c")}});
  SoundLocation where = FindSound(title, big, "b.ogg");
  ASSERT_TRUE(where.Found());
  EXPECT_FALSE(where.loose);
  EXPECT_EQ(big.FileName(), dir / "title/WAV/Data3.PMW");
  EXPECT_EQ(where.entry, 0);
  where = FindSound(title, big, "A.MID");  // the open archive answers first
  EXPECT_EQ(big.FileName(), dir / "title/WAV/Data3.PMW");
  EXPECT_EQ(where.entry, 1);
  ByteBuffer packed;
  ASSERT_TRUE(big.ReadEntry(where.entry, packed));
  EXPECT_EQ(ToText(UnpackStream(packed)), "base3 a");
  where = FindSound(title, big, "c.ogg");
  EXPECT_EQ(big.FileName(), dir / "disc1/WAV/Data5.PMW");
  EXPECT_EQ(where.entry, 0);
  EXPECT_FALSE(FindSound(title, big, "none.ogg").Found());
}

TEST_F(DataLookupTest, PicturesAreLooseOnly) {
  Pack("disc1/PMP/bg.bmp", "disc");
  Pack("disc2/PMP/bg.bmp", "disc2");
  Pack("disc2/PMP/cg.bmp", "disc2");
  Pack("title/PMP/cg.bmp", "base");
  EXPECT_EQ(FindPicture(title, "bg.bmp"), dir / "disc1/PMP/bg.bmp");
  EXPECT_EQ(FindPicture(title, "cg.bmp"), dir / "title/PMP/cg.bmp");
  EXPECT_EQ(FindPicture(title, "none.bmp"), std::nullopt);
}

TEST_F(DataLookupTest, NoFileServicesIsAnError) {
  TitleFiles none;
  EXPECT_THROW(FindPicture(none, "a.bmp"), MavError);
}

// Titles copied from a CD often change letter case; the real resolver finds them anyway.
TEST(DataLookupPosixTest, FindsFilesWhoseLetterCaseChanged) {
  TempFolder dir;
  testing::WriteFile(dir / "mounts", "");  // no discs mounted
  PosixFileServices files(PosixFileServices::Options{dir / "mounts", dir.path()});
  const auto base = dir / "title";
  std::filesystem::create_directories(base / "PMX");
  std::filesystem::create_directories(base / "wav");
  std::filesystem::create_directories(base / "Pmp");
  PackToFile(base / "PMX" / "DATA3.PMX", BuildFileUnitPayload({{"4.pmx", ToBytes("four")}}));
  PackToFile(base / "PMX" / "1.PMX", ToBytes("one"));
  WriteBigFileUnit(base / "wav" / "data1.pmw", {{"bgm.mid", ToBytes("midi")}});
  PackToFile(base / "wav" / "Se.Wav", ToBytes("wave"));
  PackToFile(base / "Pmp" / "BG01.bmp", ToBytes("bmp"));

  TitleFiles title{base, &files};
  TFileUnit archive;
  TBigFileUnit big;
  auto one = LoadScenarioData(title, archive, 1);
  ASSERT_TRUE(one);
  EXPECT_EQ(ToText(*one), "one");
  auto four = LoadScenarioData(title, archive, 4);
  ASSERT_TRUE(four);
  EXPECT_EQ(ToText(*four), "four");
  EXPECT_EQ(FindSound(title, big, "se.wav").loose, base / "wav" / "Se.Wav");
  const SoundLocation bgm = FindSound(title, big, "BGM.mid");
  EXPECT_EQ(bgm.entry, 0);
  EXPECT_EQ(big.FileName(), base / "wav" / "data1.pmw");
  EXPECT_EQ(FindPicture(title, "bg01.BMP"), base / "Pmp" / "BG01.bmp");
}

}  // namespace
}  // namespace mavlet
