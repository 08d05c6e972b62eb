#pragma once
// One of the player's four audio channels: a sound name with loop, fade and volume settings,
// the back end's wave player while sound is on, and the fades stepped by the main loop.
#include <cstdint>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "player/backend/clock.h"
#include "player/backend/sound_device.h"
#include "player/common/log.h"
#include "player/common/stop_flag.h"
#include "player/storage/big_file_unit.h"
#include "player/storage/data_lookup.h"

namespace mavlet {

class TGameStatus;

// What every channel shares; owned by AudioChannels, outliving its channels.
struct SoundContext {
  SoundDevice& device;
  Clock& clock;
  Log& log;
  TitleFiles title;
  TBigFileUnit archive;              // the sound archive left open by the last lookup
  std::filesystem::path temp_folder;  // where packed sounds are unpacked to
  std::uint32_t buffer_ms = 5000;
  bool sound_on = false;
  // Unpack packed sounds on a worker thread, so that starting a long one never stalls the frame
  // loop; the sound then starts at the first update after the work is done. A newer request
  // cancels the work without waiting for it: the worker stops at its next inflate step and
  // removes its own file, and a result that comes anyway is dropped unplayed.
  bool background_unpack = false;
};

// Volume 0..100 to attenuation: 0 is silence, otherwise v * 20 - 2000 (100 is full volume).
// Values outside 0..100 count as the nearest end.
int VolumeToAttenuation(int volume);

class AudioChannel {
 public:
  static constexpr int kFadeTickMs = 100;
  static constexpr int kFadeInStep = 400;
  static constexpr int kFadeOutStep = -400;
  static constexpr int kFadeInStart = -5000;

  AudioChannel(SoundContext& context, std::uint8_t number);
  // Stops the channel and deletes its temporary file.
  ~AudioChannel();
  AudioChannel(const AudioChannel&) = delete;
  AudioChannel& operator=(const AudioChannel&) = delete;

  std::uint8_t Number() const { return number_; }
  // Shift-JIS name as the scenario gives it ("BGM01.PMW"); empty when nothing is assigned.
  const std::string& FileName() const { return file_name_; }
  void SetFileName(std::string name) { file_name_ = std::move(name); }
  bool Loop() const { return loop_; }
  void SetLoop(bool loop) { loop_ = loop; }
  // When set, starting fades in and stopping fades out.
  bool Fade() const { return fade_; }
  void SetFade(bool fade) { fade_ = fade; }
  int Volume() const { return volume_; }
  // Applied at once when the channel plays and no fade runs.
  void SetVolume(int volume);
  // The channel's output switch ("@WavOut"); read by the next Play.
  bool OutputEnabled() const { return output_enabled_; }
  void SetOutputEnabled(bool on) { output_enabled_ = on; }

  // Applies the name, loop and fade settings: starts the sound, or stops (fades out) the channel
  // when the name is empty, not found or the output is off. Destroys the player when sound is off.
  // Throws MavError when the sound is found but damaged (the channel is then stopped). A temporary
  // file that cannot be written stops the channel and is logged.
  void Play();
  // Per logic step: steps a running fade, and clears the name once a one-shot sound has ended.
  void Update();
  // New game: no sound, no fade, volume 100.
  void Reset();
  void SaveToStatus(TGameStatus& status) const;
  void LoadFromStatus(const TGameStatus& status);

  // Also true while a packed sound is being unpacked to start.
  bool IsPlaying() const;
  bool Unpacking() const { return unpacking_.has_value(); }
  bool Fading() const { return fade_step_ != 0; }
  // The wave player while sound is on and the channel has been used, else nullptr.
  WavePlayer* Player() const { return player_.get(); }
  const std::filesystem::path& TempFile() const { return temp_file_; }

 private:
  void StartFade(int step);
  void EndFade() { fade_step_ = 0; }
  void FadeTick();
  // Opens the found sound in the player; false when it could not be prepared (logged).
  bool OpenSound(const SoundLocation& where);
  // Opens the wave file and starts it from its beginning with the loop, fade and volume settings.
  void OpenAndStart(const std::filesystem::path& wave, const std::string& shown);
  void Start();
  // Logs why the temporary file could not be written; true when there was nothing to log.
  bool TempWritten(const std::string& failure);
  // Picks up finished background work; throws what unpacking threw.
  void FinishUnpacking();
  // Cancels background work that a newer request has made pointless, without waiting for it.
  void AbandonUnpacking();
  // Drops the results of cancelled work that has ended (all of it when wait is set), removing
  // any file it left.
  void ReapAbandoned(bool wait);

  SoundContext& context_;
  std::uint8_t number_;
  std::unique_ptr<WavePlayer> player_;
  std::string file_name_;
  bool loop_ = false;
  bool fade_ = false;
  int volume_ = 100;
  bool output_enabled_ = true;
  std::filesystem::path temp_file_;
  // A running fade: attenuation change per tick (0 = none) and when the next tick is due.
  int fade_step_ = 0;
  std::uint32_t next_tick_ms_ = 0;
  // Background unpacking into a file of the worker's own, renamed to the temporary file by the
  // update that picks it up. result: the failure text of the write (empty when it was written),
  // or the unpacking error.
  struct Unpack {
    std::future<std::string> result;
    StopSource stop;
    std::filesystem::path part;
  };
  std::optional<Unpack> unpacking_;
  std::vector<Unpack> abandoned_;  // cancelled, not yet ended
  std::uint32_t unpack_serial_ = 0;
  std::string unpacking_name_;  // UTF-8, for messages
};

}  // namespace mavlet
