#pragma once
// The player's four audio channels with the sound switch, the per-channel output switches and
// the sound archive. The game system holds one and forwards its sound operations here.
#include <array>
#include <cstdint>
#include <memory>
#include <utility>

#include "player/media/audio_channel.h"

namespace mavlet {

class TGameStatus;

// From mavlet.ini [STATUS].
struct SoundSettings {
  bool has_sound = true;          // "HasSound": false keeps sound off whatever the scenario does
  std::int32_t buffer_ms = 5000;  // "SoundBuffer": values below 10 count as 10
  // Unpack packed sounds on a worker thread (the interactive player); off, a sound starts
  // within the request, as a run on a virtual clock needs to be repeatable.
  bool background_unpack = false;
};

class AudioChannels {
 public:
  static constexpr int kCount = 4;

  // The temporary folder comes from title.files (the system's one when files is null).
  // Sound starts switched off.
  AudioChannels(SoundDevice& device, Clock& clock, Log& log, TitleFiles title, SoundSettings settings);
  // Destroys the channels (deleting their temporary files), then closes the device if it was
  // opened here.
  ~AudioChannels();
  AudioChannels(const AudioChannels&) = delete;
  AudioChannels& operator=(const AudioChannels&) = delete;

  // k in 0..3; throws MavError otherwise.
  AudioChannel& Channel(int k);
  const AudioChannel& Channel(int k) const;

  bool SoundOn() const { return context_.sound_on; }
  // Switching on opens the device (a failure keeps sound off, logged only) and restarts every
  // channel that has a name; switching off stops every channel and closes the device.
  // Throws the first channel error after every channel has been told.
  void SetSoundOn(bool on);
  bool HasSound() const { return settings_.has_sound; }

  bool ChannelEnabled(int k) const { return Channel(k).OutputEnabled(); }
  void SetChannelEnabled(int k, bool on) { Channel(k).SetOutputEnabled(on); }

  // Once per logic step: channels 0..3 in order.
  void UpdateAudio();
  // The channels' keys ("Audio%dSrc", "Audio%dLoop", "Audio%dVol"); the sound switch is the
  // caller's.
  void SaveToStatus(TGameStatus& status) const;
  void LoadFromStatus(const TGameStatus& status);
  void ResetAll();

  TBigFileUnit& SoundArchive() { return context_.archive; }
  // Where sounds are looked up; the title folder is known only once the engine has read it.
  const TitleFiles& Title() const { return context_.title; }
  void SetTitle(TitleFiles title) { context_.title = std::move(title); }

 private:
  // Runs op on every channel; a failing channel does not keep the others from their turn.
  template <typename Op>
  void ForEachChannel(Op op);

  SoundSettings settings_;
  SoundContext context_;
  std::array<std::unique_ptr<AudioChannel>, kCount> channels_;
  bool opened_device_ = false;
};

}  // namespace mavlet
