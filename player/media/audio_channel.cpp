#include "player/media/audio_channel.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <system_error>

#include "player/common/ascii_case.h"
#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/storage/game_status.h"
#include "player/storage/packed_file.h"
#include "player/common/ticks.h"

namespace mavlet {
namespace {

// A running fade is stepped at most this often in one Update, however late the call comes.
constexpr int kMaxTicksPerUpdate = 100;
// Cancelled unpacks left running at once; beyond this a request waits for the oldest (cancelled,
// it ends at its next inflate step).
constexpr std::size_t kMaxAbandoned = 8;

// Archive entries are always packed, whatever their name says.
bool IsPacked(const SoundLocation& where) {
  return !where.loose || EndsWithIgnoreAsciiCaseBytes(where.loose->filename().string(), ".PMW");
}

// Replaces target with the bytes. Returns why it failed (the file is then removed), else "".
std::string WriteWhole(const std::filesystem::path& target, const std::vector<std::uint8_t>& bytes) {
  bool ok = false;
  int error = 0;
  if (std::FILE* f = std::fopen(target.c_str(), "wb")) {
    const std::size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), f);
    ok = written == bytes.size();
    if (!ok) error = errno;
    if (std::fclose(f) != 0 && ok) {
      ok = false;
      error = errno;
    }
  } else {
    error = errno;
  }
  if (ok) return {};
  std::error_code ignored;
  std::filesystem::remove(target, ignored);
  // Thread-safe text of the error: this may run on the worker.
  return "cannot write " + target.string() + " (" + std::generic_category().message(error) + ")";
}

// Unpacks a packed sound (a loose file, or entry `entry` of archive) into target. Touches nothing
// but its arguments, so it may run on a worker thread with copies of them. Returns WriteWhole's
// failure text; throws MavError naming the sound when it is damaged. When stop is signalled it
// throws UnpackCancelled and leaves no target behind.
std::string UnpackSoundTo(const std::optional<std::filesystem::path>& loose, const TBigFileUnit& archive, int entry,
                          const std::string& shown, const std::filesystem::path& target, const StopToken& stop = {}) {
  ByteBuffer wave;
  if (loose) {
    wave = UnpackFile(*loose, stop);
  } else {
    ByteBuffer packed;
    if (!archive.ReadEntry(entry, packed)) {
      throw MavError("sound " + shown + ": cannot read its entry in " + archive.FileName().string());
    }
    wave = UnpackStream(packed, "sound " + shown, kMaxUnpackedSize, stop);
  }
  const auto cancelled = [&] { return UnpackCancelled("sound " + shown + ": unpacking cancelled"); };
  if (stop.StopRequested()) throw cancelled();
  std::string failure = WriteWhole(target, wave);
  if (stop.StopRequested()) {
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    throw cancelled();
  }
  return failure;
}

}  // namespace

int VolumeToAttenuation(int volume) {
  const int v = std::clamp(volume, 0, 100);
  return v == 0 ? kSilentAttenuation : v * 20 - 2000;
}

AudioChannel::AudioChannel(SoundContext& context, std::uint8_t number) : context_(context), number_(number) {
  temp_file_ = context_.temp_folder / ("~mavl" + std::to_string(number_) + ".wav");
}

AudioChannel::~AudioChannel() {
  AbandonUnpacking();
  ReapAbandoned(true);
  EndFade();
  player_.reset();
  std::error_code ignored;
  std::filesystem::remove(temp_file_, ignored);
}

void AudioChannel::SetVolume(int volume) {
  volume_ = volume;
  if (!Fading() && player_ && player_->IsPlaying()) {
    player_->SetAttenuation(VolumeToAttenuation(volume_));
  }
}

bool AudioChannel::IsPlaying() const { return unpacking_.has_value() || (player_ && player_->IsPlaying()); }

void AudioChannel::AbandonUnpacking() {
  if (!unpacking_) return;
  unpacking_->stop.RequestStop();
  abandoned_.push_back(std::move(*unpacking_));
  unpacking_.reset();
  if (abandoned_.size() > kMaxAbandoned) {
    // Bounded: wait for the oldest, which stops at its next inflate step.
    abandoned_.front().result.wait();
  }
  ReapAbandoned(false);
}

void AudioChannel::ReapAbandoned(bool wait) {
  std::erase_if(abandoned_, [wait](Unpack& u) {
    if (!wait && u.result.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return false;
    try {
      u.result.get();
    } catch (const std::exception&) {
      // Superseded: nobody asked for this sound any more.
    }
    // A worker that finished before it saw the stop leaves its file; it is never played.
    std::error_code ignored;
    std::filesystem::remove(u.part, ignored);
    return true;
  });
}

void AudioChannel::FinishUnpacking() {
  Unpack done = std::move(*unpacking_);
  unpacking_.reset();
  std::string failure;
  try {
    failure = done.result.get();
  } catch (const MavError&) {
    player_->SetFileName({});
    throw;
  }
  if (failure.empty()) {
    // Only this thread names the temporary file, so a superseded worker can never replace it.
    std::error_code ec;
    std::filesystem::rename(done.part, temp_file_, ec);
    if (ec) {
      failure = "cannot write " + temp_file_.string() + " (" + ec.message() + ")";
      std::filesystem::remove(done.part, ec);
    }
  }
  if (!TempWritten(failure)) return;
  OpenAndStart(temp_file_, unpacking_name_);
}

void AudioChannel::Play() {
  // Whatever was being unpacked is replaced by this request.
  AbandonUnpacking();
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
    if (context_.background_unpack && IsPacked(where)) {
      // The player may hold the temporary file open; the worker rewrites it.
      player_->SetFileName({});
      unpacking_name_ = SjisToUtf8(file_name_);
      try {
        Unpack work;
        work.part = temp_file_;
        work.part += "." + std::to_string(++unpack_serial_) + ".part";
        work.result =
            std::async(std::launch::async, [loose = where.loose, archive = context_.archive, entry = where.entry,
                                            shown = unpacking_name_, target = work.part, stop = work.stop.Token()] {
              return UnpackSoundTo(loose, archive, entry, shown, target, stop);
            });
        unpacking_ = std::move(work);
        return;
      } catch (const std::system_error&) {
        // No thread to be had: unpack here instead. (With libc++ the failed start waits for the
        // task for ever before this is reached, so builds without threads turn background_unpack off.)
      }
    }
    if (!OpenSound(where)) {
      player_->SetFileName({});
      return;
    }
    Start();
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

bool AudioChannel::OpenSound(const SoundLocation& where) {
  const std::string shown = SjisToUtf8(file_name_);
  std::filesystem::path path;
  if (IsPacked(where)) {
    // The player may hold the temporary file open; it is rewritten below.
    player_->SetFileName({});
    if (!TempWritten(UnpackSoundTo(where.loose, context_.archive, where.entry, shown, temp_file_))) return false;
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

void AudioChannel::OpenAndStart(const std::filesystem::path& wave, const std::string& shown) {
  try {
    player_->SetFileName(wave);
  } catch (const MavError& e) {
    throw MavError("sound " + shown + ": " + e.what());
  }
  Start();
}

void AudioChannel::Start() {
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
}

bool AudioChannel::TempWritten(const std::string& failure) {
  if (failure.empty()) return true;
  context_.log.Error("sound channel " + std::to_string(number_) + " stopped: " + failure + " for " +
                     SjisToUtf8(file_name_));
  return false;
}

void AudioChannel::StartFade(int step) {
  fade_step_ = step;
  // The first step comes with the next update, like a fade thread's first tick.
  next_tick_ms_ = context_.clock.NowMs();
  if (step > 0) player_->Play();
}

void AudioChannel::FadeTick() {
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

void AudioChannel::Update() {
  if (!abandoned_.empty()) ReapAbandoned(false);
  if (!player_) return;
  if (unpacking_) {
    if (unpacking_->result.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;
    FinishUnpacking();
  }
  const std::uint32_t now = context_.clock.NowMs();
  for (int i = 0; i < kMaxTicksPerUpdate && Fading() && TickReached(now, next_tick_ms_); ++i) {
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

void AudioChannel::Reset() {
  file_name_.clear();
  fade_ = false;
  volume_ = 100;
  Play();
}

void AudioChannel::SaveToStatus(TGameStatus& status) const {
  const std::string prefix = "Audio" + std::to_string(number_);
  status.WriteString(prefix + "Src", file_name_);
  status.WriteBool(prefix + "Loop", loop_);
  status.WriteInteger(prefix + "Vol", volume_);
}

void AudioChannel::LoadFromStatus(const TGameStatus& status) {
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
