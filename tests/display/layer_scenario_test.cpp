#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "player/backend/display.h"
#include "player/display/game_surface.h"
#include "player/shell/game_system.h"
#include "tests/support/layer_services.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

// A title whose pictures are written into its PMP folder, run on the headless runner at a depth.
class LayerScenarioTest : public ::testing::TestWithParam<int> {
 protected:
  void Picture(const std::string& name, const std::vector<std::uint8_t>& payload) {
    std::filesystem::create_directories(title_.Folder() / "PMP");
    PackToFile(title_.Folder() / "PMP" / name, payload);
  }
  std::unique_ptr<TitleRun> Run(std::string_view scenario, int events) {
    title_.Nums({"F", "W", "X"});
    title_.Scenario(1, scenario);
    RunOptions o;
    o.bits = GetParam();
    auto run = RunTitle(title_, events, o);
    EXPECT_EQ(run->Errors(), "");
    return run;
  }
  // A title of its own with a 2x2 red "p.pmp", the main page 1 and page 2 for another stream.
  static void RedDotTitle(TestTitle& title, std::string_view main, std::string_view other) {
    title.Nums({"A"});
    std::filesystem::create_directories(title.Folder() / "PMP");
    PackToFile(title.Folder() / "PMP" / "p.pmp", Bmp24(Solid(2, 2, kRed)));
    title.Scenario(1, main);
    title.Scenario(2, other);
  }
  RunOptions AtDepth() const {
    RunOptions o;
    o.bits = GetParam();
    return o;
  }
  static std::int32_t Pixel(TitleRun& r, int x, int y) {
    return TestLayerServices::Rgb(r.R().Screen().ScreenSurface(), x, y);
  }
  static std::int32_t Shown(TitleRun& r, int x, int y) {
    return TestLayerServices::Rgb(r.R().Screen().VisibleSurface(), x, y);
  }

  TestTitle title_;
};

TEST_P(LayerScenarioTest, AClosedWindowEndsARunningTransitionAtOnce) {
  Picture("p.pmp", Bmp24(Solid(2, 2, kRed)));
  // A whole-screen fade takes many steps; once the window is closed it stops after its first.
  auto presents = [&](bool closed) {
    TestTitle title;
    std::filesystem::create_directories(title.Folder() / "PMP");
    std::filesystem::copy_file(title_.Folder() / "PMP" / "p.pmp", title.Folder() / "PMP" / "p.pmp");
    title.Scenario(1, "FillSfc ,,0,0,0,640,480,16777215,255,2\n");
    RunOptions o;
    o.bits = GetParam();
    TitleRun r(title, o);
    r.Load();
    r.Events(1);
    if (closed) r.R().Screen().RequestClose();
    const auto before = r.R().Screen().PresentCount();
    r.Events(1);
    return r.R().Screen().PresentCount() - before;
  };
  const auto open = presents(false);
  const auto closed = presents(true);
  EXPECT_GE(open, 5u);
  EXPECT_LE(closed, 3u) << open;
}

TEST_P(LayerScenarioTest, AClosedWindowEndsAWaitInTheAlwaysStream) {
  // The always stream waits for a click inside the main stream's wait; once the window is
  // closed, the run ends within the event instead of waiting out its bound.
  auto spent = [&](bool closed) {
    TestTitle title;
    title.Scenario(1, "IntCall ,,1,2\nWaitClick\n");
    title.Scenario(2, "WaitClick\n");
    RunOptions o;
    o.bits = GetParam();
    o.max_run_commands = 2000;
    TitleRun r(title, o);
    r.Load();
    r.Events(2);
    if (closed) r.R().Screen().RequestClose();
    const auto before = r.R().VirtualClock().NowMs();
    r.Events(1);
    return r.R().VirtualClock().NowMs() - before;
  };
  EXPECT_GE(spent(false), 1000u);
  EXPECT_LE(spent(true), 100u);
}

// Closes the window at its nth present.
class CloseAtPresent : public PresentObserver {
 public:
  CloseAtPresent(Display& display, int n) : display_(display), left_(n) {}
  void OnPresent(const Surface&, const Rect&, int) override {
    if (--left_ == 0) display_.RequestClose();
  }

 private:
  Display& display_;
  int left_;
};

TEST_P(LayerScenarioTest, AWindowClosedDuringATransitionEndsTheStepThere) {
  // The window closes at the fade's third present: the transition stops, and no later command
  // runs, neither in its stream nor in the main stream waiting below it.
  const struct {
    const char* what;
    const char* main;
    const char* always;
  } cases[] = {
      {"a fill's fade", "FillSfc ,,0,0,0,640,480,16777215,255,2\nCalc ,,A = 1\n", ""},
      {"a non-stop picture's fade", "NonStop=1\nSetSfc ,,0,p.pmp,0,0,0,255,2\nCalc ,,A = 1\n", ""},
      {"a fade in the always stream", "IntCall ,,1,2\nWait ,,60\nCalc ,,A = 1\n",
       "FillSfc ,,0,0,0,640,480,16777215,255,2\nCalc ,,A = 2\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestTitle title;
    RedDotTitle(title, c.main, c.always);
    TitleRun r(title, AtDepth());
    r.Load();
    r.Events(1);
    CloseAtPresent close(r.R().Screen(), 3);
    r.R().Screen().SetPresentObserver(&close);
    r.Events(10);
    r.R().Screen().SetPresentObserver(nullptr);
    EXPECT_EQ(r.Num("A"), 0);
    EXPECT_TRUE(r.R().Session().QuitRequested());
    EXPECT_EQ(r.Errors(), "");
  }
}

// The window's colour at two points at every present: inside a small picture and beside it.
class ColoursAtPresents : public PresentObserver {
 public:
  void OnPresent(const Surface& visible, const Rect&, int) override {
    at_picture.push_back(TestLayerServices::Rgb(visible, 0, 0));
    beside.push_back(TestLayerServices::Rgb(visible, 320, 400) & 0xFF);
  }
  std::vector<std::int32_t> at_picture;
  std::vector<std::int32_t> beside;
};

TEST_P(LayerScenarioTest, AChangeDuringATransitionShowsOnlyThroughIt) {
  // The always stream changes a small area while the main stream fades the screen from black to
  // white: the fade rises step by step, the change never jumps ahead of it, and the final
  // present shows both.
  const struct {
    const char* what;
    const char* always;
  } cases[] = {
      {"a picture shown at once", "SetSfc ,,1,p.pmp,0,0,0,255,1\n"},
      {"a picture with its own transition", "SetSfc ,,1,p.pmp,0,0,0,255,2\n"},
      {"a fill shown at once", "FillSfc ,,1,0,0,2,2,255,255,1\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestTitle title;
    RedDotTitle(title, "IntCall ,,1,2\nFillSfc ,,0,0,0,640,480,16777215,255,2\nWait ,,99999\n", c.always);
    TitleRun r(title, AtDepth());
    r.Load();
    ColoursAtPresents seen;
    r.R().Screen().SetPresentObserver(&seen);
    r.Events(2);
    r.R().Screen().SetPresentObserver(nullptr);
    EXPECT_EQ(r.Errors(), "");
    const auto end = std::find(seen.beside.begin(), seen.beside.end(), 255);
    ASSERT_NE(end, seen.beside.end()) << "the fade ended";
    const std::size_t final_present = static_cast<std::size_t>(end - seen.beside.begin());
    EXPECT_GE(final_present, 15u) << "the fade's steps came first";
    for (std::size_t i = 1; i <= final_present; ++i) {
      EXPECT_GE(seen.beside[i], seen.beside[i - 1]) << "present " << i;
      if (i < final_present) {
        EXPECT_NE(seen.at_picture[i], kRed) << "present " << i;
      }
    }
    EXPECT_EQ(seen.at_picture[final_present], kRed);
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, LayerScenarioTest, ::testing::Values(16, 24, 32));

TEST_P(LayerScenarioTest, PicturesFillsAndAttachmentsReachTheScreen) {
  Picture("bg.pmp", Bmp24(Solid(16, 16, kBlue)));
  Picture("Spr.pmp", Bmp24({{kRed, kRed, kRed}, {kRed, kRed, kRed}, {kGreen, kRed, kRed}}));
  Picture("dot.pmp", Bmp24(Solid(1, 1, kRed)));
  auto r = Run(
      "SetSfc ,,0,bg.pmp,,,0,255,1\n"
      "SetSfc ,,1,spr.PMP,4,4,1,255,0\n"  // kind 0: shown by the frame's own Compose
      "FillSfc ,,2,10,0,4,2,$FFFFFF,255,1\n"
      "OverSfc ,,0,dot.pmp,0,2,3,0,255,1\n"
      "SetSfc ,,40,bg.pmp,0,0,0,255,1\n",  // no such layer: nothing happens
      30);
  ASSERT_EQ(r->R().Screen().BitCount(), GetParam());
  struct Expect {
    int x, y;
    std::int32_t rgb;
  } expected[] = {
      {0, 0, kBlue},  {2, 3, kRed},         {4, 4, kRed},   {4, 6, kBlue} /* key: bottom-left */,
      {6, 6, kRed},   {10, 0, kWhiteRgb},   {13, 1, kWhiteRgb}, {14, 0, kBlue}, {10, 2, kBlue},
      {16, 0, kBlack}, {100, 100, kBlack},
  };
  for (const Expect& e : expected) {
    EXPECT_EQ(Pixel(*r, e.x, e.y), e.rgb) << e.x << "," << e.y;
    EXPECT_EQ(Shown(*r, e.x, e.y), e.rgb) << e.x << "," << e.y;
  }
  // The screen can be saved as a picture.
  const std::filesystem::path shot = title_.Folder() / "shot.png";
  r->R().SaveScreenshot(shot);
  std::ifstream in(shot, std::ios::binary);
  char signature[4] = {};
  in.read(signature, 4);
  EXPECT_EQ(std::string(signature + 1, 3), "PNG");
}

TEST_P(LayerScenarioTest, FramesVisibilityAndValues) {
  Picture("anim", Frames({{false, Solid(2, 2, kRed)}, {false, Solid(2, 2, kGreen)}, {false, Solid(2, 2, kBlue)}}));
  auto r = Run(
      "SetSfc ,,3,anim,0,0,0,255,1\n"
      "IncFrame ,,3\n"
      "IncFrame ,,3\n"
      "Calc ,,F = @SfcIdx3\n"
      "Calc ,,W = @SfcWidth3\n"
      "Calc ,,@SfcX3 = 8\n"
      "Calc ,,X = @SfcX3\n"
      "HideSfc 2,,3\n"
      "ShowSfc 2,,3\n"
      "IncFrame ,,3\n"
      "IncFrame ,,3\n",
      30);
  EXPECT_EQ(r->Num("F"), 2);
  EXPECT_EQ(r->Num("W"), 2);
  EXPECT_EQ(r->Num("X"), 8);
  EXPECT_EQ(r->R().Sys().Screen().PictureLayer(3)->GetFrameIndex(), 1) << "three frames cycle 0, 1, 2, 0, 1";
  EXPECT_EQ(Pixel(*r, 0, 0), kBlack) << "the old place is cleared";
  EXPECT_EQ(Pixel(*r, 8, 0), kGreen);
}

TEST_P(LayerScenarioTest, ARunOfNonStopHidesIsPresentedOnce) {
  Picture("p.pmp", Bmp24(Solid(2, 2, kRed)));
  // Presentations of a short run for the hides run together or split by comments; everything
  // runs in one logic step, so only the hides present.
  auto presents = [&](const char* between) {
    TestTitle title;
    std::filesystem::create_directories(title.Folder() / "PMP");
    std::filesystem::copy_file(title_.Folder() / "PMP" / "p.pmp", title.Folder() / "PMP" / "p.pmp");
    title.Scenario(1, std::string("NonStop=1\n"
                                  "SetSfc ,,1,p.pmp,0,0,0,255,0\n"
                                  "SetSfc ,,2,p.pmp,4,0,0,255,0\n"
                                  "SetSfc ,,3,p.pmp,8,0,0,255,0\n"
                                  "HideSfc ,,1\n") +
                          between + "HideSfc ,,2\n" + between + "HideSfc ,,3\n");
    RunOptions o;
    o.bits = GetParam();
    TitleRun r(title, o);
    r.Load();
    const auto before = r.R().Screen().PresentCount();
    r.Events(3);
    EXPECT_FALSE(r.R().Sys().Values().LayerVisible(3));
    EXPECT_EQ(Pixel(r, 8, 0), kBlack);
    return r.R().Screen().PresentCount() - before;
  };
  const auto together = presents("");
  const auto split = presents("Comment\n");
  // Split, each hide presents (three times); together, once at most (an unchanged picture may
  // not be shown again at all).
  EXPECT_GE(split, together + 2) << together << " " << split;
}

TEST_P(LayerScenarioTest, BrightnessAndEffects) {
  Picture("p.pmp", Bmp24(Solid(4, 4, kRed)));
  auto r = Run(
      "SetSfc ,,1,p.pmp,0,0,0,255,1\n"
      "Bright ,,1,255\n"
      "SetSfc ,,2,p.pmp,20,0,0,255,1\n"
      "Effect ,,2,1\n",
      30);
  EXPECT_EQ(Pixel(*r, 1, 1), kWhiteRgb);
  TGameSurface& waving = *r->R().Sys().Screen().PictureLayer(2);
  EXPECT_EQ(waving.GetEffect(), 1);
  EXPECT_GT(waving.WavePhase(), 0) << "every frame redraws the waving layer";
  EXPECT_EQ(Pixel(*r, 21, 1), kRed);
}

TEST_P(LayerScenarioTest, DepthAndFullScreenRebuildTheLayers) {
  Picture("p.pmp", Bmp24(Solid(4, 4, kGreen)));
  auto r = Run(
      "SetSfc ,,1,p.pmp,0,0,0,255,1\n"
      "SetFullScr ,,ON\n"
      "SetBit ,,16\n",
      30);
  Display& d = r->R().Screen();
  EXPECT_TRUE(d.FullScreen());
  EXPECT_EQ(d.BitCount(), 16);
  EXPECT_EQ(d.ScreenSurface().bits_per_pixel(), 16);
  EXPECT_EQ(r->R().Sys().Values().NowBit(), 16);
  EXPECT_EQ(r->R().Sys().Screen().PictureLayer(1)->Frame(0)->bits_per_pixel(), 16);
  EXPECT_EQ(Pixel(*r, 1, 1), kGreen);
  EXPECT_EQ(r->R().Sys().Screen().BitDepths(), (std::vector<std::int32_t>{16, 24, 32}));
}

TEST_P(LayerScenarioTest, DepthSetInAWindowWaitsForFullScreen) {
  // In a window the screen keeps its depth and so do new pictures, so drawing goes on; the
  // depth applies at the next full-screen switch. 8 bits is taken and keeps the window.
  Picture("p.pmp", Bmp24(Solid(4, 4, kGreen)));
  Picture("q.pmp", Bmp24(Solid(4, 4, kRed)));
  const int other = GetParam() == 16 ? 24 : 16;
  auto r = Run("SetBit ,," + std::to_string(other) + "\n"
               "SetSfc ,,1,p.pmp,0,0,0,255,1\n"
               "SetBit ,,8\n"
               "SetFullScr ,,ON\n"
               "SetSfc ,,2,q.pmp,8,0,0,255,1\n"
               "Calc ,,X = @FullScr\n"
               "SetBit ,," + std::to_string(other) + "\n"
               "SetFullScr ,,ON\n"
               "SetSfc ,,3,q.pmp,16,0,0,255,1\n",
               30);
  Display& d = r->R().Screen();
  EXPECT_EQ(r->Num("X"), 0) << "refused at 8 bits";
  EXPECT_TRUE(d.FullScreen());
  EXPECT_EQ(d.ScreenSurface().bits_per_pixel(), other);
  EXPECT_EQ(r->R().Sys().Screen().PictureLayer(2)->Frame(0)->bits_per_pixel(), other);
  EXPECT_EQ(Pixel(*r, 1, 1), kGreen);
  EXPECT_EQ(Pixel(*r, 9, 1), kRed);
  EXPECT_EQ(Pixel(*r, 17, 1), kRed);
}

TEST_P(LayerScenarioTest, ResetShowsTheEmptyScreen) {
  Picture("bg.pmp", Bmp24(Solid(8, 8, kBlue)));
  title_.Scenario(2, "Wait ,,99999\n");
  auto r = Run("SetSfc ,,0,bg.pmp,0,0,0,255,1\nWait ,,100\nReset ,,2\n", 12);
  EXPECT_EQ(Pixel(*r, 1, 1), kBlack);
  EXPECT_EQ(Shown(*r, 1, 1), kBlack) << "the old scene is gone from the window";
}

}  // namespace
}  // namespace mavlet::testing
