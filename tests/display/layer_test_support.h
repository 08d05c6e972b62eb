#pragma once
// Pictures for layer tests: small BMPs written into a temporary title's "PMP" folder as packed
// files, and a stand-in for the game system's layer services.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "player/backend/posix/posix_file_services.h"
#include "player/backend/graphics/surface.h"
#include "player/common/random.h"
#include "player/display/layer_services.h"
#include "player/display/layer_stack.h"
#include "player/display/picture_cache.h"
#include "player/storage/packed_file.h"

namespace mavlet::testing {

// Colours as 0x00BBGGRR.
inline constexpr std::int32_t kRed = 0x0000FF;
inline constexpr std::int32_t kGreen = 0x00FF00;
inline constexpr std::int32_t kBlue = 0xFF0000;
inline constexpr std::int32_t kWhiteRgb = 0xFFFFFF;
inline constexpr std::int32_t kBlack = 0x000000;

// Rows top-down of 0x00BBGGRR colours.
using Picture = std::vector<std::vector<std::int32_t>>;

inline Picture Solid(int w, int h, std::int32_t rgb) { return Picture(static_cast<std::size_t>(h), std::vector<std::int32_t>(static_cast<std::size_t>(w), rgb)); }

inline void Put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A bottom-up 24-bit BMP.
inline std::vector<std::uint8_t> Bmp24(const Picture& p) {
  const int h = static_cast<int>(p.size());
  const int w = h ? static_cast<int>(p[0].size()) : 0;
  const int stride = (w * 3 + 3) & ~3;
  std::vector<std::uint8_t> b = {'B', 'M'};
  Put32(b, static_cast<std::uint32_t>(54 + stride * h));
  Put32(b, 0);
  Put32(b, 54);
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(w));
  Put32(b, static_cast<std::uint32_t>(h));
  Put16(b, 1);
  Put16(b, 24);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      const auto c = static_cast<std::uint32_t>(p[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
      b.push_back(static_cast<std::uint8_t>(c >> 16));  // B
      b.push_back(static_cast<std::uint8_t>(c >> 8));   // G
      b.push_back(static_cast<std::uint8_t>(c));        // R
    }
    for (int i = w * 3; i < stride; ++i) b.push_back(0);
  }
  return b;
}

// A bottom-up 8-bit BMP with the grey palette: the anti-alias mask format.
inline std::vector<std::uint8_t> Grey8(const std::vector<std::vector<std::uint8_t>>& m) {
  const int h = static_cast<int>(m.size());
  const int w = h ? static_cast<int>(m[0].size()) : 0;
  const int stride = (w + 3) & ~3;
  std::vector<std::uint8_t> b = {'B', 'M'};
  Put32(b, static_cast<std::uint32_t>(54 + 1024 + stride * h));
  Put32(b, 0);
  Put32(b, 54 + 1024);
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(w));
  Put32(b, static_cast<std::uint32_t>(h));
  Put16(b, 1);
  Put16(b, 8);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 256);
  Put32(b, 0);
  for (int i = 0; i < 256; ++i) Put32(b, static_cast<std::uint32_t>(i * 0x010101));
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) b.push_back(m[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
    for (int i = w; i < stride; ++i) b.push_back(0);
  }
  return b;
}

// The payload of a multi-frame file: count, then per frame the key flag and a BMP.
inline std::vector<std::uint8_t> Frames(const std::vector<std::pair<bool, Picture>>& frames) {
  std::vector<std::uint8_t> b;
  Put32(b, static_cast<std::uint32_t>(frames.size()));
  for (const auto& [flag, pic] : frames) {
    b.push_back(flag ? 1 : 0);
    const auto bmp = Bmp24(pic);
    b.insert(b.end(), bmp.begin(), bmp.end());
  }
  return b;
}

// A title folder with a "PMP" folder, removed again at the end.
class PictureFolder {
 public:
  PictureFolder() {
    static std::atomic<int> counter{0};
    base_ = std::filesystem::temp_directory_path() /
            ("mavlet-layers-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(base_);
    std::filesystem::create_directories(base_ / "PMP");
  }
  ~PictureFolder() {
    std::error_code ec;
    std::filesystem::remove_all(base_, ec);
  }
  PictureFolder(const PictureFolder&) = delete;
  PictureFolder& operator=(const PictureFolder&) = delete;

  const std::filesystem::path& Base() const { return base_; }
  void Write(const std::string& name, const std::vector<std::uint8_t>& payload) const {
    PackToFile(base_ / "PMP" / name, payload);
  }
  void WriteRaw(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    PackToFile(base_ / "PMP" / name, bytes);
  }
  void Remove(const std::string& name) const { std::filesystem::remove(base_ / "PMP" / name); }

 private:
  std::filesystem::path base_;
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
