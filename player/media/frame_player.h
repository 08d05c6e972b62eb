#pragma once
// The frame player (TAVIPlay): draws the picture track of a movie into a rectangle of a
// surface, each call the frame that belongs to the time since playback started. Frames are
// never waited for: a late call skips to the frame due. Preload mode decodes frames before
// playback, up to a memory cap, and decodes the rest as it plays; the start time is taken
// after the preloading. Construction never fails: a movie that cannot be opened (its problem in
// Error()) reports the end at the first call and draws nothing. Sound is not played here.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "player/backend/graphics/rect.h"
#include "player/backend/graphics/surface.h"
#include "player/backend/movie_source.h"

namespace mavlet {

class Clock;

class TAVIPlay {
 public:
  // Preloaded frames are kept below this many bytes unless told otherwise.
  static constexpr std::size_t kDefaultPreloadLimit = std::size_t{256} << 20;

  // opener may be null (the movie then cannot be opened). The sound track is opened too when
  // sound is given (for the media-player mode, which reads it through Source()).
  TAVIPlay(MovieOpener* opener, Clock& clock, const std::filesystem::path& file, const PixelFormat& format,
           bool preload, std::size_t preload_limit = kDefaultPreloadLimit,
           const std::optional<SampleFormat>& sound = std::nullopt);
  ~TAVIPlay();
  TAVIPlay(const TAVIPlay&) = delete;
  TAVIPlay& operator=(const TAVIPlay&) = delete;

  // Empty when the movie opened; else the file and the problem.
  const std::string& Error() const { return error_; }
  bool Opened() const { return error_.empty(); }
  std::int32_t Width() const { return info_.width; }
  std::int32_t Height() const { return info_.height; }
  const MovieInfo& Info() const { return info_; }
  // Frames decoded before playback started.
  std::size_t Preloaded() const { return frames_.size(); }
  // The open movie (its sound track in media-player mode), or null once everything is in memory.
  MovieSource* Source() { return source_.get(); }

  void SetDestination(const Rect& rect) { destination_ = rect; }
  const Rect& Destination() const { return destination_; }

  // Draws the frame due now into target's destination rectangle (stretched, clipped); true
  // once the end has been reached.
  bool DrawNext(Surface& target);
  // The same for a given playing time in milliseconds (the media player follows its sound).
  bool DrawAt(Surface& target, std::uint64_t elapsed_ms);
  // The frame due at elapsed_ms, at most the frame count (the end).
  std::int64_t DueFrame(std::uint64_t elapsed_ms) const;
  // The frame drawn last (-1 for none).
  std::int64_t CurrentFrame() const { return current_; }
  // Moves the start time to now (playback begins with frame 0).
  void RestartClock();

 private:
  void Preload(std::size_t limit);

  Clock& clock_;
  std::string error_;
  MovieInfo info_;
  std::unique_ptr<MovieSource> source_;
  std::vector<std::optional<Surface>> frames_;  // preloaded frames; an empty slot draws nothing
  Surface frame_;                               // the frame read last while playing
  bool have_frame_ = false;
  std::int64_t current_ = -1;
  std::int64_t read_ = -1;  // the frame asked of the source last
  std::uint32_t start_ms_ = 0;
  Rect destination_;
};

}  // namespace mavlet
