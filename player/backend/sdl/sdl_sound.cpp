#include "player/backend/sdl/sdl_sound.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "player/backend/audio/wave_file.h"
#include "player/common/error.h"

namespace mavlet {
namespace {

constexpr int kOutputRate = 44100;
constexpr int kOutputChannels = 2;
constexpr int kMixBufferFrames = 1024;  // about 23 ms at 44.1 kHz
constexpr int kAudioChannels = 4;

}  // namespace

int MixerVolumeFromAttenuation(int hundredths_db) {
  if (hundredths_db <= kSilentAttenuation) return 0;
  if (hundredths_db >= kFullAttenuation) return MIX_MAX_VOLUME;
  const double gain = std::pow(10.0, hundredths_db / 2000.0);
  return std::clamp(static_cast<int>(std::lround(gain * MIX_MAX_VOLUME)), 0, MIX_MAX_VOLUME);
}

SdlWavePlayer::SdlWavePlayer(SdlSoundDevice& device, int channel, std::uint32_t buffer_ms)
    : device_(&device), channel_(channel), buffer_ms_(std::max(buffer_ms, kMinSoundBufferMs)) {}

SdlWavePlayer::~SdlWavePlayer() {
  Close();
  if (device_) device_->Forget(this);
}

bool SdlWavePlayer::Live() const { return device_ && device_->Initialized(); }

void SdlWavePlayer::Close() {
  if (chunk_) {
    if (Live() && state_ != State::kStopped) Mix_HaltChannel(channel_);
    // Safe with the mixer closed as well: the chunk is then only freed.
    Mix_FreeChunk(chunk_);
    chunk_ = nullptr;
  }
  state_ = State::kStopped;
  empty_ = true;
  file_.clear();
}

void SdlWavePlayer::SetFileName(const std::filesystem::path& file) {
  Close();
  if (file.empty()) return;
  const std::string name = file.string();
  if (!Live()) throw MavError(name + ": the sound device is not open");
  // Same refusals as the headless back end, before SDL sees the file.
  const WaveInfo info = ReadWaveInfo(file);
  SDL_RWops* rw = SDL_RWFromFile(name.c_str(), "rb");
  if (!rw) throw MavError(name + ": cannot open the sound file (" + SDL_GetError() + ")");
  chunk_ = Mix_LoadWAV_RW(rw, 1);
  if (!chunk_) throw MavError(name + ": cannot decode the wave data (" + Mix_GetError() + ")");
  empty_ = info.frames == 0 || chunk_->alen == 0;
  file_ = file;
}

void SdlWavePlayer::Rewind() {
  if (!Live() || state_ == State::kStopped) return;
  const bool was_playing = IsPlaying();
  Mix_HaltChannel(channel_);
  state_ = State::kStopped;
  if (was_playing) Play();
}

void SdlWavePlayer::Update() {
  // The mixer reads the decoded chunk itself; a finished one-shot is noticed here.
  IsPlaying();
}

void SdlWavePlayer::Play() {
  if (!Live() || !chunk_ || empty_) return;
  if (state_ == State::kPlaying && Mix_Playing(channel_)) return;
  if (state_ == State::kPaused) {
    Mix_Resume(channel_);
    state_ = State::kPlaying;
    return;
  }
  Mix_Volume(channel_, MixerVolumeFromAttenuation(attenuation_));
  if (Mix_PlayChannel(channel_, chunk_, looping_ ? -1 : 0) < 0) {
    state_ = State::kStopped;
    throw MavError(file_.string() + ": cannot start playback (" + Mix_GetError() + ")");
  }
  state_ = State::kPlaying;
}

void SdlWavePlayer::Stop() {
  if (!Live()) return;
  if (IsPlaying()) {
    Mix_Pause(channel_);
    state_ = State::kPaused;
  }
}

bool SdlWavePlayer::IsPlaying() {
  if (!Live()) {
    state_ = State::kStopped;
    return false;
  }
  if (state_ == State::kPlaying && Mix_Playing(channel_) == 0) state_ = State::kStopped;
  return state_ == State::kPlaying;
}

void SdlWavePlayer::SetAttenuation(int hundredths_db) {
  attenuation_ = std::clamp(hundredths_db, kSilentAttenuation, kFullAttenuation);
  if (Live()) Mix_Volume(channel_, MixerVolumeFromAttenuation(attenuation_));
}

SdlPcmStream::SdlPcmStream(SdlSoundDevice& device, int rate, int channels)
    : device_(&device), rate_(rate), channels_(channels) {
  Mix_HookMusic(&SdlPcmStream::Fill, this);
}

SdlPcmStream::~SdlPcmStream() {
  if (device_ == nullptr) return;
  Mix_HookMusic(nullptr, nullptr);  // waits for the mixer thread to leave Fill
  device_->stream_ = nullptr;
}

void SdlPcmStream::Detach() {
  Mix_HookMusic(nullptr, nullptr);
  std::lock_guard lock(mutex_);
  queue_.clear();
  playing_ = false;
  device_ = nullptr;
}

void SdlPcmStream::Fill(void* self, std::uint8_t* out, int len) {
  auto& s = *static_cast<SdlPcmStream*>(self);
  const std::size_t wanted = static_cast<std::size_t>(len) / sizeof(std::int16_t);
  auto* samples = reinterpret_cast<std::int16_t*>(out);
  std::lock_guard lock(s.mutex_);
  std::size_t n = 0;
  if (s.playing_) {
    n = std::min(wanted, s.queue_.size());
    n -= n % static_cast<std::size_t>(s.channels_);
    for (std::size_t i = 0; i < n; ++i) {
      samples[i] = static_cast<std::int16_t>(static_cast<int>(s.queue_[i]) * s.volume_ / MIX_MAX_VOLUME);
    }
    s.queue_.erase(s.queue_.begin(), s.queue_.begin() + static_cast<std::ptrdiff_t>(n));
    s.played_frames_ += n / static_cast<std::size_t>(s.channels_);
  }
  std::fill(samples + n, samples + wanted, std::int16_t{0});
}

void SdlPcmStream::Write(const std::int16_t* samples, std::size_t frames) {
  if (device_ == nullptr) return;
  std::lock_guard lock(mutex_);
  queue_.insert(queue_.end(), samples, samples + frames * static_cast<std::size_t>(channels_));
}

std::size_t SdlPcmStream::Queued() {
  std::lock_guard lock(mutex_);
  return queue_.size() / static_cast<std::size_t>(channels_);
}

void SdlPcmStream::Play() {
  std::lock_guard lock(mutex_);
  playing_ = device_ != nullptr;
}

void SdlPcmStream::Stop() {
  std::lock_guard lock(mutex_);
  playing_ = false;
}

bool SdlPcmStream::Playing() const {
  std::lock_guard lock(mutex_);
  return playing_;
}

std::uint64_t SdlPcmStream::PlayedMs() {
  std::lock_guard lock(mutex_);
  return played_frames_ * 1000 / static_cast<std::uint64_t>(rate_);
}

void SdlPcmStream::SetAttenuation(int hundredths_db) {
  attenuation_ = std::clamp(hundredths_db, kSilentAttenuation, kFullAttenuation);
  std::lock_guard lock(mutex_);
  volume_ = MixerVolumeFromAttenuation(attenuation_);
}

SdlSoundDevice::~SdlSoundDevice() {
  Finalize();
  for (SdlWavePlayer* p : players_) p->device_ = nullptr;
}

std::unique_ptr<PcmStream> SdlSoundDevice::CreateStream() {
  if (!initialized_) throw MavError("sound stream requested while the sound device is closed");
  if (stream_ != nullptr) throw MavError("a second sound stream was requested while one plays");
  int rate = kOutputRate;
  Uint16 format = 0;
  int channels = kOutputChannels;
  Mix_QuerySpec(&rate, &format, &channels);
  auto stream = std::make_unique<SdlPcmStream>(*this, rate, channels);
  stream_ = stream.get();
  return stream;
}

void SdlSoundDevice::Initialize() {
  if (initialized_) return;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    throw MavError(std::string("cannot start SDL audio: ") + SDL_GetError());
  }
  if (Mix_OpenAudio(kOutputRate, AUDIO_S16SYS, kOutputChannels, kMixBufferFrames) != 0) {
    std::string why = Mix_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    throw MavError("cannot open the sound output: " + why);
  }
  mixer_channels_ = Mix_AllocateChannels(kAudioChannels);
  initialized_ = true;
}

void SdlSoundDevice::Finalize() {
  if (!initialized_) return;
  for (SdlWavePlayer* p : players_) p->Close();
  if (stream_ != nullptr) {
    stream_->Detach();
    stream_ = nullptr;
  }
  Mix_HaltChannel(-1);
  Mix_CloseAudio();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  initialized_ = false;
  mixer_channels_ = 0;
}

std::unique_ptr<WavePlayer> SdlSoundDevice::CreatePlayer(int channel, std::uint32_t buffer_ms) {
  if (!initialized_) throw MavError("sound player requested while the sound device is closed");
  if (channel < 0) throw MavError("sound player requested for channel " + std::to_string(channel));
  // A channel beyond the allocated ones would silently play nothing.
  if (channel >= mixer_channels_) mixer_channels_ = Mix_AllocateChannels(channel + 1);
  auto player = std::make_unique<SdlWavePlayer>(*this, channel, buffer_ms);
  players_.push_back(player.get());
  return player;
}

void SdlSoundDevice::Forget(SdlWavePlayer* player) {
  players_.erase(std::remove(players_.begin(), players_.end(), player), players_.end());
}

}  // namespace mavlet
