#include "player/media/frame_player.h"

#include <algorithm>

#include "player/backend/clock.h"
#include "player/common/error.h"
#include "player/common/ticks.h"

namespace mavlet {

TAVIPlay::TAVIPlay(MovieOpener* opener, Clock& clock, const std::filesystem::path& file, const PixelFormat& format,
                   bool preload, std::size_t preload_limit, const std::optional<SampleFormat>& sound)
    : clock_(clock), frame_(format), start_ms_(clock.NowMs()) {
  if (opener == nullptr) {
    error_ = file.string() + ": this player plays no movies";
    return;
  }
  try {
    source_ = opener->Open(file, format, sound);
    info_ = source_->Info();
  } catch (const MavError& e) {
    error_ = e.what();
  }
  // A zero rate or scale would never reach the end (or divide by zero): unplayable.
  if (error_.empty() && (info_.rate <= 0 || info_.scale <= 0 || info_.frame_count <= 0)) {
    error_ = file.string() + ": the movie has no usable frame rate or length";
  }
  if (!error_.empty()) {
    source_.reset();
    info_ = MovieInfo{};
    return;
  }
  if (preload) Preload(preload_limit);
}

TAVIPlay::~TAVIPlay() = default;

void TAVIPlay::Preload(std::size_t limit) {
  const PixelFormat format = frame_.format();
  std::size_t bytes = 0;
  // Every slot counts, so a long track of undecodable frames is bounded as well.
  while (static_cast<std::int64_t>(frames_.size()) < info_.frame_count && bytes < limit) {
    const std::int64_t n = static_cast<std::int64_t>(frames_.size());
    Surface picture(format);
    read_ = n;
    bytes += sizeof(std::optional<Surface>);
    if (source_->ReadFrame(n, picture)) {
      bytes += picture.pitch() * static_cast<std::size_t>(picture.height());
      frames_.emplace_back(std::move(picture));
    } else {
      frames_.emplace_back(std::nullopt);
    }
  }
  // Everything is in memory: the file is released (it may be replaced while the movie plays).
  if (static_cast<std::int64_t>(frames_.size()) >= info_.frame_count) {
    source_->Close();
    source_.reset();
  }
  RestartClock();
}

void TAVIPlay::RestartClock() { start_ms_ = clock_.NowMs(); }

std::int64_t TAVIPlay::DueFrame(std::uint64_t elapsed_ms) const {
  if (info_.rate <= 0 || info_.scale <= 0) return info_.frame_count;
  const long double due = static_cast<long double>(elapsed_ms) * static_cast<long double>(info_.rate) /
                          (static_cast<long double>(info_.scale) * 1000.0L);
  return static_cast<std::int64_t>(std::min(due, static_cast<long double>(info_.frame_count)));
}

bool TAVIPlay::DrawNext(Surface& target) { return DrawAt(target, TicksSince(clock_.NowMs(), start_ms_)); }

bool TAVIPlay::DrawAt(Surface& target, std::uint64_t elapsed_ms) {
  if (!Opened()) return true;
  const std::int64_t due = DueFrame(elapsed_ms);
  const std::int64_t preloaded = static_cast<std::int64_t>(frames_.size());
  if (due != current_ && due >= preloaded && due < info_.frame_count && source_ != nullptr && due > read_) {
    read_ = due;
    // A frame that cannot be decoded is not drawn: the previous picture stays.
    if (source_->ReadFrame(due, frame_)) have_frame_ = true;
  }
  current_ = due;
  const Surface* picture = nullptr;
  if (due < preloaded) {
    const auto& slot = frames_[static_cast<std::size_t>(due)];
    if (slot) picture = &*slot;
  } else if (due < info_.frame_count && have_frame_) {
    picture = &frame_;
  }
  // A depth change meanwhile leaves frames of the old format: they are not drawn.
  if (picture != nullptr && picture->format() == target.format() && !destination_.IsEmpty()) {
    if (destination_.Width() == picture->width() && destination_.Height() == picture->height()) {
      target.Copy(destination_.left, destination_.top, *picture, picture->bounds(), false);
    } else {
      target.Stretch(destination_, *picture, picture->bounds());
    }
  }
  return due >= info_.frame_count;
}

}  // namespace mavlet
