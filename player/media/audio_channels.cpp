#include "player/media/audio_channels.h"

#include <algorithm>
#include <exception>
#include <string>

#include "player/common/error.h"

namespace mavlet {
namespace {

std::filesystem::path TempFolderOf(const TitleFiles& title) {
  if (title.files) return title.files->TempFolder();
  std::error_code ignored;
  return std::filesystem::temp_directory_path(ignored);
}

}  // namespace

AudioChannels::AudioChannels(SoundDevice& device, Clock& clock, Log& log, TitleFiles title,
                             SoundSettings settings)
    : settings_(settings),
      context_{device, clock, log, title, TBigFileUnit{}, TempFolderOf(title),
               static_cast<std::uint32_t>(std::max<std::int32_t>(settings.buffer_ms, kMinSoundBufferMs)),
               false, settings.background_unpack} {
  for (int k = 0; k < kCount; ++k) {
    channels_[k] = std::make_unique<AudioChannel>(context_, static_cast<std::uint8_t>(k));
  }
}

AudioChannels::~AudioChannels() {
  for (auto& channel : channels_) channel.reset();
  if (opened_device_ && context_.device.Initialized()) {
    try {
      context_.device.Finalize();
    } catch (const std::exception&) {
      // Shutting down: nothing left to tell.
    }
  }
}

AudioChannel& AudioChannels::Channel(int k) {
  if (k < 0 || k >= kCount) throw MavError("audio channel " + std::to_string(k) + " does not exist");
  return *channels_[k];
}

const AudioChannel& AudioChannels::Channel(int k) const { return const_cast<AudioChannels*>(this)->Channel(k); }

template <typename Op>
void AudioChannels::ForEachChannel(Op op) {
  std::exception_ptr first;
  for (auto& channel : channels_) {
    try {
      op(*channel);
    } catch (const MavError& e) {
      // The first error reaches the caller; later ones would be lost otherwise.
      if (first) {
        context_.log.Error(e.what());
      } else {
        first = std::current_exception();
      }
    }
  }
  if (first) std::rethrow_exception(first);
}

void AudioChannels::SetSoundOn(bool on) {
  if (on == context_.sound_on) return;
  if (!settings_.has_sound) on = false;
  if (on) {
    if (!context_.device.Initialized()) {
      try {
        context_.device.Initialize();
        opened_device_ = true;
      } catch (const std::exception& e) {
        context_.log.Info(std::string("sound stays off: ") + e.what());
        return;
      }
    }
    context_.sound_on = true;
    ForEachChannel([](AudioChannel& c) { c.Play(); });
    return;
  }
  context_.sound_on = false;
  // Switching off cannot fail per channel: Play only drops the player.
  ForEachChannel([](AudioChannel& c) { c.Play(); });
  if (context_.device.Initialized()) {
    try {
      context_.device.Finalize();
    } catch (const std::exception& e) {
      context_.log.Info(std::string("closing the sound device: ") + e.what());
    }
  }
  opened_device_ = false;
}

void AudioChannels::UpdateAudio() {
  ForEachChannel([](AudioChannel& c) { c.Update(); });
}

void AudioChannels::SaveToStatus(TGameStatus& status) const {
  for (const auto& channel : channels_) channel->SaveToStatus(status);
}

void AudioChannels::LoadFromStatus(const TGameStatus& status) {
  ForEachChannel([&status](AudioChannel& c) { c.LoadFromStatus(status); });
}

void AudioChannels::ResetAll() {
  ForEachChannel([](AudioChannel& c) { c.Reset(); });
}

}  // namespace mavlet
