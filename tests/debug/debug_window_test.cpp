// The debug window on SDL's offscreen driver: its title and place, which events it takes, and
// closing it hides it while the player goes on.
#include "player/main/debug_window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "player/backend/sdl/sdl_display.h"
#include "player/backend/sdl/sdl_input.h"
#include "player/common/log.h"
#include "player/debug/debug_core.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

class DebugWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ::setenv("SDL_RENDER_DRIVER", "software", 1);
    ::setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
  }
  DebugWindowTest() {
    title_.Scenario(1, "Calc ,,A = 1\nWait ,,99999\n");
    title_.Nums({"A"});
    run_.Load();
    run_.Events(3);
    SdlWindowOptions o;
    o.window_scale = 1;
    o.vsync = false;
    o.hidden = true;
    play_ = std::make_unique<SdlDisplay>(o);
    input_ = std::make_unique<SdlInputState>(*play_);
    core_ = std::make_unique<DebugCore>(run_.Book());
    window_ = std::make_unique<DebugWindow>(*core_, run_.Book(), run_.R().Sys(), play_->Window(), *input_, "", log_);
  }

  TestTitle title_;
  TitleRun run_{title_};
  std::ostringstream log_text_;
  StreamLog log_{log_text_, LogLevel::kWarning};
  std::unique_ptr<SdlDisplay> play_;
  std::unique_ptr<SdlInputState> input_;
  std::unique_ptr<DebugCore> core_;
  std::unique_ptr<DebugWindow> window_;
};

SDL_Window* DebugSdlWindow(SDL_Window* play) {
  for (Uint32 id = 1; id < 16; ++id) {
    SDL_Window* w = SDL_GetWindowFromID(id);
    if (w != nullptr && w != play) return w;
  }
  return nullptr;
}

TEST_F(DebugWindowTest, OpensBesideThePlayWindowAndTakesOnlyItsOwnEvents) {
  SDL_Window* debug = DebugSdlWindow(play_->Window());
  ASSERT_NE(debug, nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(debug), "デバッグ");
  int px = 0, py = 0, pw = 0, ph = 0, dx = 0, dy = 0;
  SDL_GetWindowPosition(play_->Window(), &px, &py);
  SDL_GetWindowSize(play_->Window(), &pw, &ph);
  SDL_GetWindowPosition(debug, &dx, &dy);
  EXPECT_GE(dx, px + pw) << "beside, not over the play window";
  EXPECT_TRUE(window_->Shown());
  window_->Frame();  // draws the log page without any input

  const Uint32 own = SDL_GetWindowID(debug);
  const Uint32 play = play_->WindowId();
  struct Case {
    const char* name;
    SDL_Event event;
    bool taken;
  };
  auto button = [](Uint32 window) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = window;
    e.button.button = SDL_BUTTON_LEFT;
    return e;
  };
  auto key = [](Uint32 window) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = window;
    e.key.keysym.scancode = SDL_SCANCODE_RETURN;
    return e;
  };
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  const Case cases[] = {
      {"its click", button(own), true}, {"its key", key(own), true}, {"play click", button(play), false},
      {"play key", key(play), false},   {"quit", quit, false},
  };
  for (const Case& c : cases) EXPECT_EQ(window_->HandleEvent(c.event), c.taken) << c.name;
  window_->Frame();
}

TEST_F(DebugWindowTest, ClosingHidesItAndThePlayerGoesOn) {
  SDL_Window* debug = DebugSdlWindow(play_->Window());
  ASSERT_NE(debug, nullptr);
  SDL_Event close{};
  close.type = SDL_WINDOWEVENT;
  close.window.windowID = SDL_GetWindowID(debug);
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  EXPECT_TRUE(window_->HandleEvent(close)) << "not left to the player, which would quit";
  EXPECT_FALSE(window_->Shown());
  window_->Frame();  // nothing to draw while hidden
  window_->Show();
  EXPECT_TRUE(window_->Shown());
}

}  // namespace
}  // namespace mavlet::testing
