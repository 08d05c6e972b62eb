// A run handed the caller's files and glyphs (the browser's fetched title and its site's font
// table) uses them instead of the headless bundle's own, and calls back between events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/backend/posix/posix_file_services.h"
#include "tests/support/square_glyphs.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

class CountingFiles : public FileServices {
 public:
  std::optional<std::filesystem::path> Resolve(const std::filesystem::path& base, std::string_view path) override {
    asked.emplace_back(path);
    return files_.Resolve(base, path);
  }
  std::vector<std::filesystem::path> DataDiscRoots() override { return {}; }
  std::filesystem::path TempFolder() override { return files_.TempFolder(); }
  std::vector<std::string> asked;

 private:
  PosixFileServices files_;
};

class TwoFaces : public SquareGlyphs {
 public:
  std::vector<std::string> FaceNames() override { return {"\x82\x6c\x82\x72 \x96\xbe\x92\xa9", "Arial"}; }
};

TEST(RunnerServices, FilesGlyphsAndTheCallbackComeFromTheCaller) {
  TestTitle t;
  t.Nums({"A"});
  t.Write();
  t.Scenario(1, "Calc ,,A = 7\nWait ,,999999\n");
  CountingFiles files;
  TwoFaces glyphs;
  RunOptions options;
  options.events = 4;
  options.files = &files;
  options.glyphs = &glyphs;
  int between = 0;
  options.between_events = [&between] { ++between; };
  TitleRun r(t, options);
  r.Load();
  r.R().Run();
  EXPECT_EQ(r.Num("A"), 7);
  EXPECT_EQ(between, 4);
  ASSERT_FALSE(files.asked.empty());
  EXPECT_EQ(files.asked.front(), "Pmx\\Global.pmx");
  EXPECT_EQ(r.R().Sys().ScreenFonts(), glyphs.FaceNames());
}

}  // namespace
}  // namespace mavlet::testing
