#pragma once
// Sound through SDL2_mixer: audio channel n plays on mixer channel n. A wave file is decoded
// whole when it is opened (SDL_mixer converts it to the output format), so there is no stream
// buffer to refill and the buffer length is only kept.
#include <cstdint>
#include <filesystem>
#include <deque>
#include <memory>
#include <mutex>
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

// A movie's sample stream through SDL_mixer's music hook: the mixer thread takes the queued
// samples (the only state shared with it, behind a mutex) and the channels mix on top.
class SdlPcmStream : public PcmStream {
 public:
  SdlPcmStream(SdlSoundDevice& device, int rate, int channels);
  ~SdlPcmStream() override;
  SdlPcmStream(const SdlPcmStream&) = delete;
  SdlPcmStream& operator=(const SdlPcmStream&) = delete;

  int Rate() const override { return rate_; }
  int Channels() const override { return channels_; }
  void Write(const std::int16_t* samples, std::size_t frames) override;
  std::size_t Queued() override;
  void Play() override;
  void Stop() override;
  bool Playing() const override;
  std::uint64_t PlayedMs() override;
  void SetAttenuation(int hundredths_db) override;
  int Attenuation() const override { return attenuation_; }

 private:
  friend class SdlSoundDevice;
  // The mixer thread's side: fills len bytes of the output.
  static void Fill(void* self, std::uint8_t* out, int len);
  void Detach();

  SdlSoundDevice* device_;
  int rate_;
  int channels_;
  int attenuation_ = kFullAttenuation;
  mutable std::mutex mutex_;
  std::deque<std::int16_t> queue_;
  std::uint64_t played_frames_ = 0;
  int volume_ = 128;
  bool playing_ = false;
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
  // In the output's rate and channel count.
  std::unique_ptr<PcmStream> CreateStream() override;

 private:
  friend class SdlWavePlayer;
  friend class SdlPcmStream;
  void Forget(SdlWavePlayer* player);

  bool initialized_ = false;
  int mixer_channels_ = 0;
  std::vector<SdlWavePlayer*> players_;
  SdlPcmStream* stream_ = nullptr;
};

}  // namespace mavlet
