#pragma once
// Sound through SDL2_mixer: audio channel n plays on mixer channel n. A wave file is decoded
// whole when it is opened (SDL_mixer converts it to the output format), so there is no stream
// buffer to refill and the buffer length is only kept.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "player/backend/sound_device.h"

struct Mix_Chunk;

namespace mavlet {

// Mixer volume (0..128) of an attenuation in hundredths of a decibel: the gain 10^(att/2000),
// rounded; -10000 and below give 0.
int MixerVolumeFromAttenuation(int hundredths_db);

class SdlSoundDevice;

class SdlWavePlayer : public WavePlayer {
 public:
  SdlWavePlayer(SdlSoundDevice& device, int channel, std::uint32_t buffer_ms);
  ~SdlWavePlayer() override;
  SdlWavePlayer(const SdlWavePlayer&) = delete;
  SdlWavePlayer& operator=(const SdlWavePlayer&) = delete;

  void SetFileName(const std::filesystem::path& file) override;
  const std::filesystem::path& FileName() const override { return file_; }
  void Rewind() override;
  // Takes effect when playback next starts from the beginning.
  void SetLooping(bool looping) override { looping_ = looping; }
  bool Looping() const override { return looping_; }
  void Update() override;
  void Play() override;
  void Stop() override;
  bool IsPlaying() override;
  void SetAttenuation(int hundredths_db) override;
  int Attenuation() const override { return attenuation_; }

  std::uint32_t BufferMs() const { return buffer_ms_; }

 private:
  friend class SdlSoundDevice;
  enum class State { kStopped, kPlaying, kPaused };
  bool Live() const;
  // Frees the decoded sound; called before the device closes the mixer.
  void Close();

  SdlSoundDevice* device_;
  int channel_;
  std::uint32_t buffer_ms_;
  std::filesystem::path file_;
  Mix_Chunk* chunk_ = nullptr;
  bool empty_ = true;  // no sample frames to play
  bool looping_ = false;
  State state_ = State::kStopped;
  int attenuation_ = kFullAttenuation;
};

class SdlSoundDevice : public SoundDevice {
 public:
  SdlSoundDevice() = default;
  ~SdlSoundDevice() override;
  SdlSoundDevice(const SdlSoundDevice&) = delete;
  SdlSoundDevice& operator=(const SdlSoundDevice&) = delete;

  bool Initialized() const override { return initialized_; }
  // Opens the default output at 44.1 kHz, 16-bit stereo. The SDL audio driver comes from
  // SDL_AUDIODRIVER as usual ("dummy" or "disk" on machines without a sound card).
  void Initialize() override;
  void Finalize() override;
  std::unique_ptr<WavePlayer> CreatePlayer(int channel, std::uint32_t buffer_ms) override;

 private:
  friend class SdlWavePlayer;
  void Forget(SdlWavePlayer* player);

  bool initialized_ = false;
  int mixer_channels_ = 0;
  std::vector<SdlWavePlayer*> players_;
};

}  // namespace mavlet
