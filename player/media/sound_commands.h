#pragma once
// Scenario commands for sound: WavPlay plays a sound file on one of the audio channels;
// SoundOn and SoundOff switch all sound.
#include <cstdint>
#include <string>
#include <string_view>

#include "player/engine/keyword_command.h"

namespace mavlet {

struct WavPlayArgs {
  std::int32_t channel = 0;
  std::string file_name;  // empty stops the channel (fading out when fade is on)
  bool loop = false;
  bool wait = false;  // keep the stream waiting until the sound has ended
  bool fade = false;
  bool operator==(const WavPlayArgs&) const = default;
};

class TComWavPlay
    : public TArgsCommand<KeywordIndex("WavPlay"), WavPlayArgs, &WavPlayArgs::channel, &WavPlayArgs::file_name,
                          &WavPlayArgs::loop, &WavPlayArgs::wait, &WavPlayArgs::fade> {
 public:
  using TArgsCommand::TArgsCommand;
  // Hands the name, loop and fade settings to the channel and plays it, unless the next command
  // is a frame movie that starts this sound together with its first picture.
  void Prepare(GameServices& sys, TBookManager& book) override;
  // With wait on, stays current while the channel plays.
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  // True when Prepare left the sound to the movie command that follows.
  bool LeftToMovie() const;
};

// SoundOn; SoundOff derives from it without fields and is told apart by its class.
class TComSoundOn : public TKeywordCommand<KeywordIndex("SoundOn")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  // True for SoundOn, false for SoundOff.
  virtual bool SwitchesOn() const { return true; }
};

class TComSoundOff : public TKeywordCommand<KeywordIndex("SoundOff"), TComSoundOn> {
 public:
  using TKeywordCommand::TKeywordCommand;
  bool SwitchesOn() const override { return false; }
};

}  // namespace mavlet
