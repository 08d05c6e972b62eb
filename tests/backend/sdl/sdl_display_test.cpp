#include "player/backend/sdl/sdl_display.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "player/backend/sdl/sdl_clock.h"
#include "tests/support/offscreen_window.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;

class SdlDisplayTest : public testing::OffscreenWindowTest {
 protected:
  static std::uint32_t At(const std::vector<std::uint32_t>& px, int w, int x, int y) {
    return px[static_cast<std::size_t>(y) * w + x];
  }
};

TEST_F(SdlDisplayTest, ShowsScreenAtEveryDepthScaledAndLetterboxed) {
  for (int bits : {16, 24, 32}) {
    SdlDisplay d(Options(2));
    d.SetSize(320, 240);
    ASSERT_TRUE(d.SetBitCount(bits));
    d.Initialize();
    Surface& s = d.ScreenSurface();
    s.Fill(s.DeviceColour(0x0000FF));                          // red
    s.FillRect(Rect{0, 0, 160, 240}, s.DeviceColour(0xFF0000));  // blue left half
    d.Flip();
    int w = 0, h = 0;
    std::vector<std::uint32_t> px = d.CaptureWindow(w, h);
    ASSERT_EQ(w, 640) << bits;
    ASSERT_EQ(h, 480) << bits;
    EXPECT_EQ(At(px, w, 10, 10), 0x0000FFu) << bits << " blue, as 0x00RRGGBB";
    EXPECT_EQ(At(px, w, 630, 470), 0xFF0000u) << bits << " red";

    // Wider window: bars left and right, picture 640 wide centred.
    SDL_SetWindowSize(d.Window(), 1000, 480);
    d.Redraw();
    px = d.CaptureWindow(w, h);
    ASSERT_EQ(w, 1000);
    EXPECT_EQ(At(px, w, 100, 240), 0u) << "left bar";
    EXPECT_EQ(At(px, w, 185, 240), 0x0000FFu);
    EXPECT_EQ(At(px, w, 815, 240), 0xFF0000u);
    EXPECT_EQ(At(px, w, 900, 240), 0u) << "right bar";
    EXPECT_EQ(d.WindowToGame(100, 240), (Point{-1, -1}));
    EXPECT_EQ(d.WindowToGame(180, 0), (Point{0, 0}));
    EXPECT_EQ(d.WindowToGame(819, 479), (Point{319, 239}));
  }
}

TEST_F(SdlDisplayTest, PartialPresentUpdatesOnlyItsRectangle) {
  SdlDisplay d(Options(1));
  d.SetSize(64, 48);
  d.Initialize();
  Surface back(d.Format(), 64, 48);
  back.Fill(back.DeviceColour(0x00FF00));
  d.Present(back, Rect{8, 8, 16, 16});
  int w = 0, h = 0;
  std::vector<std::uint32_t> px = d.CaptureWindow(w, h);
  ASSERT_EQ(w, 64);
  EXPECT_EQ(At(px, w, 10, 10), 0x00FF00u);
  EXPECT_EQ(At(px, w, 20, 10), 0u);
}

TEST_F(SdlDisplayTest, ReinitialisingKeepsWindowAndFullScreenKeepsPicture) {
  SdlDisplay d(Options(2));
  d.SetSize(320, 200);
  d.Initialize();
  int w0 = 0, h0 = 0;
  SDL_GetWindowSize(d.Window(), &w0, &h0);
  EXPECT_EQ(w0, 640);
  EXPECT_EQ(h0, 400);
  SDL_SetWindowSize(d.Window(), 700, 500);
  d.Finalize();
  d.Initialize();
  int w1 = 0, h1 = 0;
  SDL_GetWindowSize(d.Window(), &w1, &h1);
  EXPECT_EQ(w1, 700) << "the user's window size survives a re-initialisation";
  d.SetFullScreen(true);
  d.ScreenSurface().Fill(d.ScreenSurface().DeviceColour(0xFFFFFF));
  d.Flip();
  int w = 0, h = 0;
  std::vector<std::uint32_t> px = d.CaptureWindow(w, h);
  ASSERT_GT(w, 0);
  EXPECT_EQ(At(px, w, w / 2, h / 2), 0xFFFFFFu);
  d.SetFullScreen(false);
  EXPECT_FALSE(d.FullScreen());
}

TEST_F(SdlDisplayTest, CursorFilesAndCaption) {
  SdlDisplay d(Options(1));
  d.SetCaption("テスト");
  EXPECT_STREQ(SDL_GetWindowTitle(d.Window()), "テスト");
  const testing::TempFolder temp("cursor");
  const fs::path& dir = temp.path();
  SDL_Surface* pic = SDL_CreateRGBSurfaceWithFormat(0, 16, 16, 32, SDL_PIXELFORMAT_ARGB8888);
  ASSERT_NE(pic, nullptr);
  ASSERT_EQ(SDL_SaveBMP(pic, (dir / "arrow.bmp").c_str()), 0);
  SDL_FreeSurface(pic);
  std::ofstream(dir / "broken.cur") << "not a cursor";
  EXPECT_TRUE(d.SetCursorFile(dir / "arrow.bmp"));
  EXPECT_FALSE(d.SetCursorFile(dir / "broken.cur"));
  EXPECT_FALSE(d.SetCursorFile(dir / "missing.cur"));
  EXPECT_TRUE(d.SetCursorFile(std::nullopt));
}

TEST_F(SdlDisplayTest, ClockWaitReturnsAfterTimeoutWithoutEvents) {
  SdlDisplay d(Options(1));
  SdlClock clock;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
  }
  const std::uint32_t start = clock.NowMs();
  const bool got = clock.WaitEvent(e, 50);
  const std::uint32_t waited = clock.NowMs() - start;
  if (!got) {
    EXPECT_GE(waited, 45u);
  }
  EXPECT_LT(waited, 1000u);
}

}  // namespace
}  // namespace mavlet
