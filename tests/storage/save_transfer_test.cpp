// The save folder as one zip and back: the slots travel whole, only slots travel, and a zip
// that fails any check leaves the folder exactly as it was.
#include "player/storage/save_transfer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "player/common/error.h"
#include "player/storage/zip_archive.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::map<std::string, std::string> Contents(const fs::path& folder) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::directory_iterator(folder))
    out[e.path().filename().string()] = e.is_regular_file() ? testing::ReadText(e.path()) : "<folder>";
  return out;
}

TEST(SaveTransfer, SlotNames) {
  for (const char* name : {"save00", "save01", "save99", "save100", "save-01"})
    EXPECT_TRUE(IsSlotFileName(name)) << name;
  for (const char* name : {"save", "save1", "Save01", "save01.bak", "save-1", "saveab", ".mavlet-import.save01", "x"})
    EXPECT_FALSE(IsSlotFileName(name)) << name;
}

TEST(SaveTransfer, ExportImportRoundTripReplacesTheSlots) {
  testing::TempFolder temp("saves");
  testing::WriteFile(temp / "desk" / "save01", "[Header]\r\nTitle=\x82\xA0\r\n");
  testing::WriteFile(temp / "desk" / "save02", std::string(10000, 's'));
  testing::WriteFile(temp / "desk" / "notes.txt", "not a slot");
  fs::create_directories(temp / "desk" / "save03");  // a folder, not a slot
  const std::string zip = ExportSaves(temp / "desk");
  const std::vector<ZipEntry> entries = ReadZip(zip, "x.zip");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "save01");
  EXPECT_EQ(entries[1].name, "save02");

  testing::WriteFile(temp / "web" / "save02", "older");
  testing::WriteFile(temp / "web" / "save07", "a slot the zip does not hold");
  testing::WriteFile(temp / "web" / "readme", "kept");
  ImportSaves(zip, temp / "web", "x.zip");
  const std::map<std::string, std::string> want = {
      {"save01", "[Header]\r\nTitle=\x82\xA0\r\n"}, {"save02", std::string(10000, 's')}, {"readme", "kept"}};
  EXPECT_EQ(Contents(temp / "web"), want);

  ImportSaves(zip, temp / "new" / "folder", "x.zip");
  EXPECT_EQ(Contents(temp / "new" / "folder").size(), 2u);
  fs::create_directories(temp / "empty");
  EXPECT_TRUE(ReadZip(ExportSaves(temp / "empty"), "y").empty());
  EXPECT_THROW(ExportSaves(temp / "missing"), MavError);
}

TEST(SaveTransfer, BadImportLeavesTheFolderUntouched) {
  testing::TempFolder temp("saves");
  testing::WriteFile(temp / "slots" / "save01", "mine");
  testing::WriteFile(temp / "slots" / "save02", "mine too");
  testing::WriteFile(temp / "plain", "a file");
  const std::string good = WriteZip({{"save01", "theirs"}, {"save05", "new"}});
  std::string bad_crc = good;
  bad_crc[30 + 6 + 2] ^= 0x20;  // inside the first entry's packed data
  struct Case {
    std::string label;
    std::string zip;
    fs::path folder;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"not a zip", "PK not really", temp / "slots", "in.zip: not a zip file"},
      {"damaged second entry", good.substr(0, good.size() - 40), temp / "slots", "in.zip: "},
      {"bad data", bad_crc, temp / "slots", "in.zip: save01: "},
      {"not a slot", WriteZip({{"save01", "ok"}, {"evil.sh", "x"}}), temp / "slots",
       "in.zip: evil.sh: not a save slot"},
      {"in a folder", WriteZip({{"saves/save01", "x"}}), temp / "slots", "saves/save01: not a save slot"},
      {"over a file", good, temp / "plain", "plain: is a file"},
  };
  for (const Case& c : cases) {
    try {
      ImportSaves(c.zip, c.folder, "in.zip");
      ADD_FAILURE() << c.label << ": no error";
    } catch (const MavError& e) {
      EXPECT_THAT(e.what(), HasSubstr(c.error)) << c.label;
    }
    const std::map<std::string, std::string> want = {{"save01", "mine"}, {"save02", "mine too"}};
    EXPECT_EQ(Contents(temp / "slots"), want) << c.label;
  }
  EXPECT_EQ(testing::ReadText(temp / "plain"), "a file");
}

}  // namespace
}  // namespace mavlet
