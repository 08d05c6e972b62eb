#pragma once
// Movies through FFmpeg's libraries: any file libavformat opens (AVI with uncompressed DIB,
// MS RLE, MS Video 1, Cinepak, Indeo, MJPEG or MPEG-4 video among them) and libavcodec decodes.
// Pictures are converted by libswscale into the screen's pixel format at the frame's own size;
// sound is converted by libswresample into the asked-for 16-bit format. Reading is sequential
// and bounded: packets waiting for the other track are capped, and a damaged file only ends the
// track early. Opening throws MavError naming the file and the problem.
#include <filesystem>
#include <memory>
#include <optional>

#include "player/backend/movie_source.h"

namespace mavlet {

class FfmpegMovieOpener : public MovieOpener {
 public:
  // Quietens FFmpeg's own messages (damaged files would fill the terminal); the opener reports
  // problems itself.
  FfmpegMovieOpener();
  std::unique_ptr<MovieSource> Open(const std::filesystem::path& file, const PixelFormat& format,
                                    const std::optional<SampleFormat>& sound) override;
};

}  // namespace mavlet
