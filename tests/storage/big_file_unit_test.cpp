#include "player/storage/big_file_unit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "player/common/error.h"
#include "player/storage/packed_file.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

using testing::ToBytes;
using testing::ReadFile;
using testing::TempFolder;
using testing::ToText;
using testing::WriteFile;
using ::testing::HasSubstr;

// A large archive written by hand: names stored exactly as given, data plain bytes.
ByteBuffer RawArchive(const std::vector<std::pair<std::string, ByteBuffer>>& entries,
                      std::optional<int> count = std::nullopt) {
  ByteBuffer out;
  const auto n = static_cast<std::uint32_t>(count.value_or(static_cast<int>(entries.size())));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
  for (const auto& [name, data] : entries) {
    std::uint8_t field[32] = {};
    std::memcpy(field, name.data(), std::min<std::size_t>(name.size(), 32));
    out.insert(out.end(), field, field + 32);
    const auto size = static_cast<std::uint32_t>(data.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
  }
  for (const auto& e : entries) out.insert(out.end(), e.second.begin(), e.second.end());
  return out;
}

TEST(BigFileUnitTest, WrittenArchivesReadBackPackedEntries) {
  TempFolder dir;
  const std::vector<std::pair<std::string, ByteBuffer>> entries = {
      {"bgm01.mid", ToBytes("music")}, {"Voice.Ogg", ByteBuffer(70000, 7)}, {"empty", {}}};
  WriteBigFileUnit(dir / "Data1.PMW", entries);
  TBigFileUnit unit;
  unit.OpenArchive(dir / "Data1.PMW");
  ASSERT_EQ(unit.Entries().size(), 3u);
  EXPECT_EQ(unit.Entries()[0].name, "BGM01.MID");
  EXPECT_EQ(unit.Entries()[1].name, "VOICE.OGG");
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const int index = unit.IndexOfEntry(entries[i].first);
    ASSERT_EQ(index, static_cast<int>(i));
    ByteBuffer packed;
    ASSERT_TRUE(unit.ReadEntry(index, packed));
    EXPECT_EQ(UnpackStream(packed), entries[i].second);
  }
  // Offsets follow the index: 4 + 36 * N, then the sizes before.
  EXPECT_EQ(unit.Entries()[0].offset, 4u + 36u * 3u);
  EXPECT_EQ(unit.Entries()[1].offset, unit.Entries()[0].offset + unit.Entries()[0].size);
}

TEST(BigFileUnitTest, LookupsUpperCaseOnlyTheNameAskedFor) {
  TempFolder dir;
  WriteFile(dir / "a.pmw", RawArchive({{"lower.wav", ToBytes("l")}, {"UPPER.OGG", ToBytes("u")},
                                      {"UPPER.OGG", ToBytes("second")}, {"\x83\x61.OGG", ToBytes("j")}}));
  TBigFileUnit unit;
  unit.OpenArchive(dir / "a.pmw");
  struct Case {
    const char* ask;
    int index;
  };
  const Case cases[] = {
      {"upper.ogg", 1}, {"UPPER.OGG", 1}, {"Upper.Ogg", 1},  // the first of two equal names
      {"lower.wav", -1}, {"LOWER.WAV", -1},                  // stored lower case: never found
      {"\x83\x61.ogg", 3},                                   // Japanese name, trail byte kept
      {"\x83\x41.ogg", -1}, {"", -1}, {"missing", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(unit.IndexOfEntry(c.ask), c.index) << c.ask;
}

TEST(BigFileUnitTest, FindsJapaneseNamesStoredWithEveryByteFolded) {
  TempFolder dir;
  WriteFile(dir / "a.pmw", RawArchive({{"\x83\x41.OGG", ToBytes("folded")}}));
  TBigFileUnit unit;
  unit.OpenArchive(dir / "a.pmw");
  EXPECT_EQ(unit.IndexOfEntry("\x83\x61.ogg"), 0);
}

TEST(BigFileUnitTest, ReopeningTheSameArchiveReadsNothing) {
  TempFolder dir;
  WriteBigFileUnit(dir / "Data1.PMW", {{"A", ToBytes("1")}});
  WriteBigFileUnit(dir / "Data2.PMW", {{"B", ToBytes("2")}});
  TBigFileUnit unit;
  EXPECT_EQ(unit.IndexOfEntry("a"), -1);  // nothing open yet
  unit.OpenArchive(dir / "Data1.PMW");
  unit.OpenArchive(dir / "Data1.PMW");
  unit.OpenArchive(dir / "DATA1.pmw");  // same name ignoring case
  EXPECT_EQ(unit.IndexReads(), 1);
  unit.OpenArchive(dir / "Data2.PMW");
  EXPECT_EQ(unit.IndexReads(), 2);
  EXPECT_EQ(unit.IndexOfEntry("a"), -1);
  EXPECT_EQ(unit.IndexOfEntry("b"), 0);
  EXPECT_EQ(unit.FileName(), dir / "Data2.PMW");
}

TEST(BigFileUnitTest, ReadEntryReportsBadIndexesAndShortFiles) {
  TempFolder dir;
  ByteBuffer file = RawArchive({{"ONE", ToBytes("11111")}, {"TWO", ToBytes("22222")}});
  file.resize(file.size() - 2);  // the last entry lost its end
  WriteFile(dir / "short.pmw", file);
  TBigFileUnit unit;
  ByteBuffer out = ToBytes("stale");
  EXPECT_FALSE(unit.ReadEntry(0, out));  // no archive open
  EXPECT_TRUE(out.empty());
  unit.OpenArchive(dir / "short.pmw");
  for (int bad : {-1, 2, 1000}) {
    out = ToBytes("stale");
    EXPECT_FALSE(unit.ReadEntry(bad, out)) << bad;
    EXPECT_TRUE(out.empty());
  }
  EXPECT_TRUE(unit.ReadEntry(0, out));
  EXPECT_EQ(ToText(out), "11111");
  EXPECT_FALSE(unit.ReadEntry(1, out));
  EXPECT_EQ(ToText(out), "222");
}

TEST(BigFileUnitTest, HugeSizeClaimsDoNotDriveAllocation) {
  TempFolder dir;
  ByteBuffer file = RawArchive({{"BIG", ToBytes("tiny")}});
  file[4 + 32] = 0xFF;  // size 0xFFFFFF.. claimed
  file[4 + 35] = 0xFF;
  WriteFile(dir / "big.pmw", file);
  TBigFileUnit unit;
  unit.OpenArchive(dir / "big.pmw");
  ByteBuffer out;
  EXPECT_FALSE(unit.ReadEntry(0, out));
  EXPECT_EQ(ToText(out), "tiny");
  EXPECT_LT(out.capacity(), 1024u);
}

TEST(BigFileUnitTest, DamagedIndexesAreRefusedAndLeaveNothingOpen) {
  TempFolder dir;
  WriteBigFileUnit(dir / "good.pmw", {{"A", ToBytes("1")}});
  struct Case {
    const char* name;
    ByteBuffer bytes;
    const char* expect;
  };
  const Case cases[] = {
      {"empty", {}, "too short"},
      {"negative count", RawArchive({}, -3), "negative"},
      {"count beyond the file", RawArchive({{"A", ToBytes("1")}}, 1000), "1000 entries"},
      {"huge count", RawArchive({}, 0x7FFFFFFF), "2147483647 entries"},
  };
  for (const Case& c : cases) {
    WriteFile(dir / "bad.pmw", c.bytes);
    TBigFileUnit unit;
    unit.OpenArchive(dir / "good.pmw");
    try {
      unit.OpenArchive(dir / "bad.pmw");
      ADD_FAILURE() << c.name << ": no error";
    } catch (const MavError& e) {
      EXPECT_THAT(e.what(), HasSubstr((dir / "bad.pmw").string())) << c.name;
      EXPECT_THAT(e.what(), HasSubstr(c.expect)) << c.name;
    }
    EXPECT_TRUE(unit.FileName().empty()) << c.name;
    EXPECT_EQ(unit.IndexOfEntry("A"), -1) << c.name;
    // A later attempt reads the file again instead of trusting a half-read index.
    WriteFile(dir / "bad.pmw", RawArchive({{"A", ToBytes("1")}}));
    unit.OpenArchive(dir / "bad.pmw");
    EXPECT_EQ(unit.IndexOfEntry("a"), 0) << c.name;
  }
  TBigFileUnit unit;
  EXPECT_THROW(unit.OpenArchive(dir / "missing.pmw"), MavError);
}

TEST(BigFileUnitTest, ArchiveWithNoEntries) {
  TempFolder dir;
  WriteFile(dir / "zero.pmw", RawArchive({}, 0));
  TBigFileUnit unit;
  unit.OpenArchive(dir / "zero.pmw");
  EXPECT_TRUE(unit.Entries().empty());
  ByteBuffer out;
  EXPECT_FALSE(unit.ReadEntry(0, out));
  EXPECT_EQ(ReadFile(dir / "zero.pmw").size(), 4u);
}

}  // namespace
}  // namespace mavlet
