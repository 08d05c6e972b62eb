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

SdlSoundDevice::~SdlSoundDevice() {
  Finalize();
  for (SdlWavePlayer* p : players_) p->device_ = nullptr;
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
