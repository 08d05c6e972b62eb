#include "player/backend/posix/ini_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "player/common/error.h"
#include "player/common/log.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(NormalizeSettingsKey, Separators) {
  EXPECT_EQ(NormalizeSettingsKey("Software\\Maker\\Title"), "Software\\Maker\\Title");
  EXPECT_EQ(NormalizeSettingsKey("\\Software\\\\Maker\\"), "Software\\Maker");
  EXPECT_EQ(NormalizeSettingsKey("Software\\\x83\x5C\\x"), "Software\\\x83\x5C\\x");  // ソ stays whole
  EXPECT_EQ(NormalizeSettingsKey("Software\\\x83\x5C"), "Software\\\x83\x5C");
  EXPECT_EQ(NormalizeSettingsKey("\\\\"), "");
}

TEST(IniSettings, RoundTripAndFileLayout) {
  TempFolder tree;
  const fs::path file = tree.path() / "config" / "mavlet" / "registry.ini";
  IniSettings settings(file);
  EXPECT_FALSE(settings.ReadString("Software\\Maker\\Title", "SavePath"));

  settings.WriteString("Software\\Maker\\Title", "SavePath", "/home/u/saves");
  settings.WriteString("Software\\Other", "SavePath", "/x");
  settings.WriteString("SOFTWARE\\maker\\TITLE", "savepath", "/home/u/saves2");  // same key and value
  EXPECT_EQ(ReadAll(file),
            "[Software\\Maker\\Title]\nSavePath=/home/u/saves2\n\n[Software\\Other]\nSavePath=/x\n");

  IniSettings again(file);
  EXPECT_EQ(again.ReadString("software\\maker\\title\\", "SAVEPATH"), "/home/u/saves2");
  EXPECT_EQ(again.ReadString("Software\\Other", "SavePath"), "/x");
  EXPECT_FALSE(again.ReadString("Software\\Maker", "SavePath"));
  EXPECT_FALSE(again.ReadString("Software\\Other", "Missing"));
}

TEST(IniSettings, AwkwardBytesSurvive) {
  TempFolder tree;
  const fs::path file = tree.path() / "registry.ini";
  IniSettings settings(file);
  struct Case {
    std::string key, name, value;
  };
  const std::vector<Case> cases = {
      {"Software\\\x83\x5C\x83\x74\x83\x67\\Title]", "SavePath", "C:\\saves\\100%"},
      {"Software\\Lines", "[Odd=Name", "line1\r\nline2\ttab"},
      {"Software\\Empty", ";Name", ""},
      {"Software\\Bin", "#n", std::string("\0\x7F\xFF", 3)},
  };
  for (const auto& c : cases) settings.WriteString(c.key, c.name, c.value);
  IniSettings reread(file);
  for (const auto& c : cases) EXPECT_EQ(reread.ReadString(c.key, c.name), c.value) << c.name;
  // Every line is still a header or a name=value pair.
  std::istringstream lines(ReadAll(file));
  for (std::string line; std::getline(lines, line);) {
    EXPECT_TRUE(line.empty() || line[0] == '[' || line.find('=') != std::string::npos) << line;
  }
}

TEST(IniSettings, DeleteKeySubtree) {
  TempFolder tree;
  const fs::path file = tree.path() / "registry.ini";
  {
    std::ofstream out(file, std::ios::binary);
    out << "; kept comment\r\n"
           "[Software\\Maker\\Title]\r\nSavePath=/a\r\n"
           "[Software\\Maker\\Title\\Sub]\nX=1\n"
           "[software\\maker\\title\\sub\\deeper]\nY=2\n"
           "[Software\\Maker\\Title2]\nSavePath=/b\n"
           "[Software\\Maker]\nZ=3\n";
  }
  IniSettings settings(file);
  settings.DeleteKey("SOFTWARE\\Maker\\Title");
  EXPECT_FALSE(settings.ReadString("Software\\Maker\\Title", "SavePath"));
  EXPECT_FALSE(settings.ReadString("Software\\Maker\\Title\\Sub", "X"));
  EXPECT_FALSE(settings.ReadString("Software\\Maker\\Title\\Sub\\Deeper", "Y"));
  EXPECT_EQ(settings.ReadString("Software\\Maker\\Title2", "SavePath"), "/b");
  EXPECT_EQ(settings.ReadString("Software\\Maker", "Z"), "3");
  EXPECT_EQ(ReadAll(file).rfind("; kept comment\n", 0), 0u);

  // Deleting a missing key or the empty key changes nothing.
  const std::string before = ReadAll(file);
  settings.DeleteKey("Software\\Nothing");
  settings.DeleteKey("");
  settings.DeleteKey("\\");
  EXPECT_EQ(ReadAll(file), before);
}

TEST(IniSettings, DeleteKeyWithShiftJisTrailBackslash) {
  TempFolder tree;
  const fs::path file = tree.path() / "registry.ini";
  IniSettings settings(file);
  // "Software\X\x83" ends in a lone lead byte; "Software\X\x83\x5C" (ソ) is not below it.
  settings.WriteString("Software\\X\\\x83\x5C" "A", "V", "1");
  settings.DeleteKey("Software\\X\\\x83");
  EXPECT_EQ(settings.ReadString("Software\\X\\\x83\x5C" "A", "V"), "1");
}

TEST(IniSettings, AtomicWriteLeavesNoTemporaryFiles) {
  TempFolder tree;
  const fs::path folder = tree.Folder("cfg");
  IniSettings settings(folder / "registry.ini");
  for (int i = 0; i < 5; ++i) settings.WriteString("Software\\T", "N" + std::to_string(i), "v");
  int files = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    EXPECT_EQ(entry.path().filename(), "registry.ini");
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST(IniSettings, FailuresAreReported) {
  TempFolder tree;
  // The settings path is a folder: reads warn and miss, writes raise and keep the old content.
  const fs::path folder = tree.Folder("registry.ini");
  MemoryLog log;
  IniSettings settings(folder, &log);
  EXPECT_FALSE(settings.ReadString("Software\\T", "SavePath"));
  EXPECT_EQ(log.entries.size(), 1u);
  EXPECT_THROW(settings.WriteString("Software\\T", "SavePath", "/x"), MavError);
  EXPECT_TRUE(fs::is_directory(folder));

  IniSettings nowhere{fs::path()};
  EXPECT_FALSE(nowhere.ReadString("Software\\T", "SavePath"));
  EXPECT_THROW(nowhere.WriteString("Software\\T", "SavePath", "/x"), MavError);

  IniSettings ok(tree.path() / "ok.ini");
  EXPECT_THROW(ok.WriteString("", "SavePath", "/x"), MavError);
  try {
    IniSettings blocked(tree.File("file") / "sub" / "registry.ini");
    blocked.WriteString("Software\\T", "SavePath", "/x");
    FAIL();
  } catch (const MavError& e) {
    EXPECT_NE(std::string(e.what()).find("sub"), std::string::npos) << e.what();
  }
}

TEST(DefaultSettingsFile, FromEnvironmentValues) {
  EXPECT_EQ(DefaultSettingsFile("/x/cfg", "/home/u"), fs::path("/x/cfg/mavlet/registry.ini"));
  EXPECT_EQ(DefaultSettingsFile("relative", "/home/u"), fs::path("/home/u/.config/mavlet/registry.ini"));
  EXPECT_EQ(DefaultSettingsFile(nullptr, "/home/u"), fs::path("/home/u/.config/mavlet/registry.ini"));
  EXPECT_EQ(DefaultSettingsFile(nullptr, nullptr), fs::path());
  EXPECT_EQ(DefaultSettingsFile("", ""), fs::path());
}

}  // namespace
}  // namespace mavlet
