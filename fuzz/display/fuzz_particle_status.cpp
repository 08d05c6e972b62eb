// Saved particle keys: the input is a game status (key=value lines) read back into the particle
// effects, which then run twenty frames on a small screen. The input itself is also the picture
// "in.fr" (a multi-frame file) and "in.pmp" (one picture), so that a status naming either feeds
// arbitrary frame counts and cell sizes through the loader; "dot.pmp" is a valid 2x2 picture.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "player/backend/display.h"
#include "player/backend/posix/posix_file_services.h"
#include "player/common/error.h"
#include "player/common/random.h"
#include "player/display/particles/sp_effect_manager.h"
#include "player/storage/game_status.h"
#include "player/storage/packed_file.h"

namespace {

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    auto f = std::filesystem::temp_directory_path() / ("mavlet-fuzz-particles-" + std::to_string(getpid()));
    std::filesystem::create_directories(f / "PMP");
    // A 2x2 24-bit BMP, rows bottom-up padded to four bytes.
    const std::uint8_t bmp[] = {'B', 'M', 70, 0, 0,  0, 0, 0,   0, 0, 54, 0,   0, 0, 40, 0, 0,   0, 2, 0,   0, 0, 2, 0,
                                0,   0,   1,  0, 24, 0, 0, 0,   0, 0, 16, 0,   0, 0, 0,  0, 0,   0, 0, 0,   0, 0, 0, 0,
                                0,   0,   0,  0, 0,  0, 0, 255, 0, 0, 0,  255, 0, 0, 0,  0, 255, 0, 0, 255, 0, 0};
    mavlet::PackToFile(f / "PMP" / "dot.pmp", bmp);
    return f;
  }();
  return folder;
}

class Host : public mavlet::ParticleServices {
 public:
  Host() {
    display.SetSize(64, 48);
    display.SetBitCount(16);
    display.Initialize();
  }
  mavlet::Display* GetDisplay() const override { return &display; }
  mavlet::Point MousePos() override { return {10, 20}; }
  mavlet::TRandom& Random() override { return random; }
  mavlet::FileServices* Files() override { return &files; }
  std::filesystem::path BasePath() override { return Folder(); }

  mutable mavlet::Display display;
  mavlet::TRandom random;
  mavlet::PosixFileServices files;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::span<const std::uint8_t> bytes(data, size);
  try {
    mavlet::PackToFile(Folder() / "PMP" / "in.fr", bytes);
    mavlet::PackToFile(Folder() / "PMP" / "in.pmp", bytes);
  } catch (const mavlet::MavError&) {
    return 0;
  }
  mavlet::TGameStatus status({}, 0);
  for (const std::string& line : mavlet::SplitStatusLines(text)) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    status.WriteString(std::string_view(line).substr(0, eq), std::string_view(line).substr(eq + 1));
  }
  Host host;
  mavlet::TSpEffectManager effects(host);
  effects.LoadFromStatus(status);
  for (int i = 0; i < 20; ++i) effects.Step();
  effects.SaveToStatus(status);
  return 0;
}
