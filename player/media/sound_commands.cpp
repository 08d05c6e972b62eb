#include "player/media/sound_commands.h"

#include <string>

#include "player/common/log.h"
#include "player/common/sjis_text.h"
#include "player/engine/book_manager.h"
#include "player/media/audio_channel.h"
#include "player/media/media_services.h"
#include "player/media/movie_command.h"

namespace mavlet {

// channel, file name, loop, wait for the end, fade
void TComWavPlay::Parse(std::string_view args) {
  TCommand::Parse(args);
  channel_ = CsvFieldInt(args, 2, 0);
  file_name_ = CsvField(args, 3);
  loop_ = CsvFieldInt(args, 4, 0) != 0;
  wait_ = CsvFieldInt(args, 5, 0) != 0;
  fade_ = CsvFieldInt(args, 6, 0) != 0;
}

bool TComWavPlay::LeftToMovie() const {
  if (wait_ || loop_ || file_name_.empty() || !IsNonStop()) return false;
  const auto* movie = dynamic_cast<const TComMovie*>(NextCommand());
  return movie != nullptr && !movie->MediaPlayer() && movie->PreloadWithSound();
}

void TComWavPlay::Prepare(GameServices& sys, TBookManager& book) {
  if (LeftToMovie()) return;
  TAudioChannel* channel = MediaOf(sys).Channel(channel_);
  if (channel == nullptr) {
    // The original indexed past its four channels here; play nothing instead.
    book.GetLog().Warn("WavPlay: there is no audio channel " + std::to_string(channel_) +
                       " (channels are 0 to 3); nothing played");
    return;
  }
  channel->SetFileName(file_name_);
  channel->SetLoop(loop_);
  channel->SetFade(fade_);
  channel->Play();
}

void TComWavPlay::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  if (wait_) {
    RunAlwaysStream(mgr, sys, book);
    if (TAudioChannel* channel = MediaOf(sys).Channel(channel_)) {
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
