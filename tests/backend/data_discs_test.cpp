#include "player/backend/posix/data_discs.h"

#include <gtest/gtest.h>

#include <fstream>

#include "player/backend/posix/path_resolver.h"
#include "player/backend/posix/posix_file_services.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

TEST(DecodeMountField, OctalEscapes) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"/media/cdrom", "/media/cdrom"},
      {"/media/My\\040Disc", "/media/My Disc"},
      {"a\\011b\\012c\\134d", "a\tb\nc\\d"},
      {"\\04", "\\04"},    // too short to be an escape
      {"\\400", "\\400"},  // beyond a byte
      {"\\08x", "\\08x"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeMountField(c.in), c.out) << c.in;
}

TEST(ParseMounts, FieldsAndMalformedLines) {
  const auto mounts = ParseMounts(
      "/dev/sda1 / ext4 rw 0 0\n"
      "\n"
      "broken-line\n"
      "/dev/sr0 /media/My\\040Disc iso9660 ro 0 0\n"
      "/dev/sr1\t/mnt/dvd udf ro 0 0");
  ASSERT_EQ(mounts.size(), 3u);
  EXPECT_EQ(mounts[1].device, "/dev/sr0");
  EXPECT_EQ(mounts[1].mount_point, "/media/My Disc");
  EXPECT_EQ(mounts[1].type, "iso9660");
  EXPECT_EQ(mounts[2].mount_point, "/mnt/dvd");
  EXPECT_EQ(mounts[2].type, "udf");
}

// Fake mounts table whose optical volumes are folders of a scratch tree.
class DataDiscsTest : public ::testing::Test {
 protected:
  void WriteMounts(const std::string& text) { std::ofstream(mounts_, std::ios::binary) << text; }
  std::string Escaped(const fs::path& p) {
    std::string out;
    for (char c : p.string()) out += c == ' ' ? std::string("\\040") : std::string(1, c);
    return out;
  }
  TempFolder tree_;
  fs::path mounts_ = tree_.path() / "mounts";
  PathResolver resolver_;
};

TEST_F(DataDiscsTest, OpticalVolumesInMountPointOrder) {
  const fs::path b = tree_.Folder("media/b disc");
  const fs::path a = tree_.Folder("media/a");
  const fs::path c = tree_.Folder("media/c");
  tree_.File("media/b disc/MAVLET.EXE");
  tree_.File("media/c/mavlet.exe");
  tree_.Folder("media/a/mavlet.exe.d");
  WriteMounts("proc /proc proc rw 0 0\n" +
              ("/dev/sr1 " + Escaped(b) + " udf ro 0 0\n") +
              ("/dev/sda2 " + Escaped(tree_.path()) + " ext4 rw 0 0\n") +
              ("/dev/sr0 " + Escaped(c) + " iso9660 ro 0 0\n") +
              ("/dev/sr2 " + Escaped(a) + " iso9660 ro 0 0\n") +
              ("/dev/sr0 " + Escaped(c) + " iso9660 ro 0 0\n"));
  DataDiscs discs(mounts_, resolver_);
  EXPECT_EQ(discs.OpticalRoots(), (std::vector<fs::path>{a, b, c}));
  EXPECT_EQ(discs.DataDiscRoots(), (std::vector<fs::path>{b, c}));

  // A disc inserted later is seen at the next call.
  const fs::path d = tree_.Folder("media/0");
  tree_.File("media/0/Mavlet.Exe");
  WriteMounts("/dev/sr3 " + Escaped(d) + " iso9660 ro 0 0\n");
  EXPECT_EQ(discs.DataDiscRoots(), (std::vector<fs::path>{d}));
}

TEST_F(DataDiscsTest, AtMostTwentySixLetters) {
  std::string text;
  for (int i = 0; i < 30; ++i) text += "/dev/sr" + std::to_string(i) + " /m/" + std::string(1, char('A' + i)) + " iso9660 ro 0 0\n";
  WriteMounts(text);
  DataDiscs discs(mounts_, resolver_);
  EXPECT_EQ(discs.OpticalRoots().size(), 26u);
  EXPECT_TRUE(discs.DataDiscRoots().empty());
}

TEST_F(DataDiscsTest, MissingMountsTable) {
  DataDiscs discs(tree_.path() / "none", resolver_);
  EXPECT_TRUE(discs.OpticalRoots().empty());
}

TEST(PosixFileServices, CombinesTheParts) {
  TempFolder tree;
  const fs::path disc = tree.Folder("disc");
  tree.File("disc/mavlet.exe");
  tree.File("title/PMX/GLOBAL.PMX");
  std::ofstream(tree.path() / "mounts") << "/dev/sr0 " << disc.string() << " iso9660 ro 0 0\n";
  PosixFileServices files({tree.path() / "mounts", tree.path() / "tmp"});
  EXPECT_EQ(files.Resolve(tree.path() / "title", "Pmx\\Global.pmx"), tree.path() / "title/PMX/GLOBAL.PMX");
  EXPECT_EQ(files.DataDiscRoots(), std::vector<fs::path>{disc});
  EXPECT_EQ(files.OpticalRoots(), std::vector<fs::path>{disc});
  EXPECT_EQ(files.TempFolder(), tree.path() / "tmp");

  EXPECT_EQ(TempFolderFrom(nullptr), fs::path("/tmp"));
  EXPECT_EQ(TempFolderFrom(""), fs::path("/tmp"));
  EXPECT_EQ(TempFolderFrom("relative"), fs::path("/tmp"));
  EXPECT_EQ(TempFolderFrom("/var/tmp"), fs::path("/var/tmp"));
}

}  // namespace
}  // namespace mavlet
