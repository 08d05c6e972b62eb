// Runs mavtool's pack, archive and status verbs as a user would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/file_builders.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_folder.h"
#include "player/storage/big_file_unit.h"
#include "player/storage/file_unit.h"
#include "player/storage/game_status.h"
#include "player/storage/packed_file.h"

namespace mavlet {
namespace {

using Result = testing::ProgramResult;
using testing::ReadText;

using ::testing::HasSubstr;
using ::testing::StartsWith;

using testing::WriteFile;

class StorageVerbsTest : public ::testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args) { return testing::RunProgram(MAVTOOL, args, dir); }
  std::string P(const std::string& name) const { return (dir / name).string(); }

  testing::TempFolder temp{"mavtool-storage"};
  const std::filesystem::path dir = temp.path();
};

TEST_F(StorageVerbsTest, PackAndUnpackRoundTrip) {
  const std::string text = "#0\r\nSetSfc 0,,1,bg.bmp\r\n\x83\x5c\x95\x5c\r\n";
  WriteFile(dir / "1.txt", text);
  ASSERT_EQ(Run({"pack", P("1.txt"), P("1.pmx")}).code, 0);
  EXPECT_EQ(UnpackFile(dir / "1.pmx"), ByteBuffer(text.begin(), text.end()));
  ASSERT_EQ(Run({"unpack", P("1.pmx"), P("back.txt")}).code, 0);
  EXPECT_EQ(ReadText(dir / "back.txt"), text);
}

TEST_F(StorageVerbsTest, FailuresExitOneWithAMessage) {
  WriteFile(dir / "plain.txt", "not packed");
  const std::vector<std::vector<std::string>> cases = {
      {"pack", P("missing"), P("out")},
      {"pack", P("only-one")},
      {"unpack", P("plain.txt"), P("out")},
      {"unpack", P("missing"), P("out")},
      {"archive", "create", "--medium", P("a"), P("plain.txt")},
      {"archive", "list", P("plain.txt")},
      {"archive", "list", P("missing")},
      {"status", "dump", P("missing")},
      {"status", "get", P("plain.txt"), "Header"},
      {"status", "frobnicate", P("x")},
  };
  for (const auto& args : cases) {
    const Result r = Run(args);
    EXPECT_EQ(r.code, 1) << args[0] << " " << args[1];
    EXPECT_THAT(r.err, StartsWith("mavtool: ")) << args[0] << " " << args[1];
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "out"));
  EXPECT_THAT(Run({"unpack", P("plain.txt"), P("out")}).err, HasSubstr("plain.txt"));
}

TEST_F(StorageVerbsTest, SmallArchivesCreateListExtract) {
  WriteFile(dir / "1.pmx", "one");
  WriteFile(dir / "Title.pmx", "");
  WriteFile(dir / "\xe3\x82\xbd\xe8\xa1\xa8.txt", "sohyo");  // "ソ表", trail bytes 0x5C
  ASSERT_EQ(Run({"archive", "create", "--small", P("Data1.pmx"), P("1.pmx"), P("Title.pmx"),
                 P("\xe3\x82\xbd\xe8\xa1\xa8.txt")}).code, 0);
  const Result list = Run({"archive", "list", P("Data1.pmx")});
  ASSERT_EQ(list.code, 0) << list.err;
  EXPECT_EQ(list.out, "1.pmx\t3\nTitle.pmx\t0\n\xe3\x82\xbd\xe8\xa1\xa8.txt\t5\n");

  TFileUnit unit;  // the player reads what the tool wrote
  unit.LoadArchive(dir / "Data1.pmx");
  ByteBuffer out;
  ASSERT_TRUE(unit.ExtractEntry("\x83\x5c\x95\x5c.TXT", out));
  EXPECT_EQ(std::string(out.begin(), out.end()), "sohyo");

  ASSERT_EQ(Run({"archive", "extract", P("Data1.pmx"), "title.PMX", P("t")}).code, 0);
  EXPECT_EQ(ReadText(dir / "t"), "");
  ASSERT_EQ(Run({"archive", "extract", P("Data1.pmx"), "\xe3\x82\xbd\xe8\xa1\xa8.txt", P("s")}).code, 0);
  EXPECT_EQ(ReadText(dir / "s"), "sohyo");
  const Result missing = Run({"archive", "extract", P("Data1.pmx"), "2.pmx", P("m")});
  EXPECT_EQ(missing.code, 1);
  EXPECT_THAT(missing.err, HasSubstr("2.pmx"));
}

TEST_F(StorageVerbsTest, LargeArchivesStoreUpperCaseAndExtractUnpacked) {
  WriteFile(dir / "bgm01.mid", std::string(5000, 'm'));
  WriteFile(dir / "se.ogg", "ogg");
  ASSERT_EQ(Run({"archive", "create", "--large", P("Data1.PMW"), P("bgm01.mid"), P("se.ogg")}).code, 0);
  TBigFileUnit unit;
  unit.OpenArchive(dir / "Data1.PMW");
  ASSERT_EQ(unit.Entries().size(), 2u);
  EXPECT_EQ(unit.Entries()[0].name, "BGM01.MID");
  ByteBuffer packed;
  ASSERT_TRUE(unit.ReadEntry(1, packed));
  const Result list = Run({"archive", "list", P("Data1.PMW")});
  EXPECT_EQ(list.out, "BGM01.MID\t" + std::to_string(unit.Entries()[0].size) + "\nSE.OGG\t" +
                          std::to_string(packed.size()) + "\n");
  ASSERT_EQ(Run({"archive", "extract", P("Data1.PMW"), "bgm01.mid", P("x")}).code, 0);
  EXPECT_EQ(ReadText(dir / "x"), std::string(5000, 'm'));
}

TEST_F(StorageVerbsTest, ArchiveCreateRefusesNamesItCannotStore) {
  WriteFile(dir / std::string(32, 'n'), "x");
  WriteFile(dir / "a.txt", "x");
  std::filesystem::create_directory(dir / "sub");
  WriteFile(dir / "sub" / "A.TXT", "y");
  WriteFile(dir / "\xf0\x9f\x98\x80.txt", "emoji");
  const std::vector<std::vector<std::string>> cases = {
      {"archive", "create", "--small", P("o"), P(std::string(32, 'n'))},
      {"archive", "create", "--large", P("o"), P("a.txt"), P("sub/A.TXT")},
      {"archive", "create", "--small", P("o"), P("\xf0\x9f\x98\x80.txt")},
  };
  for (const auto& args : cases) EXPECT_EQ(Run(args).code, 1) << args.back();
  EXPECT_FALSE(std::filesystem::exists(dir / "o"));
}

TEST_F(StorageVerbsTest, StatusDumpGetSet) {
  {
    TGameStatus s = TGameStatus::OpenFile(dir / "save03");
    s.WriteString("Header", "\x91\xe6\x88\xea\x8f\xcd");  // "第一章"
    s.WriteInteger("Int0", 5);
    s.WriteString("#score", "0,12");
    s.WriteString("Empty", "");
  }
  const Result dump = Run({"status", "dump", P("save03")});
  ASSERT_EQ(dump.code, 0) << dump.err;
  EXPECT_EQ(dump.out, "Header=\xe7\xac\xac\xe4\xb8\x80\xe7\xab\xa0\nInt0=5\n#score=0,12\nEmpty=\n");

  EXPECT_EQ(Run({"status", "get", P("save03"), "Header"}).out, "\xe7\xac\xac\xe4\xb8\x80\xe7\xab\xa0\n");
  EXPECT_EQ(Run({"status", "get", P("save03"), "#*"}).out, "1\n");
  const Result empty = Run({"status", "get", P("save03"), "Empty"});
  EXPECT_EQ(empty.code, 0);
  EXPECT_EQ(empty.out, "\n");
  const Result absent = Run({"status", "get", P("save03"), "header"});
  EXPECT_EQ(absent.code, 1);
  EXPECT_EQ(absent.out, "");

  ASSERT_EQ(Run({"status", "set", P("save03"), "Int0", "-7"}).code, 0);
  ASSERT_EQ(Run({"status", "set", P("save03"), "\xe5\x90\x8d\xe5\x89\x8d", "\xe5\xa4\xaa\xe9\x83\x8e"}).code, 0);
  TGameStatus s = TGameStatus::OpenFile(dir / "save03");
  EXPECT_EQ(s.ReadInteger("Int0", 0), -7);
  EXPECT_EQ(s.Lines().size(), 5u);
  EXPECT_EQ(s.ReadString("\x96\xbc\x91\x4f", ""), "\x91\xbe\x98\x59");  // "名前" = "太郎"

  // A new slot file is created by set; bad keys and values are refused.
  ASSERT_EQ(Run({"status", "set", P("new/save99"), "Keep", "1"}).code, 0);
  EXPECT_EQ(TGameStatus::OpenFile(dir / "new/save99").ReadString("Keep", ""), "1");
  EXPECT_EQ(Run({"status", "set", P("save03"), "a=b", "1"}).code, 1);
  EXPECT_EQ(Run({"status", "set", P("save03"), "Int0", "two\nlines"}).code, 1);
}

}  // namespace
}  // namespace mavlet
