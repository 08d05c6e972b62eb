#pragma once
// What a display layer needs from its owner (the game system): where pictures live, the picture
// cache, the display's format, the shared random generator and its own place in the layer table.
// Tests give layers a small stand-in instead of a whole game system.
#include <filesystem>

#include "player/backend/graphics/pixel_format.h"

namespace mavlet {

class FileServices;
class Surface;
class TCacheList;
class TCustomGameSurface;
class TRandom;

inline constexpr int kNoLayerIndex = 255;

class LayerServices {
 public:
  virtual ~LayerServices() = default;

  // File lookup for pictures; nullptr finds nothing.
  virtual FileServices* Files() = 0;
  // The title's base folder (holding "PMP").
  virtual std::filesystem::path BasePath() = 0;
  // The "AntiAlias" switch of the configuration.
  virtual bool AntiAlias() = 0;
  // Bits per pixel of the screen surface; 0 while there is no display.
  virtual int ScreenBits() = 0;
  // Pixel format frame surfaces are created in (the display's).
  virtual PixelFormat FrameFormat() = 0;
  // 0..11 for one of the display layers, kNoLayerIndex for anything else.
  virtual int LayerIndex(const TCustomGameSurface& layer) = 0;
  virtual TCacheList& PictureCache() = 0;
  virtual TRandom& Random() = 0;
  // The text window's picture for "@SfcText" attachments; nullptr while it has none.
  virtual const Surface* TextWindowSurface() = 0;
};

}  // namespace mavlet
