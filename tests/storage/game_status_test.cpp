#include "player/storage/game_status.h"

#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string SlotText(const std::filesystem::path& file) { return ToText(UnpackFile(file)); }

TEST(GameStatusTest, SlotFileNames) {
  const std::pair<int, const char*> cases[] = {
      {0, "save00"}, {7, "save07"}, {19, "save19"}, {99, "save99"}, {100, "save100"}, {1234, "save1234"}};
  for (const auto& [slot, name] : cases) EXPECT_EQ(TGameStatus::SlotFileName(slot), name);
  TempFolder dir;
  TGameStatus s(dir.path(), 3);
  EXPECT_EQ(s.FilePath(), dir / "save03");
}

TEST(GameStatusTest, SplitsLinesAtAnyLineEnding) {
  const std::pair<std::string_view, std::vector<std::string>> cases[] = {
      {"", {}},
      {"a=1", {"a=1"}},
      {"a=1\r\nb=2\r\n", {"a=1", "b=2"}},
      {"a=1\nb=2\n", {"a=1", "b=2"}},
      {"a=1\rb=2\r", {"a=1", "b=2"}},
      {"a=1\r\n\r\nb=2", {"a=1", "", "b=2"}},
      {"a=1\n\rb=2", {"a=1", "", "b=2"}},  // LF then CR: two line ends
      {"\r\n", {""}},
      {"x\r", {"x"}},
  };
  for (const auto& [payload, lines] : cases) EXPECT_EQ(SplitStatusLines(payload), lines) << payload;
}

TEST(GameStatusTest, ReadsAndWritesKeysInPlace) {
  TGameStatus s("", 0);
  s.WriteString("Header", "caption");
  s.WriteInteger("@TextSpd", -25);
  s.WriteBool("Flag", true);
  s.WriteString("Empty", "");
  s.WriteString("Header", "new caption");  // replaced where it was
  EXPECT_THAT(s.Lines(), ElementsAre("Header=new caption", "@TextSpd=-25", "Flag=1", "Empty="));
  EXPECT_TRUE(s.Modified());

  EXPECT_EQ(s.ReadString("Header", "d"), "new caption");
  EXPECT_EQ(s.ReadString("Empty", "d"), "");  // an empty value is not the default
  EXPECT_EQ(s.ReadString("Missing", "d"), "d");
  EXPECT_EQ(s.ReadString("header", "d"), "d");  // keys differ by case
  EXPECT_EQ(s.ReadString("Head", "d"), "d");    // a key is not a prefix match
  EXPECT_EQ(s.ReadInteger("@TextSpd", 3), -25);
  EXPECT_EQ(s.ReadInteger("Header", 3), 3);     // not a number: the default
  EXPECT_EQ(s.ReadInteger("Empty", 4), 4);
  EXPECT_EQ(s.ReadInteger("Missing", 5), 5);
  EXPECT_TRUE(s.ReadBool("Flag", false));
  EXPECT_TRUE(s.ReadBool("@TextSpd", false));  // any non-zero number is true
  EXPECT_TRUE(s.ReadBool("Missing", true));
  EXPECT_TRUE(s.ReadBool("Header", true));
}

TEST(GameStatusTest, ValuesRunToTheEndOfTheLine) {
  TGameStatus s("", 0);
  s.WriteString("#name", "1,a=b,c");
  s.WriteString("k=x", "y");  // a key holding "=" still finds its own line
  EXPECT_EQ(s.ReadString("#name", ""), "1,a=b,c");
  EXPECT_EQ(s.ReadString("k=x", ""), "y");
  EXPECT_EQ(s.ReadString("k", ""), "x=y");
}

TEST(GameStatusTest, LineBreaksInValuesCannotForgeKeys) {
  TempFolder dir;
  {
    TGameStatus s(dir.path(), 6);
    s.WriteString("#name", "Taro\r\nHeader=forged\nx");
    EXPECT_EQ(s.ReadString("#name", ""), "Taro  Header=forged x");
  }
  TGameStatus s(dir.path(), 6);
  EXPECT_THAT(s.Lines(), ElementsAre("#name=Taro  Header=forged x"));
  EXPECT_FALSE(s.HasKey("Header"));
}

TEST(GameStatusTest, KeyLookupsStayRightAcrossDeletesAndDuplicates) {
  TempFolder dir;
  // A slot written by another tool may repeat a key: the first line wins, before and after edits.
  WriteFile(dir / "save01", PackBuffer(ToBytes("a=1\r\nb=2\r\na=3\r\nnoequals\r\nc=\r\n")));
  TGameStatus s(dir.path(), 1);
  EXPECT_EQ(s.ReadString("a", "x"), "1");
  EXPECT_EQ(s.ReadString("noequals", "x"), "x");
  EXPECT_EQ(s.ReadString("c", "x"), "");
  s.DeletePrefix("a=1");
  EXPECT_EQ(s.ReadString("a", "x"), "3");
  s.WriteString("d", "4");
  s.WriteString("a", "5");
  EXPECT_THAT(s.Lines(), ElementsAre("b=2", "a=5", "noequals", "c=", "d=4"));
  s.ClearKeepHeader();
  EXPECT_EQ(s.ReadString("b", "gone"), "gone");
  s.WriteInteger("b", 6);
  EXPECT_EQ(s.ReadInteger("b", 0), 6);
  EXPECT_EQ(s.ReadString("b=6", "none"), "none");
}

TEST(GameStatusTest, CountQueriesCountLinesByPrefix) {
  TGameStatus s("", 0);
  for (const char* k : {"#a", "#b", "#c", "@Marks0", "Header"}) s.WriteString(k, "1");
  EXPECT_EQ(s.ReadString("#*", ""), "3");
  EXPECT_EQ(s.ReadInteger("#*", -1), 3);
  EXPECT_EQ(s.ReadInteger("@Marks*", -1), 1);
  EXPECT_EQ(s.ReadInteger("Nothing*", -1), 0);
  EXPECT_EQ(s.ReadInteger("*", -1), 5);
  EXPECT_FALSE(s.ReadBool("Nothing*", true));
  EXPECT_TRUE(s.HasKey("Nothing*"));
  EXPECT_TRUE(s.HasKey("#a"));
  EXPECT_FALSE(s.HasKey("#"));
}

TEST(GameStatusTest, PrefixesDeleteAndListInReverse) {
  TGameStatus s("", 0);
  for (const char* k : {"Layer0X", "Audio0Src", "Layer1X", "Layer0Y"}) s.WriteString(k, "v");
  EXPECT_THAT(s.ListPrefix("Layer"), ElementsAre("Layer0Y=v", "Layer1X=v", "Layer0X=v"));
  EXPECT_THAT(s.ListPrefix("None"), ElementsAre());

  TGameStatus clean("", 0);
  clean.DeletePrefix("x");
  EXPECT_FALSE(clean.Modified());
  s.DeletePrefix("Layer0");
  EXPECT_THAT(s.Lines(), ElementsAre("Audio0Src=v", "Layer1X=v"));
}

TEST(GameStatusTest, SavingTwiceKeepsOneCopyOfEachKeyHeaderFirst) {
  TempFolder dir;
  for (int round = 0; round < 2; ++round) {
    TGameStatus s(dir.path(), 1);
    if (round == 0) s.WriteString("Header", "Chapter 1");
    s.ClearKeepHeader();
    s.WriteString("@FontName", "MS Gothic");
    s.WriteInteger("Int0", round);
    s.Flush();
  }
  EXPECT_EQ(SlotText(dir / "save01"), "Header=Chapter 1\r\n@FontName=MS Gothic\r\nInt0=1\r\n");
}

TEST(GameStatusTest, ClearKeepHeaderKeepsOnlyExactHeaderLines) {
  TGameStatus s("", 0);
  for (const char* k : {"header", "Header", "HeaderX", "a"}) s.WriteString(k, "v");
  s.ClearKeepHeader();
  EXPECT_THAT(s.Lines(), ElementsAre("Header=v"));
}

TEST(GameStatusTest, HeaderWriteCreatesASlotHoldingOnlyIt) {
  TempFolder dir;
  const auto folder = dir / "saves" / "nested";  // created on the first write
  {
    TGameStatus s(folder, 3);
    EXPECT_TRUE(s.Lines().empty());
    s.WriteString("Header", "\x83\x5c\x95\x5c");  // Shift-JIS kept as bytes
  }
  EXPECT_EQ(SlotText(folder / "save03"), "Header=\x83\x5c\x95\x5c\r\n");
  TGameStatus again(folder, 3);
  EXPECT_EQ(again.ReadString("Header", ""), "\x83\x5c\x95\x5c");
  EXPECT_FALSE(again.Modified());
}

TEST(GameStatusTest, UnmodifiedOrInMemoryStatusesWriteNothing) {
  TempFolder dir;
  {
    TGameStatus s(dir.path(), 4);
    s.ReadString("x", "");
  }
  { TGameStatus mem("", 4); mem.WriteString("x", "1"); mem.Flush(); }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(GameStatusTest, ReadsSlotsWithAnyLineEndingsAndOddLines) {
  TempFolder dir;
  PackToFile(dir / "save08", ToBytes("Header=h\rno equals sign\n=empty key\r\n\xff\xfe=odd\nNum=12"));
  TGameStatus s(dir.path(), 8);
  EXPECT_THAT(s.Lines(), ElementsAre("Header=h", "no equals sign", "=empty key", "\xff\xfe=odd", "Num=12"));
  EXPECT_EQ(s.ReadInteger("Num", 0), 12);
  EXPECT_EQ(s.ReadString("", "d"), "empty key");
  EXPECT_EQ(s.ReadString("no equals sign", "d"), "d");
  EXPECT_EQ(s.ReadString("\xff\xfe", "d"), "odd");
}

TEST(GameStatusTest, DamagedSlotsNameTheFile) {
  TempFolder dir;
  WriteFile(dir / "save02", ToBytes("this is not a packed file"));
  try {
    TGameStatus s(dir.path(), 2);
    FAIL() << "no error";
  } catch (const MavError& e) {
    EXPECT_THAT(e.what(), HasSubstr((dir / "save02").string()));
  }
}

TEST(GameStatusTest, FlushReportsWhatTheDestructorSwallows) {
  TempFolder dir;
  WriteFile(dir / "file", ToBytes("x"));  // a file where the save folder should be
  auto s = std::make_unique<TGameStatus>(dir / "file" / "saves", 1);
  s->WriteString("a", "1");
  try {
    s->Flush();
    FAIL() << "no error";
  } catch (const MavError& e) {
    EXPECT_THAT(e.what(), HasSubstr("saves"));
  }
  EXPECT_TRUE(s->Modified());
  EXPECT_NO_THROW(s.reset());
}

TEST(GameStatusTest, OpensAnExplicitSlotFile) {
  TempFolder dir;
  PackToFile(dir / "custom.slot", ToBytes("A=1\r\n"));
  {
    TGameStatus s = TGameStatus::OpenFile(dir / "custom.slot");
    EXPECT_EQ(s.Slot(), -1);
    EXPECT_EQ(s.ReadInteger("A", 0), 1);
    s.WriteInteger("B", 2);
  }
  EXPECT_EQ(SlotText(dir / "custom.slot"), "A=1\r\nB=2\r\n");
}

// A save that fails part-way (file size limit standing in for a full disk) keeps the old slot.
TEST(GameStatusTest, AFailedSaveLeavesTheOldSlotIntact) {
  TempFolder dir;
  {
    TGameStatus s(dir.path(), 9);
    s.WriteString("Header", "old");
  }
  const ByteBuffer before = ReadFile(dir / "save09");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    TGameStatus s(dir.path(), 9);
    s.ClearKeepHeader();
    const ByteBuffer noise = testing::RandomBytes(100000, 9);
    for (std::size_t i = 0; i < noise.size(); i += 50) {
      s.WriteString("#v" + std::to_string(i), std::string(noise.begin() + static_cast<long>(i),
                                                           noise.begin() + static_cast<long>(i) + 40));
    }
    try {
      s.Flush();
    } catch (const MavError&) {
      _exit(0);
    }
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFile(dir / "save09"), before);
  TGameStatus s(dir.path(), 9);
  EXPECT_THAT(s.Lines(), ElementsAre("Header=old"));
}

TEST(GameStatusTest, SizeLimitCountsTheSlotFileAndRefusesOnlyGrowth) {
  // Each step on one status with a 40-byte limit: the size it must then hold (what the slot file
  // would hold before packing), or that the step is refused and changes nothing.
  struct Step {
    const char* what;
    std::function<void(TGameStatus&)> run;
    std::size_t bytes;  // 0: refused
  };
  const Step steps[] = {
      {"new key", [](TGameStatus& s) { s.WriteString("Header", "caption"); }, 16},
      {"second key", [](TGameStatus& s) { s.WriteInteger("A", 12345); }, 25},
      {"replacing keeps one line", [](TGameStatus& s) { s.WriteInteger("A", 7); }, 21},
      {"past the limit", [](TGameStatus& s) { s.WriteString("B", std::string(20, 'x')); }, 0},
      {"up to the limit", [](TGameStatus& s) { s.WriteString("B", std::string(15, 'x')); }, 40},
      {"one byte more", [](TGameStatus& s) { s.WriteString("B", std::string(16, 'x')); }, 0},
      {"prefix deleted", [](TGameStatus& s) { s.DeletePrefix("B"); }, 21},
      {"cleared but the header", [](TGameStatus& s) { s.ClearKeepHeader(); }, 16},
  };
  TempFolder dir("status");
  TGameStatus s(dir.path(), 3);
  s.SetSizeLimit(40);
  for (const Step& step : steps) {
    const std::vector<std::string> before = s.Lines();
    if (step.bytes == 0) {
      EXPECT_THROW(step.run(s), MavError) << step.what;
      EXPECT_EQ(s.Lines(), before) << step.what;
    } else {
      step.run(s);
      EXPECT_EQ(s.PayloadBytes(), step.bytes) << step.what;
    }
  }
  s.Flush();
  EXPECT_EQ(SlotText(dir / "save03").size(), s.PayloadBytes());
  EXPECT_EQ(TGameStatus(dir.path(), 3).PayloadBytes(), s.PayloadBytes()) << "counted again on reading";
}

TEST(GameStatusTest, DiscardedChangesNeverReachTheSlotFile) {
  TempFolder dir("status");
  {
    TGameStatus s(dir.path(), 4);
    s.WriteString("A", "old");
  }
  {
    TGameStatus s(dir.path(), 4);
    s.ClearKeepHeader();
    s.WriteString("A", "half");
    s.Discard();
  }
  EXPECT_EQ(SlotText(dir / "save04"), "A=old\r\n");
}

}  // namespace
}  // namespace mavlet
