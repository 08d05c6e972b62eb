#pragma once
// Tests of SDL windows on SDL's offscreen video driver with the software renderer: no display
// needed, pixels read back exactly. A fixture base sets the drivers once per suite and gives
// hidden windows without vsync. Only tests that link the SDL back end include it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "player/backend/sdl/sdl_display.h"

namespace mavlet::testing {

class OffscreenWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ::setenv("SDL_RENDER_DRIVER", "software", 1);
    // Else SDL backs the software window with an OpenGL texture, loading Mesa (and its leaks).
    ::setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
  }
  static SdlWindowOptions Options(int scale = 1) {
    SdlWindowOptions o;
    o.window_scale = scale;
    o.vsync = false;
    o.hidden = true;
    return o;
  }
};

}  // namespace mavlet::testing
