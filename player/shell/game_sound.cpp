#include "player/shell/game_sound.h"

#include <string>

#include "player/backend/sound_device.h"
#include "player/common/error.h"
#include "player/common/log.h"
#include "player/shell/game_screen.h"
#include "player/vars/system_value_host.h"

namespace mavlet {

GameSound::GameSound(SoundServices sound, SoundOptions options, GameScreen& screen)
    : sound_(sound), options_(options), screen_(screen) {
  if (sound_.device == nullptr || sound_.clock == nullptr || sound_.log == nullptr)
    throw MavError("the game system needs a sound device, a clock and a log (a silent device will do)");
}

GameSound::~GameSound() {
  movie_sound_.reset();
  // The channels go first: they close the device they opened and delete their temporary files.
  audio_.reset();
}

AudioChannels& GameSound::Audio() {
  TitleFiles title;
  if (engine_ != nullptr) title = TitleFiles{engine_->TitleFolder(), engine_->Files()};
  if (!audio_) {
    SoundSettings settings;
    settings.has_sound = options_.has_sound;
    settings.buffer_ms = options_.sound_buffer;
    settings.background_unpack = options_.background_unpack;
    audio_ = std::make_unique<AudioChannels>(*sound_.device, *sound_.clock, *sound_.log, title, settings);
  } else if (audio_->Title().base != title.base || audio_->Title().files != title.files) {
    audio_->SetTitle(title);
  }
  return *audio_;
}

void GameSound::SetSoundOn(bool on) { Audio().SetSoundOn(on); }

bool GameSound::IsSoundOn() const { return audio_ && audio_->SoundOn(); }

AudioChannel* GameSound::Channel(int k) {
  if (k < 0 || k >= AudioChannels::kCount) return nullptr;
  return &Audio().Channel(k);
}

bool GameSound::ChannelEnabled(int k) {
  AudioChannel* c = Channel(k);
  return c != nullptr && c->OutputEnabled();
}

void GameSound::SetChannelEnabled(int k, bool on) {
  if (AudioChannel* c = Channel(k)) c->SetOutputEnabled(on);
}

void GameSound::UpdateAudio() {
  if (audio_) audio_->UpdateAudio();
}

PcmStream* GameSound::StartMovieSound(std::string_view name) {
  StopMovieSound();
  SoundDevice* device = sound_.device;
  if (!IsSoundOn() || device == nullptr || !device->Initialized()) return nullptr;
  try {
    movie_sound_ = device->CreateStream();
  } catch (const MavError& e) {
    if (sound_.log != nullptr) sound_.log->Warn(std::string("movie sound: ") + e.what());
    return nullptr;
  }
  movie_sound_name_ = std::string(name);
  return movie_sound_.get();
}

void GameSound::StopMovieSound() {
  movie_sound_.reset();
  movie_sound_name_.clear();
}

Surface* GameSound::MovieScreen() { return screen_.ScreenSurface(); }

void GameSound::PrepareMovieScreen() { screen_.PrepareMovieScreen(); }

void GameSound::PresentMovieFrame(const Rect& rect) { screen_.PresentMovieFrame(rect); }

void GameSound::EndMovieFrames() { screen_.EndMovieFrames(); }

}  // namespace mavlet
