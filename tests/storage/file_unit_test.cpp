#include "player/storage/file_unit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "player/common/error.h"
#include "player/storage/packed_file.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

using testing::ToBytes;
using testing::TempFolder;
using testing::ToText;
using ::testing::HasSubstr;

// A raw index record: the 32-byte name field exactly as given, then the size.
void AppendRecord(ByteBuffer& out, std::string_view name_field, std::uint32_t size) {
  std::uint8_t field[32] = {};
  std::memcpy(field, name_field.data(), std::min<std::size_t>(name_field.size(), 32));
  out.insert(out.end(), field, field + 32);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
}

ByteBuffer Count(std::int32_t n) {
  ByteBuffer b;
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(n) >> (8 * i)));
  return b;
}

std::string LoadError(ByteBuffer payload) {
  TFileUnit unit;
  try {
    unit.LoadPayload(std::move(payload), "Pmx/Data1.pmx");
  } catch (const MavError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(FileUnitTest, ExtractsEntriesIgnoringCase) {
  TFileUnit unit;
  unit.LoadPayload(BuildFileUnitPayload({{"1.pmx", ToBytes("one")},
                                         {"Title.PMX", ToBytes("title")},
                                         {"empty.pmx", {}},
                                         {"12.pmx", ToBytes("twelve")}}),
                   "mem");
  struct Case {
    const char* ask;
    bool found;
    const char* content;
  };
  const Case cases[] = {
      {"1.pmx", true, "one"},      {"1.PMX", true, "one"},     {"title.pmx", true, "title"},
      {"TITLE.pmx", true, "title"}, {"12.pmx", true, "twelve"}, {"empty.pmx", true, ""},
      {"2.pmx", false, ""},         {"", false, ""},            {"1.pm", false, ""},
  };
  for (const Case& c : cases) {
    ByteBuffer out = ToBytes("stale");
    EXPECT_EQ(unit.ExtractEntry(c.ask, out), c.found) << c.ask;
    EXPECT_EQ(ToText(out), c.content) << c.ask;
  }
  EXPECT_EQ(unit.Entries()[1].name, "TITLE.PMX");
}

TEST(FileUnitTest, FirstOfTwoEqualNamesWins) {
  TFileUnit unit;
  unit.LoadPayload(BuildFileUnitPayload({{"a.pmx", ToBytes("first")}, {"A.PMX", ToBytes("second")}}), "mem");
  ByteBuffer out;
  ASSERT_TRUE(unit.ExtractEntry("a.PMX", out));
  EXPECT_EQ(ToText(out), "first");
}

TEST(FileUnitTest, EmptyArchiveKeepsTheRestAsDataArea) {
  TFileUnit unit;
  ByteBuffer payload = Count(0);
  payload.insert(payload.end(), {'x', 'y', 'z'});
  unit.LoadPayload(payload, "mem");
  EXPECT_TRUE(unit.Entries().empty());
  EXPECT_EQ(ToText(unit.Data()), "xyz");
  ByteBuffer out;
  EXPECT_FALSE(unit.ExtractEntry("x", out));
}

TEST(FileUnitTest, NamesAreCutAtTheirNulOrAt31Bytes) {
  ByteBuffer payload = Count(3);
  AppendRecord(payload, std::string(32, 'q'), 1);                      // no NUL at all
  AppendRecord(payload, std::string("ab\0cd", 5), 1);                  // bytes after the NUL ignored
  AppendRecord(payload, std::string(31, 'r') + std::string(1, '\0'), 1);
  payload.insert(payload.end(), {'1', '2', '3'});
  TFileUnit unit;
  unit.LoadPayload(payload, "mem");
  EXPECT_EQ(unit.Entries()[0].name, std::string(31, 'Q'));
  EXPECT_EQ(unit.Entries()[1].name, "AB");
  EXPECT_EQ(unit.Entries()[2].name, std::string(31, 'R'));
  ByteBuffer out;
  ASSERT_TRUE(unit.ExtractEntry(std::string(31, 'q'), out));
  EXPECT_EQ(ToText(out), "1");
  ASSERT_TRUE(unit.ExtractEntry("ab", out));
  EXPECT_EQ(ToText(out), "2");
}

TEST(FileUnitTest, LeavesTheSecondByteOfJapaneseNamesAlone) {
  // "ソ" is 0x83 0x5C and "ャ" 0x83 0x61: folding the 0x61 would make it "ア" (0x83 0x41).
  TFileUnit unit;
  unit.LoadPayload(BuildFileUnitPayload({{"\x83\x41.pmx", ToBytes("a")}, {"\x83\x61.pmx", ToBytes("ya")}}), "mem");
  ByteBuffer out;
  ASSERT_TRUE(unit.ExtractEntry("\x83\x61.PMX", out));
  EXPECT_EQ(ToText(out), "ya");
  ASSERT_TRUE(unit.ExtractEntry("\x83\x41.pmx", out));
  EXPECT_EQ(ToText(out), "a");
}

TEST(FileUnitTest, DamagedPayloadsAreRefusedWithTheFileName) {
  ByteBuffer past_end = Count(2);
  AppendRecord(past_end, "a", 2);
  AppendRecord(past_end, "b", 0xFFFFFFFF);
  past_end.insert(past_end.end(), {'1', '2', '3'});
  ByteBuffer huge_count = Count(0x7FFFFFFF);
  huge_count.resize(100);
  struct Case {
    const char* name;
    ByteBuffer payload;
    const char* expect;
  };
  const Case cases[] = {
      {"empty", {}, "too short"},
      {"three bytes", {1, 0, 0}, "too short"},
      {"negative count", Count(-1), "negative"},
      {"count beyond the payload", huge_count, "2147483647 entries"},
      {"index cut short", [] { ByteBuffer b = Count(2); AppendRecord(b, "a", 0); return b; }(), "2 entries"},
      {"size past the data", past_end, "runs past the end"},
  };
  for (const Case& c : cases) {
    const std::string m = LoadError(c.payload);
    EXPECT_THAT(m, HasSubstr("Pmx/Data1.pmx")) << c.name;
    EXPECT_THAT(m, HasSubstr(c.expect)) << c.name;
  }
}

TEST(FileUnitTest, AFailedLoadKeepsThePreviousArchive) {
  TempFolder dir;
  PackToFile(dir / "Data1.pmx", BuildFileUnitPayload({{"5.pmx", ToBytes("five")}}));
  PackToFile(dir / "Data2.pmx", Count(-5));
  testing::WriteFile(dir / "Data3.pmx", ToBytes("random junk"));
  TFileUnit unit;
  unit.LoadArchive(dir / "Data1.pmx");
  EXPECT_EQ(unit.FileName(), dir / "Data1.pmx");
  EXPECT_THROW(unit.LoadArchive(dir / "Data2.pmx"), MavError);
  EXPECT_THROW(unit.LoadArchive(dir / "Data3.pmx"), MavError);
  EXPECT_THROW(unit.LoadArchive(dir / "Data4.pmx"), MavError);
  ByteBuffer out;
  ASSERT_TRUE(unit.ExtractEntry("5.pmx", out));
  EXPECT_EQ(ToText(out), "five");
  EXPECT_EQ(unit.FileName(), dir / "Data1.pmx");
}

TEST(FileUnitTest, BuildRefusesNamesThatCannotBeStored) {
  EXPECT_THROW(BuildFileUnitPayload({{std::string(32, 'n'), {}}}), MavError);
  EXPECT_THROW(BuildFileUnitPayload({{"", {}}}), MavError);
  EXPECT_THROW(BuildFileUnitPayload({{std::string("a\0b", 3), {}}}), MavError);
  EXPECT_NO_THROW(BuildFileUnitPayload({{std::string(31, 'n'), {}}}));
}

}  // namespace
}  // namespace mavlet
