#include "player/media/sound_commands.h"

#include <string>

#include "player/common/log.h"
#include "player/common/sjis_text.h"
#include "player/engine/book_manager.h"
#include "player/media/audio_channel.h"
#include "player/media/media_services.h"
#include "player/media/movie_command.h"

namespace mavlet {

bool TComWavPlay::LeftToMovie() const {
  if (args_.wait || args_.loop || args_.file_name.empty() || !IsNonStop()) return false;
  const auto* movie = dynamic_cast<const TComMovie*>(NextCommand());
  return movie != nullptr && !movie->args().media_player && movie->args().preload;
}

void TComWavPlay::Prepare(GameServices& sys, TBookManager& book) {
  if (LeftToMovie()) return;
  AudioChannel* channel = MediaOf(sys).Channel(args_.channel);
  if (channel == nullptr) {
    // A channel outside 0 to 3 plays nothing: the command is skipped with a warning.
    book.GetLog().Warn("WavPlay: there is no audio channel " + std::to_string(args_.channel) +
                       " (channels are 0 to 3); nothing played");
    return;
  }
  channel->SetFileName(args_.file_name);
  channel->SetLoop(args_.loop);
  channel->SetFade(args_.fade);
  channel->Play();
}

void TComWavPlay::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  if (args_.wait) {
    RunAlwaysStream(mgr, sys, book);
    if (AudioChannel* channel = MediaOf(sys).Channel(args_.channel)) {
      if (channel->IsPlaying()) return;
      channel->SetFileName({});
    }
  }
  ++pos.Com;
}

void TComSoundOn::Execute(TCallManager&, GameServices& sys, TBookManager&, TStackData& pos) {
  MediaOf(sys).SetSoundOn(SwitchesOn());
  ++pos.Com;
}

}  // namespace mavlet
