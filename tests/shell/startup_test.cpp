#include "player/shell/startup.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/support/fake_files.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;

using testing::FakeFiles;  // names added by hand, matched ignoring case

TEST(StartupTest, ParseCommandLine) {
  struct Case {
    std::vector<std::string> args;
    std::optional<std::string> folder;
    bool debug, help, version, error;
  };
  const Case cases[] = {
      {{}, std::nullopt, false, false, false, false},
      {{"/titles/a"}, "/titles/a", false, false, false, false},
      {{"/titles/a", "-DEBUGMODE"}, "/titles/a", true, false, false, false},
      {{"/titles/a", "-debugmode", "x"}, "/titles/a", false, false, false, false},  // exactly two
      {{"/titles/a", "-debug"}, "/titles/a", false, false, false, false},
      {{"--help"}, std::nullopt, false, true, false, false},
      {{"-h"}, std::nullopt, false, true, false, false},
      {{"--version"}, std::nullopt, false, false, true, false},
      {{"--fullscreen"}, std::nullopt, false, false, false, true},
  };
  for (const Case& c : cases) {
    CommandLine cmd = ParseCommandLine(c.args);
    std::string label = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(cmd.project_folder ? std::optional<std::string>(cmd.project_folder->string()) : std::nullopt, c.folder)
        << label;
    EXPECT_EQ(cmd.debug_mode, c.debug) << label;
    EXPECT_EQ(cmd.show_help, c.help) << label;
    EXPECT_EQ(cmd.show_version, c.version) << label;
    EXPECT_EQ(!cmd.error.empty(), c.error) << label;
  }
  EXPECT_NE(UsageText().find("-debugmode"), std::string::npos);
}

TEST(StartupTest, ProjectFolderChoice) {
  const fs::path player = "/opt/mavlet";
  {
    FakeFiles files;
    files.optical = {"/media/cdrom0", "/media/cdrom1"};
    files.Add("/media/cdrom1", "pmx\\global.pmx");
    EXPECT_EQ(ChooseProjectFolder(ParseCommandLine({"/t"}), player, files), fs::path("/t")) << "argument wins";
    EXPECT_EQ(ChooseProjectFolder(ParseCommandLine({}), player, files), fs::path("/media/cdrom1"))
        << "the first disc holding a title";
    files.Add("/media/cdrom0", "Pmx\\Global.pmx");
    EXPECT_EQ(ChooseProjectFolder(ParseCommandLine({}), player, files), fs::path("/media/cdrom0"))
        << "drive order";
    files.Add(player, "PMX\\GLOBAL.PMX");
    EXPECT_EQ(ChooseProjectFolder(ParseCommandLine({}), player, files), player) << "own folder first";
  }
  FakeFiles empty;
  empty.optical = {"/media/cdrom0"};
  EXPECT_EQ(ChooseProjectFolder(ParseCommandLine({}), player, empty), player) << "fallback to own folder";
}

TEST(StartupTest, DebugWindowNeedsKorbelBesidePlayer) {
  const fs::path player = "/opt/mavlet";
  FakeFiles files;
  CommandLine debug = ParseCommandLine({"/t", "-DebugMode"});
  EXPECT_FALSE(DebugWindowAllowed(debug, player, files));
  files.Add(player, "korbel.exe");
  EXPECT_TRUE(DebugWindowAllowed(debug, player, files));
  EXPECT_FALSE(DebugWindowAllowed(ParseCommandLine({"/t"}), player, files));
}

}  // namespace
}  // namespace mavlet
