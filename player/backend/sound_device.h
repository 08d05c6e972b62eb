#pragma once
// The sound side of the back end: a device switched on and off with the player's sound switch,
// one streamed wave player per audio channel, and a sample stream beside them for a movie's
// own sound. Everything is called from the main thread.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace mavlet {

// Attenuation in hundredths of a decibel: 0 is full volume, kSilentAttenuation is silence.
inline constexpr int kFullAttenuation = 0;
inline constexpr int kSilentAttenuation = -10000;
// Shortest stream buffer a player is created with.
inline constexpr std::uint32_t kMinSoundBufferMs = 10;

class WavePlayer {
 public:
  virtual ~WavePlayer() = default;

  // Opens a RIFF WAVE file (stopped, at its start); an empty path closes the current one.
  // Throws MavError naming the file when it cannot be read or is not a playable wave file;
  // the player is then closed.
  virtual void SetFileName(const std::filesystem::path& file) = 0;
  virtual const std::filesystem::path& FileName() const = 0;
  // Moves the play position back to the start of the data.
  virtual void Rewind() = 0;
  virtual void SetLooping(bool looping) = 0;
  virtual bool Looping() const = 0;
  // Refills the stream; a one-shot sound stops at the end of its data.
  virtual void Update() = 0;
  // Starts or resumes from the current position; nothing happens without an open file.
  virtual void Play() = 0;
  // Stops, keeping the position.
  virtual void Stop() = 0;
  virtual bool IsPlaying() = 0;
  // Clamped to kSilentAttenuation..kFullAttenuation.
  virtual void SetAttenuation(int hundredths_db) = 0;
  virtual int Attenuation() const = 0;
};

// Interleaved signed 16-bit samples queued by the caller and played in order beside the
// channels; what has been played is the clock a movie's pictures follow.
class PcmStream {
 public:
  virtual ~PcmStream() = default;
  virtual int Rate() const = 0;
  virtual int Channels() const = 0;
  // Queues frames sample frames behind those queued before.
  virtual void Write(const std::int16_t* samples, std::size_t frames) = 0;
  // Sample frames queued and not yet played.
  virtual std::size_t Queued() = 0;
  // Starts or resumes; Stop pauses, keeping the queue.
  virtual void Play() = 0;
  virtual void Stop() = 0;
  virtual bool Playing() const = 0;
  // Milliseconds of sound played since creation; stands still while stopped or starved.
  virtual std::uint64_t PlayedMs() = 0;
  // Clamped to kSilentAttenuation..kFullAttenuation.
  virtual void SetAttenuation(int hundredths_db) = 0;
  virtual int Attenuation() const = 0;
};

class SoundDevice {
 public:
  virtual ~SoundDevice() = default;

  virtual bool Initialized() const = 0;
  // Throws MavError when no sound output can be opened; callers keep sound off then.
  virtual void Initialize() = 0;
  // Stops and closes every player; players still alive stay usable objects but play nothing
  // until they are given a file again after the next Initialize.
  virtual void Finalize() = 0;
  // One player per audio channel (0..3). Needs an initialised device; throws MavError otherwise.
  virtual std::unique_ptr<WavePlayer> CreatePlayer(int channel, std::uint32_t buffer_ms) = 0;
  // The device's sample stream (one at a time), stopped and empty, in the device's own rate
  // and channel count. Needs an initialised device; throws MavError otherwise or when another
  // stream is alive. Finalize silences a live stream; it stays a usable object.
  virtual std::unique_ptr<PcmStream> CreateStream() = 0;
};

}  // namespace mavlet
