#pragma once
// The movie side of the back end: a movie file opened for playing, handing out its picture
// track frame by frame (converted into the screen's pixel format) and its sound track as
// interleaved 16-bit samples. The FFmpeg realisation lives in backend/movie; tests may give
// their own. Opening throws MavError naming the file and the problem; a frame that cannot be
// decoded later is only a false return, never an exception.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "player/backend/graphics/pixel_format.h"
#include "player/backend/graphics/surface.h"

namespace mavlet {

struct MovieInfo {
  std::int32_t width = 0;  // of the first frame
  std::int32_t height = 0;
  // Frames per second = rate / scale; both are positive for every source that opens.
  std::int64_t rate = 0;
  std::int64_t scale = 1;
  std::int64_t frame_count = 0;  // frames of the picture track
  bool has_sound = false;        // a sound track was found and is being decoded
};

// Sound output format a movie's sound track is converted to.
struct SampleFormat {
  int rate = 44100;
  int channels = 2;
  friend bool operator==(const SampleFormat&, const SampleFormat&) = default;
};

class MovieSource {
 public:
  virtual ~MovieSource() = default;
  virtual const MovieInfo& Info() const = 0;
  // Decodes forward to frame n (0 is the first frame) and converts it into out, which takes the
  // frame's own size and keeps its pixel format. False, out unchanged, when frame n cannot be
  // had: beyond the end, damaged, not after the frame read last, or the source is closed.
  virtual bool ReadFrame(std::int64_t n, Surface& out) = 0;
  // Appends up to max_frames sample frames of the sound track (interleaved, in the format asked
  // for at opening); returns how many, 0 at the end of the track or without one.
  virtual std::size_t ReadSound(std::vector<std::int16_t>& out, std::size_t max_frames) = 0;
  // True once the sound track (or its absence) has nothing more to give.
  virtual bool SoundEnded() const = 0;
  // Releases the file and the decoders; every later read fails.
  virtual void Close() = 0;
};

class MovieOpener {
 public:
  virtual ~MovieOpener() = default;
  // Opens a movie for frames in `format`; with `sound`, its sound track is decoded too (a movie
  // without one plays silently). Throws MavError naming the file and the problem: missing, not
  // a movie, no picture track, no decoder, no usable frame rate, no first frame.
  virtual std::unique_ptr<MovieSource> Open(const std::filesystem::path& file, const PixelFormat& format,
                                            const std::optional<SampleFormat>& sound) = 0;
};

}  // namespace mavlet
