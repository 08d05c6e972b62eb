// Saved layer keys: the input is a game status (key=value lines) read back into the twelve
// layers, which are then drawn whole and in part onto a small screen. No picture files exist,
// so this exercises the fill rectangles, positions, alpha, frame indices and effects as stored.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "player/backend/graphics/surface.h"
#include "player/common/error.h"
#include "player/common/random.h"
#include "player/display/layer_services.h"
#include "player/display/layer_stack.h"
#include "player/display/picture_cache.h"
#include "player/storage/game_status.h"

namespace {

class NoFiles : public mavlet::LayerServices {
 public:
  mavlet::FileServices* Files() override { return nullptr; }
  std::filesystem::path BasePath() override { return {}; }
  bool AntiAlias() override { return true; }
  int ScreenBits() override { return 16; }
  mavlet::PixelFormat FrameFormat() override { return mavlet::PixelFormat::Rgb565(); }
  int LayerIndex(const mavlet::TCustomGameSurface& layer) override { return layers.IndexOf(&layer); }
  mavlet::TCacheList& PictureCache() override { return cache; }
  mavlet::TRandom& Random() override { return random; }
  const mavlet::Surface* TextWindowSurface() override { return nullptr; }

  mavlet::TCacheList cache;
  mavlet::TRandom random;
  mavlet::LayerStack layers{*this};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  mavlet::TGameStatus status({}, 0);
  for (const std::string& line : mavlet::SplitStatusLines(text)) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    status.WriteString(std::string_view(line).substr(0, eq), std::string_view(line).substr(eq + 1));
  }
  NoFiles services;
  services.layers.ResetAll();
  try {
    services.layers.LoadFromStatus(status);
  } catch (const mavlet::MavError&) {
    return 0;
  }
  mavlet::Surface screen(mavlet::PixelFormat::Rgb565(), 64, 48);
  services.layers.DrawAll(screen);
  services.layers.DrawRectAll(screen, mavlet::Rect{-5, 3, 40, 100});
  services.layers.SaveToStatus(status);
  return 0;
}
