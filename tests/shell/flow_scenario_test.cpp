// Flow commands and the book manager where they need a whole title run: the save folder asked
// for at start (settings key, folder prompt, ClrReg) and the screen's fonts of the game system.
#include <gtest/gtest.h>

#include "player/backend/headless/headless_input.h"
#include "player/common/error.h"
#include "player/engine/book_manager.h"
#include "player/shell/game_system.h"
#include "player/storage/game_status.h"
#include "tests/shell/quiet_game_parts.h"
#include "tests/support/square_glyphs.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

TEST(FlowCommands, SaveAndLoadKeepValuesInSlot99) {
  TestTitle t;
  t.Registry("Software\\Mavlet\\Test");
  t.Nums({"Idx", "Flag", "N"});
  t.Strs({"S", "S2"});
  t.Scenario(1,
             "NonStop=1\n"
             "Calc ,,Idx = 2\nCalc ,,Flag = 77\nCalc ,,N = 41\n"
             "Save ,,Flag+Idx,N\n"     // key Flag2: the first piece is never evaluated
             "Load ,,Flag+Idx,S\n"
             "Load ,,Absent,S2,dflt\n"
             "Save ,,,N\n"             // empty key: nothing
             "Save ,,K,Missing\n");    // missing variable: nothing
  const auto save_dir = t.Folder() / "saves";
  RunOptions o;
  o.save_dir = save_dir;
  TitleRun r(t, o);
  r.Load();
  r.Events(2);
  EXPECT_EQ(r.Str("S"), "41");
  EXPECT_EQ(r.Str("S2"), "dflt");
  TGameStatus store(save_dir, 99);
  EXPECT_EQ(store.Lines(), (std::vector<std::string>{"Flag2=41"}));
  EXPECT_EQ(r.R().Messages().FolderPrompts(), 1);
}

TEST(FlowCommands, ClrRegForgetsTheSaveFolder) {
  TestTitle t;
  t.Registry("Software\\Mavlet\\Test");
  t.Scenario(1, "ClrReg\n");
  RunOptions o;
  o.save_dir = t.Folder() / "saves";
  TitleRun r(t, o);
  r.Load();
  EXPECT_EQ(r.Book().GetSavePath(), t.Folder() / "saves");
  r.Events(2);
  EXPECT_EQ(r.Book().GetSavePath(), std::filesystem::path());
}

TEST(FlowCommands, BadRegistryKeyAndCancelledFolderPrompt) {
  TestTitle t;
  t.Registry("Hardware\\X");
  TitleRun r(t);
  EXPECT_THROW(r.R().Load(t.Folder()), MavError);

  TestTitle t2;
  t2.Registry("Software\\X");
  TitleRun r2(t2);  // no folder answer: the prompt is cancelled
  EXPECT_FALSE(r2.R().Load(t2.Folder()));
  EXPECT_TRUE(r2.Book().Terminating());
}

// The screen's fonts come from its glyph source.
class ThreeFaces : public SquareGlyphs {
 public:
  std::vector<std::string> FaceNames() override { return {Sjis("ＭＳ 明朝"), "Arial", Sjis("@ＭＳ 明朝")}; }
};

TEST(BookManager, SetFontNameTakesOnlyUsableScreenFonts) {
  TestTitle t;
  TitleRun r(t);
  r.Load();
  HeadlessInput in;
  ThreeFaces faces;
  QuietGameParts parts;
  TGameSystem sys(in, faces, parts.Sound());
  TBookManager& book = r.Book();
  EXPECT_EQ(book.font_name, TBookManager::kDefaultFontName);
  EXPECT_FALSE(book.SetFontName("Arial", sys));              // no double-byte character
  EXPECT_FALSE(book.SetFontName(Sjis("@ＭＳ 明朝"), sys));   // vertical font
  EXPECT_FALSE(book.SetFontName(Sjis("ＭＳ ゴシック"), sys));  // not on this screen
  EXPECT_EQ(book.font_name, TBookManager::kDefaultFontName);
  EXPECT_TRUE(book.SetFontName(Sjis("ＭＳ 明朝"), sys));
  EXPECT_EQ(book.font_name, Sjis("ＭＳ 明朝"));
}

}  // namespace
}  // namespace mavlet::testing
