#include "player/media/movie_command.h"

#include <optional>
#include <vector>

#include "player/backend/clock.h"
#include "player/backend/file_services.h"
#include "player/backend/graphics/surface.h"
#include "player/backend/movie_source.h"
#include "player/backend/sound_device.h"
#include "player/common/encoding.h"
#include "player/common/log.h"
#include "player/common/sjis_text.h"
#include "player/common/ticks.h"
#include "player/engine/book_manager.h"
#include "player/engine/game_services.h"
#include "player/media/audio_channel.h"
#include "player/media/frame_player.h"
#include "player/media/media_services.h"
#include "player/media/sound_commands.h"

namespace mavlet {
namespace {

// The movie file below the title's picture folder; an unresolved name keeps its spelling so
// the opener reports it missing.
std::filesystem::path MoviePath(TBookManager& book, const std::string& name) {
  const std::string title_path = "PMP\\" + name;
  if (FileServices* files = book.Files()) {
    if (auto found = files->Resolve(book.BasePath(), title_path)) return *found;
  }
  return book.BasePath() / "PMP" / SjisToUtf8(name);
}

}  // namespace

TComMovie::~TComMovie() = default;

void TComMovie::Prepare(GameServices&, TBookManager&) {
  state_ = kOpen;
  player_.reset();
}

void TComMovie::Notify(bool success) {
  if (!success && state_ < kStop) {
    state_ = kFailed;
  } else if (state_ == kFailed) {
    state_ = kClose;
  } else {
    ++state_;
  }
}

void TComMovie::OpenFrames(MediaServices& media, TBookManager& book) {
  media.PrepareMovieScreen();
  Surface* screen = media.MovieScreen();
  const PixelFormat format = screen != nullptr ? screen->format() : PixelFormat::Xrgb8888();
  player_ = std::make_unique<TAVIPlay>(media.Movies(), book.GetClock(), MoviePath(book, args_.file_name), format,
                                       args_.preload);
  // A one-shot WavPlay just before left its sound to this movie: it starts now, after the
  // decoding, so that picture and sound begin together (a movie that failed keeps the sound).
  if (args_.preload) {
    if (const auto* wav = dynamic_cast<const TComWavPlay*>(PrevCommand()); wav != nullptr && wav->LeftToMovie()) {
      if (AudioChannel* channel = media.Channel(wav->args().channel)) {
        channel->SetFileName(wav->args().file_name);
        channel->SetLoop(false);
        channel->SetFade(wav->args().fade);
        channel->Play();
      }
    }
  }
}

void TComMovie::OpenMedia(MediaServices& media, TBookManager& book) {
  std::optional<SampleFormat> sound;
  if (PcmStream* stream = media.StartMovieSound(args_.file_name))
    sound = SampleFormat{stream->Rate(), stream->Channels()};
  media.PrepareMovieScreen();
  Surface* screen = media.MovieScreen();
  const PixelFormat format = screen != nullptr ? screen->format() : PixelFormat::Xrgb8888();
  player_ = std::make_unique<TAVIPlay>(media.Movies(), book.GetClock(), MoviePath(book, args_.file_name), format, false,
                                       TAVIPlay::kDefaultPreloadLimit, sound);
  sound_done_ = !(sound && player_->Info().has_sound);
}

bool TComMovie::FeedSound(MediaServices& media) {
  PcmStream* stream = media.MovieSound();
  MovieSource* source = player_ != nullptr ? player_->Source() : nullptr;
  if (stream == nullptr || source == nullptr) return false;
  const std::size_t want = static_cast<std::size_t>(stream->Rate()) * kSoundAheadMs / 1000;
  const std::size_t queued = stream->Queued();
  if (queued < want && !source->SoundEnded()) {
    std::vector<std::int16_t> samples;
    const std::size_t got = source->ReadSound(samples, want - queued);
    if (got > 0) stream->Write(samples.data(), got);
  }
  return !(source->SoundEnded() && stream->Queued() == 0);
}

std::uint64_t TComMovie::MediaTime(MediaServices& media, TBookManager& book) {
  const std::uint32_t now = book.GetClock().NowMs();
  PcmStream* stream = media.MovieSound();
  if (!sound_done_ && stream != nullptr) {
    sound_ms_ = stream->PlayedMs();
    sound_tick_ = now;
    return sound_ms_;
  }
  // No sound (or it has ended): the pictures go on by the clock from where the sound stopped.
  return sound_ms_ + TicksSince(now, sound_tick_);
}

void TComMovie::Finish(MediaServices& media, TStackData& pos) {
  player_.reset();
  if (args_.media_player) media.StopMovieSound();
  state_ = kOpen;
  media.EndMovieFrames();  // the layers come back over the whole screen
  ++pos.Com;
}

void TComMovie::Execute(TCallManager&, GameServices& sys, TBookManager& book, TStackData& pos) {
  MediaServices& media = MediaOf(sys);
  Surface* screen = media.MovieScreen();
  if (!args_.media_player) {
    if (state_ == kOpen) {
      OpenFrames(media, book);
      if (!player_->Opened()) {
        book.GetLog().Warn("SetMovie: " + player_->Error());
        Finish(media, pos);
        return;
      }
      const std::int32_t w = args_.width != 0 ? args_.width : player_->Width();
      const std::int32_t h = args_.height != 0 ? args_.height : player_->Height();
      player_->SetDestination(Bounds(args_.x, args_.y, w, h));
      state_ = kFramePlaying;
      return;
    }
    if (state_ != kFramePlaying || player_ == nullptr || screen == nullptr) {
      Finish(media, pos);
      return;
    }
    const bool ended = player_->DrawNext(*screen);
    media.PresentMovieFrame(Intersect(player_->Destination(), screen->bounds()));
    if (ended || (args_.skippable && sys.ClickPressed())) Finish(media, pos);
    return;
  }

  switch (state_) {
    case kOpen:
      OpenMedia(media, book);
      state_ = kOpening;
      if (!player_->Opened() || screen == nullptr) {
        book.GetLog().Warn("SetMovie: " + (player_->Opened() ? args_.file_name + ": there is no screen to play on"
                                                             : player_->Error()));
        media.StopMovieSound();
        player_.reset();
        Notify(false);
      } else {
        Notify(true);  // opened
      }
      return;
    case kPlace: {
      const std::int32_t w = args_.width != 0 ? args_.width : player_->Width();
      const std::int32_t h = args_.height != 0 ? args_.height : player_->Height();
      player_->SetDestination(Bounds(args_.x, args_.y, w, h));
      state_ = kStart;
      return;
    }
    case kStart:
      countdown_ = kStartCountdown;
      FeedSound(media);
      if (PcmStream* stream = media.MovieSound()) stream->Play();
      player_->RestartClock();
      sound_ms_ = 0;
      sound_tick_ = book.GetClock().NowMs();
      state_ = kPlaying;
      [[fallthrough]];
    case kPlaying: {
      if (player_ == nullptr || screen == nullptr) {
        state_ = kStop;
        return;
      }
      const bool sound_playing = FeedSound(media);
      if (!sound_playing) sound_done_ = true;
      const bool pictures_ended = player_->DrawAt(*screen, MediaTime(media, book));
      media.PresentMovieFrame(Intersect(player_->Destination(), screen->bounds()));
      if (countdown_ >= 1) {
        --countdown_;
        return;
      }
      if (args_.skippable && sys.ClickPressed()) {
        state_ = kStop;
      } else if (pictures_ended && !sound_playing) {
        Notify(true);  // played to the end
      }
      return;
    }
    case kStop:
      media.StopMovieSound();
      player_.reset();
      state_ = kClose;
      return;
    case kFailed:
      // The failure's notification came; nothing else will, so the command closes on its own.
      state_ = kClose;
      return;
    default:
      Finish(media, pos);
      return;
  }
}

}  // namespace mavlet
