#pragma once
// Sound back end without output: each player keeps what it would play and where it stands in the
// Clock's time, so tests (and runs without a sound card) see one-shot sounds end on time.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "player/backend/clock.h"
#include "player/backend/sound_device.h"
#include "player/backend/audio/wave_file.h"

namespace mavlet {

class HeadlessSoundDevice;

class HeadlessWavePlayer : public WavePlayer {
 public:
  HeadlessWavePlayer(HeadlessSoundDevice& device, Clock& clock, int channel, std::uint32_t buffer_ms);
  ~HeadlessWavePlayer() override;
  HeadlessWavePlayer(const HeadlessWavePlayer&) = delete;
  HeadlessWavePlayer& operator=(const HeadlessWavePlayer&) = delete;

  void SetFileName(const std::filesystem::path& file) override;
  const std::filesystem::path& FileName() const override { return file_; }
  void Rewind() override;
  void SetLooping(bool looping) override;
  bool Looping() const override { return looping_; }
  void Update() override;
  void Play() override;
  void Stop() override;
  bool IsPlaying() override;
  void SetAttenuation(int hundredths_db) override;
  int Attenuation() const override { return attenuation_; }

  int Channel() const { return channel_; }
  std::uint32_t BufferMs() const { return buffer_ms_; }
  // Position within the data and play length, in milliseconds.
  std::uint64_t PositionMs();
  std::uint64_t LengthMs() const { return length_ms_; }
  const WaveInfo& Info() const { return info_; }
  int Updates() const { return updates_; }
  // How many times a file was opened (closing does not count).
  int Opens() const { return opens_; }

  // Called by the device when it is finalised.
  void Detach();

 private:
  friend class HeadlessSoundDevice;
  // Brings the position up to the clock's time; a one-shot stops at its end.
  void Advance();

  HeadlessSoundDevice* device_;
  Clock& clock_;
  int channel_;
  std::uint32_t buffer_ms_;
  std::filesystem::path file_;
  WaveInfo info_;
  std::uint64_t length_ms_ = 0;
  std::uint64_t position_ms_ = 0;
  std::uint32_t since_ms_ = 0;  // clock time position_ms_ refers to while playing
  bool looping_ = false;
  bool playing_ = false;
  int attenuation_ = kFullAttenuation;
  int updates_ = 0;
  int opens_ = 0;
};

// A movie's sample stream on the virtual clock: while playing, the clock's time consumes the
// queue at the stream's rate; a starved stream stands still until more is written.
class HeadlessPcmStream : public PcmStream {
 public:
  HeadlessPcmStream(HeadlessSoundDevice& device, Clock& clock, int rate, int channels);
  ~HeadlessPcmStream() override;
  HeadlessPcmStream(const HeadlessPcmStream&) = delete;
  HeadlessPcmStream& operator=(const HeadlessPcmStream&) = delete;

  int Rate() const override { return rate_; }
  int Channels() const override { return channels_; }
  void Write(const std::int16_t* samples, std::size_t frames) override;
  std::size_t Queued() override;
  void Play() override;
  void Stop() override;
  bool Playing() const override { return playing_; }
  std::uint64_t PlayedMs() override;
  void SetAttenuation(int hundredths_db) override;
  int Attenuation() const override { return attenuation_; }

  std::uint64_t WrittenFrames() const { return written_; }
  std::uint64_t PlayedFrames();
  // Called by the device when it is finalised: the queue is dropped and nothing plays.
  void Detach();

 private:
  friend class HeadlessSoundDevice;
  void Advance();

  HeadlessSoundDevice* device_;
  Clock& clock_;
  int rate_;
  int channels_;
  std::uint64_t written_ = 0;
  std::uint64_t played_ = 0;
  std::uint64_t remainder_ = 0;  // rate x milliseconds not yet a whole frame
  std::uint32_t since_ms_ = 0;
  bool playing_ = false;
  int attenuation_ = kFullAttenuation;
};

class HeadlessSoundDevice : public SoundDevice {
 public:
  explicit HeadlessSoundDevice(Clock& clock) : clock_(clock) {}
  ~HeadlessSoundDevice() override;

  bool Initialized() const override { return initialized_; }
  void Initialize() override;
  void Finalize() override;
  std::unique_ptr<WavePlayer> CreatePlayer(int channel, std::uint32_t buffer_ms) override;
  // 44.1 kHz stereo, like the SDL output.
  std::unique_ptr<PcmStream> CreateStream() override;

  // The live sample stream, or nullptr.
  HeadlessPcmStream* Stream() const { return stream_; }
  // Makes Initialize fail, as on a machine whose sound output cannot be opened.
  void SetFailInitialize(bool fail) { fail_initialize_ = fail; }
  int Initializations() const { return initializations_; }
  int Finalizations() const { return finalizations_; }
  // The most recently created live player of a channel, or nullptr.
  HeadlessWavePlayer* Player(int channel) const;
  std::size_t LivePlayers() const { return players_.size(); }

 private:
  friend class HeadlessWavePlayer;
  friend class HeadlessPcmStream;
  void Forget(HeadlessWavePlayer* player);

  Clock& clock_;
  bool initialized_ = false;
  bool fail_initialize_ = false;
  int initializations_ = 0;
  int finalizations_ = 0;
  std::vector<HeadlessWavePlayer*> players_;
  HeadlessPcmStream* stream_ = nullptr;
};

}  // namespace mavlet
