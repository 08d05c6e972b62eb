// Runs "mavtool saves" as a user would: a save folder goes out as one zip and comes back, and
// a failed import or a wrong command line changes nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/file_builders.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

using ::testing::HasSubstr;
using testing::ReadText;
using testing::WriteFile;

TEST(SavesVerb, ExportThenImportAndFailures) {
  testing::TempFolder temp("mavtool-saves");
  const auto P = [&](const char* name) { return (temp / name).string(); };
  auto run = [&](const std::vector<std::string>& args) { return testing::RunProgram(MAVTOOL, args, temp.path()); };
  WriteFile(temp / "desk" / "save01", "slot one");
  WriteFile(temp / "desk" / "save12", std::string(3000, 'x'));
  ASSERT_EQ(run({"saves", "export", P("desk"), P("out.zip")}).code, 0);
  WriteFile(temp / "web" / "save02", "older slot");
  const testing::ProgramResult in = run({"saves", "import", P("out.zip"), P("web")});
  ASSERT_EQ(in.code, 0) << in.err;
  EXPECT_EQ(ReadText(temp / "web" / "save01"), "slot one");
  EXPECT_EQ(ReadText(temp / "web" / "save12"), std::string(3000, 'x'));
  EXPECT_FALSE(std::filesystem::exists(temp / "web" / "save02"));

  WriteFile(temp / "junk.zip", "PK\x03\x04 and nothing more");
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  const std::vector<Case> cases = {
      {{"saves", "import", P("junk.zip"), P("web")}, "junk.zip: not a zip file"},
      {{"saves", "import", P("none.zip"), P("web")}, "none.zip"},
      {{"saves", "export", P("nowhere"), P("x.zip")}, "nowhere: no such save folder"},
      {{"saves", "export", P("desk")}, "usage: mavtool saves"},
      {{"saves", "copy", P("desk"), P("web")}, "usage: mavtool saves"},
  };
  for (const Case& c : cases) {
    const testing::ProgramResult r = run(c.args);
    EXPECT_EQ(r.code, 1) << c.error;
    EXPECT_THAT(r.err, HasSubstr(c.error));
  }
  EXPECT_EQ(ReadText(temp / "web" / "save01"), "slot one");
  EXPECT_FALSE(std::filesystem::exists(temp / "x.zip"));
}

}  // namespace
}  // namespace mavlet
