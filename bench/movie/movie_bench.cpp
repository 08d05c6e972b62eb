// One movie frame as the frame player shows it on a 1024x768 screen: decode the next frame of
// a 640x480 movie (FFmpeg), convert it to the screen's 32-bit format and stretch it over the
// screen. The movies are made at start-up with the ffmpeg program from its moving test
// picture; "stretch only" is the baseline the codecs add their decoding to.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "player/backend/graphics/surface.h"
#include "player/backend/movie/ffmpeg_movie.h"
#include "tests/support/movie_files.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

using testing::MakeMovie;
using testing::MovieSpec;
using testing::TempFolder;

struct Codec {
  const char* name;
  const char* pix_fmt;
};
constexpr Codec kCodecs[] = {
    {"mjpeg", "yuvj420p"}, {"cinepak", ""}, {"msvideo1", "rgb555le"}, {"rawvideo", "bgr24"}, {"mpeg4", "yuv420p"}};

// The movies, made once per run.
class Movies {
 public:
  const std::filesystem::path& Get(int k) {
    auto it = files_.find(k);
    if (it != files_.end()) return it->second;
    std::string error;
    auto file = MakeMovie(dir_.path(), std::string(kCodecs[k].name) + ".avi",
                          MovieSpec{.codec = kCodecs[k].name,
                                    .pix_fmt = kCodecs[k].pix_fmt,
                                    .width = 640,
                                    .height = 480,
                                    .fps = 15,
                                    .frames = 30,
                                    .pattern = true},
                          &error);
    if (file.empty()) std::fprintf(stderr, "%s\n", error.c_str());
    return files_[k] = file;
  }

 private:
  TempFolder dir_{"bench-movie"};
  std::map<int, std::filesystem::path> files_;
};

Movies& TheMovies() {
  static Movies movies;
  return movies;
}

void BM_MovieFrame(benchmark::State& state) {
  const int k = static_cast<int>(state.range(0));
  state.SetLabel(kCodecs[k].name);
  const auto& file = TheMovies().Get(k);
  if (file.empty()) {
    state.SkipWithError("ffmpeg could not make the movie");
    return;
  }
  FfmpegMovieOpener opener;
  const PixelFormat format = PixelFormat::Xrgb8888();
  Surface screen(format, 1024, 768);
  Surface frame(format);
  std::unique_ptr<MovieSource> source = opener.Open(file, format, std::nullopt);
  std::int64_t n = 0;
  for (auto _ : state) {
    if (n == source->Info().frame_count) {
      state.PauseTiming();
      source = opener.Open(file, format, std::nullopt);
      n = 0;
      state.ResumeTiming();
    }
    if (!source->ReadFrame(n++, frame)) {
      state.SkipWithError("a frame could not be decoded");
      return;
    }
    screen.Stretch(screen.bounds(), frame, frame.bounds());
    benchmark::DoNotOptimize(screen.data());
  }
}
BENCHMARK(BM_MovieFrame)->DenseRange(0, static_cast<int>(std::size(kCodecs)) - 1)->Unit(benchmark::kMillisecond);

void BM_StretchOnly(benchmark::State& state) {
  const PixelFormat format = PixelFormat::Xrgb8888();
  Surface screen(format, 1024, 768);
  Surface frame(format, 640, 480);
  for (auto _ : state) {
    screen.Stretch(screen.bounds(), frame, frame.bounds());
    benchmark::DoNotOptimize(screen.data());
  }
}
BENCHMARK(BM_StretchOnly)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mavlet
