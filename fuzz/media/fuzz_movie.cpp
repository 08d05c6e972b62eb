// Damaged movie files through the frame player: the bytes are written to a file (the decoder
// opens paths), opened with and without preload, and played for a bounded number of steps of
// a virtual clock into a small screen. Opening may fail (reported in Error()); nothing may
// crash, hang or read out of bounds.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "player/backend/clock.h"
#include "player/backend/graphics/surface.h"
#include "player/backend/movie/ffmpeg_movie.h"
#include "player/media/frame_player.h"

namespace {

class StepClock : public mavlet::Clock {
 public:
  std::uint32_t NowMs() override { return now; }
  void SleepMs(std::uint32_t ms) override { now += ms; }
  std::uint32_t now = 0;
};

std::filesystem::path InputFile() {
  const char* tmp = std::getenv("TMPDIR");
  return std::filesystem::path(tmp != nullptr ? tmp : "/tmp") / ("fuzz-movie-" + std::to_string(::getpid()) + ".avi");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path file = InputFile();
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  mavlet::FfmpegMovieOpener opener;
  for (const bool preload : {false, true}) {
    StepClock clock;
    mavlet::Surface screen(mavlet::PixelFormat::Xrgb8888(), 64, 48);
    // A small cap keeps preloading bounded whatever size the damaged header claims.
    mavlet::TAVIPlay player(&opener, clock, file, screen.format(), preload, std::size_t{8} << 20);
    if (!player.Opened()) {
      if (player.Error().empty() || !player.DrawNext(screen)) std::abort();  // failures end at once
      continue;
    }
    player.SetDestination(mavlet::Bounds(-8, -8, 80, 40));
    bool ended = false;
    for (int step = 0; step < 40 && !ended; ++step) {
      ended = player.DrawNext(screen);
      clock.now += 97;
    }
  }
  std::filesystem::remove(file);
  return 0;
}
