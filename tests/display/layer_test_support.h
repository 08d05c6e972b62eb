#pragma once
// Layer tests' pictures: a temporary title's "PMP" folder of packed files, and a stand-in for the
// game system's layer services.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/posix/posix_file_services.h"
#include "player/backend/graphics/surface.h"
#include "player/common/random.h"
#include "player/display/layer_services.h"
#include "player/display/game_surface.h"
#include "player/display/layer_stack.h"
#include "player/display/picture_cache.h"
#include "player/storage/packed_file.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"

namespace mavlet::testing {

// A title folder with a "PMP" folder, removed again at the end.
class PictureFolder {
 public:
  PictureFolder() { folder_.Folder("PMP"); }

  const std::filesystem::path& Base() const { return folder_.path(); }
  void Write(const std::string& name, const std::vector<std::uint8_t>& payload) const {
    PackToFile(Base() / "PMP" / name, payload);
  }
  void Remove(const std::string& name) const { std::filesystem::remove(Base() / "PMP" / name); }

 private:
  TempFolder folder_{"layers"};
};

// Layer services for tests: pictures from a folder, a settable screen depth and switches.
class TestLayerServices : public LayerServices {
 public:
  explicit TestLayerServices(const PictureFolder& folder, int bits = 32)
      : files_(PosixFileServices::Options{folder.Base() / "no-mounts", std::filesystem::temp_directory_path()}),
        base_(folder.Base()),
        bits_(bits),
        layers_(*this) {}

  FileServices* Files() override { return &files_; }
  std::filesystem::path BasePath() override { return base_; }
  bool AntiAlias() override { return anti_alias; }
  int ScreenBits() override { return screen_bits_override ? screen_bits_override : bits_; }
  PixelFormat FrameFormat() override { return *PixelFormat::ForDepth(bits_); }
  int LayerIndex(const TCustomGameSurface& layer) override { return layers_.IndexOf(&layer); }
  TCacheList& PictureCache() override { return cache; }
  TRandom& Random() override { return random; }
  const Surface* TextWindowSurface() override { return text_window; }

  LayerStack& Layers() { return layers_; }
  // Picture layer `index`, reset and showing `file` (the common start of a layer test).
  TGameSurface& LoadPicture(int index, std::string_view file) {
    TGameSurface& layer = *layers_.Picture(index);
    layer.Reset();
    layer.SetSrc(file);
    return layer;
  }
  Surface MakeTarget(int w, int h) const { return Surface(*PixelFormat::ForDepth(bits_), w, h); }
  // 0x00BBGGRR colour at a pixel of a surface.
  static std::int32_t Rgb(const Surface& s, int x, int y) { return s.format().ToRgb(s.RawPixel(x, y)); }

  bool anti_alias = true;
  int screen_bits_override = 0;
  TCacheList cache;
  TRandom random;
  const Surface* text_window = nullptr;

 private:
  PosixFileServices files_;
  std::filesystem::path base_;
  int bits_;
  LayerStack layers_;
};

}  // namespace mavlet::testing
