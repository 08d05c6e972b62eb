#include "player/backend/headless/headless_sound.h"

#include <algorithm>

#include "player/common/error.h"
#include "player/common/ticks.h"

namespace mavlet {

HeadlessWavePlayer::HeadlessWavePlayer(HeadlessSoundDevice& device, Clock& clock, int channel,
                                       std::uint32_t buffer_ms)
    : device_(&device), clock_(clock), channel_(channel),
      buffer_ms_(std::max(buffer_ms, kMinSoundBufferMs)) {}

HeadlessWavePlayer::~HeadlessWavePlayer() {
  if (device_) device_->Forget(this);
}

void HeadlessWavePlayer::Detach() {
  playing_ = false;
  file_.clear();
  info_ = {};
  length_ms_ = 0;
  position_ms_ = 0;
}

void HeadlessWavePlayer::SetFileName(const std::filesystem::path& file) {
  Detach();
  if (file.empty()) return;
  if (!device_ || !device_->Initialized()) throw MavError(file.string() + ": the sound device is not open");
  info_ = ReadWaveInfo(file);
  file_ = file;
  length_ms_ = info_.DurationMs();
  ++opens_;
}

void HeadlessWavePlayer::Advance() {
  if (!playing_) return;
  const std::uint32_t now = clock_.NowMs();
  position_ms_ += TicksSince(now, since_ms_);
  since_ms_ = now;
  if (looping_) {
    if (length_ms_ > 0) position_ms_ %= length_ms_;
  } else if (position_ms_ >= length_ms_) {
    position_ms_ = length_ms_;
    playing_ = false;
  }
}

void HeadlessWavePlayer::Rewind() {
  Advance();
  position_ms_ = 0;
}

void HeadlessWavePlayer::SetLooping(bool looping) {
  Advance();
  looping_ = looping;
}

void HeadlessWavePlayer::Update() {
  Advance();
  ++updates_;
}

void HeadlessWavePlayer::Play() {
  Advance();
  // Nothing to play: no file, or data that ends before it starts.
  if (file_.empty() || length_ms_ == 0 || playing_) return;
  if (!looping_ && position_ms_ >= length_ms_) return;
  playing_ = true;
  since_ms_ = clock_.NowMs();
}

void HeadlessWavePlayer::Stop() {
  Advance();
  playing_ = false;
}

bool HeadlessWavePlayer::IsPlaying() {
  Advance();
  return playing_;
}

std::uint64_t HeadlessWavePlayer::PositionMs() {
  Advance();
  return position_ms_;
}

void HeadlessWavePlayer::SetAttenuation(int hundredths_db) {
  attenuation_ = std::clamp(hundredths_db, kSilentAttenuation, kFullAttenuation);
}

HeadlessPcmStream::HeadlessPcmStream(HeadlessSoundDevice& device, Clock& clock, int rate, int channels)
    : device_(&device), clock_(clock), rate_(rate), channels_(channels) {}

HeadlessPcmStream::~HeadlessPcmStream() {
  if (device_ != nullptr) device_->stream_ = nullptr;
}

void HeadlessPcmStream::Detach() {
  Advance();
  playing_ = false;
  written_ = played_;
}

void HeadlessPcmStream::Advance() {
  if (!playing_) return;
  const std::uint32_t now = clock_.NowMs();
  remainder_ += static_cast<std::uint64_t>(TicksSince(now, since_ms_)) * static_cast<std::uint64_t>(rate_);
  since_ms_ = now;
  const std::uint64_t frames = remainder_ / 1000;
  remainder_ %= 1000;
  // A starved stream stands still: time without samples is not played.
  played_ = std::min(written_, played_ + frames);
}

void HeadlessPcmStream::Write(const std::int16_t* /*samples*/, std::size_t frames) {
  Advance();
  if (device_ == nullptr || !device_->Initialized()) return;
  if (played_ == written_) {
    // Starved (or new): the clock counts from now, not from when the queue ran dry.
    since_ms_ = clock_.NowMs();
    remainder_ = 0;
  }
  written_ += frames;
}

std::size_t HeadlessPcmStream::Queued() {
  Advance();
  return static_cast<std::size_t>(written_ - played_);
}

void HeadlessPcmStream::Play() {
  Advance();
  if (playing_ || device_ == nullptr || !device_->Initialized()) return;
  playing_ = true;
  since_ms_ = clock_.NowMs();
}

void HeadlessPcmStream::Stop() {
  Advance();
  playing_ = false;
}

std::uint64_t HeadlessPcmStream::PlayedFrames() {
  Advance();
  return played_;
}

std::uint64_t HeadlessPcmStream::PlayedMs() {
  return PlayedFrames() * 1000 / static_cast<std::uint64_t>(rate_);
}

void HeadlessPcmStream::SetAttenuation(int hundredths_db) {
  attenuation_ = std::clamp(hundredths_db, kSilentAttenuation, kFullAttenuation);
}

HeadlessSoundDevice::~HeadlessSoundDevice() {
  for (HeadlessWavePlayer* p : players_) p->device_ = nullptr;
  if (stream_ != nullptr) stream_->device_ = nullptr;
}

std::unique_ptr<PcmStream> HeadlessSoundDevice::CreateStream() {
  if (!initialized_) throw MavError("sound stream requested while the sound device is closed");
  if (stream_ != nullptr) throw MavError("a second sound stream was requested while one plays");
  auto stream = std::make_unique<HeadlessPcmStream>(*this, clock_, 44100, 2);
  stream_ = stream.get();
  return stream;
}

void HeadlessSoundDevice::Initialize() {
  if (initialized_) return;
  if (fail_initialize_) throw MavError("no sound output available");
  initialized_ = true;
  ++initializations_;
}

void HeadlessSoundDevice::Finalize() {
  if (!initialized_) return;
  for (HeadlessWavePlayer* p : players_) p->Detach();
  if (stream_ != nullptr) stream_->Detach();
  initialized_ = false;
  ++finalizations_;
}

std::unique_ptr<WavePlayer> HeadlessSoundDevice::CreatePlayer(int channel, std::uint32_t buffer_ms) {
  if (!initialized_) throw MavError("sound player requested while the sound device is closed");
  auto player = std::make_unique<HeadlessWavePlayer>(*this, clock_, channel, buffer_ms);
  players_.push_back(player.get());
  return player;
}

HeadlessWavePlayer* HeadlessSoundDevice::Player(int channel) const {
  for (auto it = players_.rbegin(); it != players_.rend(); ++it) {
    if ((*it)->Channel() == channel) return *it;
  }
  return nullptr;
}

void HeadlessSoundDevice::Forget(HeadlessWavePlayer* player) {
  players_.erase(std::remove(players_.begin(), players_.end(), player), players_.end());
}

}  // namespace mavlet
