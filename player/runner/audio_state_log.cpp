#include "player/runner/audio_state_log.h"

#include "player/backend/sound_device.h"
#include "player/common/encoding.h"
#include "player/media/audio_channel.h"
#include "player/shell/game_system.h"

namespace mavlet {
namespace {

// Tabs and line breaks in a name would break the columns.
std::string Column(const std::string& sjis) {
  std::string text = SjisToUtf8(sjis);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  }
  return text;
}

}  // namespace

AudioStateLog::State AudioStateLog::Of(AudioChannel& channel) {
  State s;
  s.file = channel.FileName();
  s.loop = channel.Loop();
  WavePlayer* player = channel.Player();
  s.attenuation = player != nullptr ? player->Attenuation() : VolumeToAttenuation(channel.Volume());
  s.playing = channel.IsPlaying();
  return s;
}

void AudioStateLog::Check(int event, TGameSystem& sys) {
  for (int k = 0; k < static_cast<int>(last_.size()); ++k) {
    AudioChannel* channel = sys.Sound().Channel(k);
    if (channel == nullptr) continue;
    State now = Of(*channel);
    State& last = last_[static_cast<std::size_t>(k)];
    if (now == last) continue;
    out_ << event << '\t' << k << '\t' << Column(now.file) << '\t' << (now.loop ? 1 : 0) << '\t' << now.attenuation
         << '\t' << (now.playing ? 1 : 0) << '\n';
    last = std::move(now);
  }
  State movie;
  if (PcmStream* stream = sys.Sound().MovieSound()) {
    movie.file = sys.Sound().MovieSoundName();
    movie.attenuation = stream->Attenuation();
    movie.playing = stream->Playing();
  }
  if (movie == movie_last_) return;
  out_ << event << "\tM\t" << Column(movie.file) << "\t0\t" << movie.attenuation << '\t' << (movie.playing ? 1 : 0)
       << '\n';
  movie_last_ = std::move(movie);
}

}  // namespace mavlet
