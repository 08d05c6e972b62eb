#include "player/main/sdl_platform.h"

#include <cstdlib>

#include <SDL.h>

#include "player/common/log.h"
#include "player/vars/font_list.h"

namespace mavlet {
namespace {

SdlWindowOptions WindowOptions(const PlayerConfig& config) {
  SdlWindowOptions window;
  window.window_scale = config.window_scale;
  window.linear_filter = config.scale_filter == 1;
  window.vsync = config.wait_vblank;
  return window;
}

}  // namespace

SdlPlatform::SdlPlatform(const PlayerConfig& config, mavlet::Log& log, std::ostream& err)
    : log_(log),
      display_(std::make_unique<SdlDisplay>(WindowOptions(config))),
      input_(std::make_unique<SdlInputState>(*display_)),
      dialogs_(&err),
      settings_(DefaultSettingsFile(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")), &log),
      glyphs_(InstalledFaces()) {
  // Questions without a desktop dialog are drawn in the game window with the text window's
  // fonts (loaded only when a box needs them), when the window is on a screen at all.
  if (BoxesCanBeSeen(SDL_GetCurrentVideoDriver())) dialogs_.SetDisplay(display_.get());
  dialogs_.SetGlyphs([] { return InstalledGlyphs(); }, kDefaultFontName);
  if (config.has_joy_pad) joysticks_ = std::make_unique<SdlJoystickPort>();
}

PlayerServices SdlPlatform::Services() { return PlatformServices(*this); }

}  // namespace mavlet
