#include "player/media/audio_channel.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/storage/game_status.h"
#include "player/storage/packed_file.h"

namespace mavlet {
namespace {

// A running fade is stepped at most this often in one Update, however late the call comes.
constexpr int kMaxTicksPerUpdate = 100;

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(), [](char a, char b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(a) == lower(b);
  });
}

bool Due(std::uint32_t now, std::uint32_t when) { return static_cast<std::int32_t>(now - when) >= 0; }

}  // namespace

int VolumeToAttenuation(int volume) {
  const int v = std::clamp(volume, 0, 100);
  return v == 0 ? kSilentAttenuation : v * 20 - 2000;
}

TAudioChannel::TAudioChannel(SoundContext& context, std::uint8_t number)
    : context_(context), number_(number) {
  temp_file_ = context_.temp_folder / ("~mavl" + std::to_string(number_) + ".wav");
}

TAudioChannel::~TAudioChannel() {
  EndFade();
  player_.reset();
  std::error_code ignored;
  std::filesystem::remove(temp_file_, ignored);
}

void TAudioChannel::SetVolume(int volume) {
  volume_ = volume;
  if (!Fading() && player_ && player_->IsPlaying()) {
    player_->SetAttenuation(VolumeToAttenuation(volume_));
  }
}

bool TAudioChannel::IsPlaying() const { return player_ && player_->IsPlaying(); }

void TAudioChannel::Play() {
  if (!player_ && context_.sound_on) {
    try {
      player_ = context_.device.CreatePlayer(number_, std::max(context_.buffer_ms, kMinSoundBufferMs));
    } catch (const MavError& e) {
      context_.log.Warn("sound channel " + std::to_string(number_) + ": " + e.what());
    }
  }
  EndFade();
  if (!context_.sound_on) {
    if (player_) player_->Stop();
    player_.reset();
    return;
  }
  if (!player_) return;

  SoundLocation where;
  if (!file_name_.empty()) where = FindSound(context_.title, context_.archive, file_name_);
  if (where.Found() && output_enabled_) {
    player_->Stop();
    if (!OpenSound(where)) {
      player_->SetFileName({});
      return;
    }
    player_->Rewind();
    player_->SetLooping(loop_);
    player_->Update();
    if (fade_) {
      player_->SetAttenuation(kFadeInStart);
      StartFade(kFadeInStep);
    } else {
      player_->SetAttenuation(VolumeToAttenuation(volume_));
      player_->Play();
    }
    return;
  }
  if (player_->IsPlaying()) {
    if (fade_) {
      StartFade(kFadeOutStep);
    } else {
      player_->Stop();
    }
  }
}

bool TAudioChannel::OpenSound(const SoundLocation& where) {
  const std::string shown = SjisToUtf8(file_name_);
  std::filesystem::path path;
  // Archive entries are always packed, whatever their name says.
  const bool packed = !where.loose || EndsWithIgnoringCase(where.loose->filename().string(), ".PMW");
  if (packed) {
    // The player may hold the temporary file open; it is rewritten below.
    player_->SetFileName({});
    ByteBuffer wave;
    if (where.loose) {
      wave = UnpackFile(*where.loose);
    } else {
      ByteBuffer entry;
      if (!context_.archive.ReadEntry(where.entry, entry)) {
        throw MavError("sound " + shown + ": cannot read its entry in " +
                       context_.archive.FileName().string());
      }
      wave = UnpackStream(entry, "sound " + shown);
    }
    if (!WriteTempFile(wave)) return false;
    path = temp_file_;
  } else {
    path = *where.loose;
  }
  try {
    player_->SetFileName(path);
  } catch (const MavError& e) {
    throw MavError("sound " + shown + ": " + e.what());
  }
  return true;
}

bool TAudioChannel::WriteTempFile(const std::vector<std::uint8_t>& wave) {
  const std::string target = temp_file_.string();
  bool ok = false;
  int error = 0;
  if (std::FILE* f = std::fopen(target.c_str(), "wb")) {
    const std::size_t written = wave.empty() ? 0 : std::fwrite(wave.data(), 1, wave.size(), f);
    ok = written == wave.size();
    if (!ok) error = errno;
    if (std::fclose(f) != 0 && ok) {
      ok = false;
      error = errno;
    }
  } else {
    error = errno;
  }
  if (ok) return true;
  context_.log.Error("sound channel " + std::to_string(number_) + " stopped: cannot write " + target +
                     " for " + SjisToUtf8(file_name_) + " (" + std::strerror(error) + ")");
  std::error_code ignored;
  std::filesystem::remove(temp_file_, ignored);
  return false;
}

void TAudioChannel::StartFade(int step) {
  fade_step_ = step;
  // The first step comes with the next update, like a fade thread's first tick.
  next_tick_ms_ = context_.clock.NowMs();
  if (step > 0) player_->Play();
}

void TAudioChannel::FadeTick() {
  if (!player_) {
    EndFade();
    return;
  }
  const int next = player_->Attenuation() + fade_step_;
  if (fade_step_ < 1) {
    if (next > kSilentAttenuation) {
      player_->SetAttenuation(next);
    } else {
      EndFade();
      player_->Stop();
    }
    return;
  }
  const int target = VolumeToAttenuation(volume_);
  if (next >= target) {
    player_->SetAttenuation(target);
    EndFade();
  } else {
    player_->SetAttenuation(next);
  }
}

void TAudioChannel::Update() {
  if (!player_) return;
  const std::uint32_t now = context_.clock.NowMs();
  for (int i = 0; i < kMaxTicksPerUpdate && Fading() && Due(now, next_tick_ms_); ++i) {
    FadeTick();
    next_tick_ms_ += kFadeTickMs;
  }
  if (player_->IsPlaying()) {
    player_->Update();
  } else {
    // A one-shot that ended (also during a fade) leaves the channel idle.
    file_name_.clear();
    EndFade();
  }
}

void TAudioChannel::Reset() {
  file_name_.clear();
  fade_ = false;
  volume_ = 100;
  Play();
}

void TAudioChannel::SaveToStatus(TGameStatus& status) const {
  const std::string prefix = "Audio" + std::to_string(number_);
  status.WriteString(prefix + "Src", file_name_);
  status.WriteBool(prefix + "Loop", loop_);
  status.WriteInteger(prefix + "Vol", volume_);
}

void TAudioChannel::LoadFromStatus(const TGameStatus& status) {
  file_name_.clear();
  fade_ = false;
  Play();
  const std::string prefix = "Audio" + std::to_string(number_);
  file_name_ = status.ReadString(prefix + "Src", file_name_);
  loop_ = status.ReadBool(prefix + "Loop", loop_);
  SetVolume(status.ReadInteger(prefix + "Vol", volume_));
  Play();
}

}  // namespace mavlet
