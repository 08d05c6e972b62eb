#include "player/backend/sdl/sdl_sound.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "player/common/error.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

using namespace mavlet::testing;
using std::chrono::milliseconds;

TEST(SdlSoundTest, AttenuationBecomesMixerGain) {
  for (auto [att, volume] : std::vector<std::pair<int, int>>{
           {0, 128}, {500, 128}, {-600, 64}, {-2000, 13}, {-5000, 0}, {-10000, 0}, {-30000, 0}}) {
    EXPECT_EQ(MixerVolumeFromAttenuation(att), volume) << att;
  }
}

Bytes ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Bytes of interleaved 16-bit samples from `from` on that are not zero.
std::size_t LoudBytes(const Bytes& pcm, std::size_t from, std::size_t to) {
  std::size_t loud = 0;
  for (std::size_t i = from & ~std::size_t{1}; i + 1 < std::min(to, pcm.size()); i += 2) {
    if (pcm[i] != 0 || pcm[i + 1] != 0) ++loud;
  }
  return loud;
}

TEST(SdlSoundTest, DiskOutputIsLoudWhilePlayingAndSilentAfterStop) {
  TempFolder dir("sdl-disk");
  const auto raw = dir.path() / "mixed.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
  WriteFile(dir.path() / "tone.wav", SineWave(300, 44100, 2, 16));

  SdlSoundDevice device;
  device.Initialize();
  auto player = device.CreatePlayer(0, 5000);
  player->SetFileName(dir.path() / "tone.wav");
  player->SetLooping(true);
  player->SetAttenuation(0);
  player->Play();
  std::this_thread::sleep_for(milliseconds(500));
  EXPECT_TRUE(player->IsPlaying());
  player->Stop();
  EXPECT_FALSE(player->IsPlaying());
  const std::size_t at_stop = ReadAll(raw).size();
  std::this_thread::sleep_for(milliseconds(600));
  device.Finalize();
  unsetenv("SDL_DISKAUDIOFILE");

  const Bytes mixed = ReadAll(raw);
  // One second of 44.1 kHz stereo S16 is 176400 bytes; the disk driver writes in real time.
  ASSERT_GT(at_stop, 20000u);
  EXPECT_GT(LoudBytes(mixed, 0, at_stop), 5000u);
  // Allow for a few mixer buffers and stdio buffering still on their way at the stop.
  const std::size_t settled = at_stop + 48 * 1024;
  ASSERT_GT(mixed.size(), settled + 20000);
  EXPECT_EQ(LoudBytes(mixed, settled, mixed.size()), 0u);
}

TEST(SdlSoundTest, OneShotEndsNearItsLength) {
  TempFolder dir("sdl-dummy");
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  WriteFile(dir.path() / "half.wav", SineWave(500, 22050, 1, 8));
  SdlSoundDevice device;
  device.Initialize();
  auto player = device.CreatePlayer(3, 5000);
  player->SetFileName(dir.path() / "half.wav");
  const auto start = std::chrono::steady_clock::now();
  player->Play();
  while (player->IsPlaying() && std::chrono::steady_clock::now() - start < milliseconds(3000)) {
    player->Update();
    std::this_thread::sleep_for(milliseconds(5));
  }
  const auto took = std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(took, 400);
  EXPECT_LE(took, 2000);  // generous: a loaded machine delays the audio thread
}

TEST(SdlSoundTest, RefusalsAndClosedDevice) {
  TempFolder dir("sdl-refuse");
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  WriteFile(dir.path() / "bad.wav", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});
  WriteFile(dir.path() / "ok.wav", SineWave(200));
  WriteFile(dir.path() / "empty.wav", Riff({{"fmt ", PcmFormat(1, 8000, 8)}, {"data", {}}}));
  SdlSoundDevice device;
  EXPECT_THROW(device.CreatePlayer(0, 100), MavError);
  device.Initialize();
  auto player = device.CreatePlayer(1, 100);
  try {
    player->SetFileName(dir.path() / "bad.wav");
    ADD_FAILURE() << "accepted";
  } catch (const MavError& e) {
    EXPECT_THAT(e.what(), ::testing::HasSubstr("bad.wav"));
  }
  player->SetFileName(dir.path() / "empty.wav");
  player->SetLooping(true);
  player->Play();
  EXPECT_FALSE(player->IsPlaying());

  player->SetFileName(dir.path() / "ok.wav");
  player->Play();
  EXPECT_TRUE(player->IsPlaying());
  // A player outliving the device is inert, not dangling.
  device.Finalize();
  EXPECT_FALSE(player->IsPlaying());
  player->SetAttenuation(-100);
  player->Play();
  player->Rewind();
  EXPECT_THROW(player->SetFileName(dir.path() / "ok.wav"), MavError);
}

}  // namespace
}  // namespace mavlet

namespace mavlet {
namespace {

// The movie's sample stream mixes into the output, counts what the mixer took as played (never
// more than was written), allows one stream at a time and goes quiet when the device closes.
TEST(SdlSoundTest, SampleStreamPlaysWhatIsQueuedAndCountsIt) {
  TempFolder dir("sdl-stream");
  const auto raw = dir.path() / "mixed.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
  SdlSoundDevice device;
  EXPECT_THROW(device.CreateStream(), MavError);
  device.Initialize();
  auto stream = device.CreateStream();
  EXPECT_THROW(device.CreateStream(), MavError);
  ASSERT_GT(stream->Rate(), 0);
  const int channels = stream->Channels();
  // 300 ms of a loud square wave.
  const std::size_t frames = static_cast<std::size_t>(stream->Rate()) * 3 / 10;
  std::vector<std::int16_t> samples(frames * static_cast<std::size_t>(channels));
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = (i / 64) % 2 ? 12000 : -12000;
  stream->Write(samples.data(), frames);
  EXPECT_EQ(stream->Queued(), frames);
  std::this_thread::sleep_for(milliseconds(100));
  EXPECT_EQ(stream->PlayedMs(), 0u);  // not started
  stream->Play();
  const auto start = std::chrono::steady_clock::now();
  while (stream->Queued() > 0 && std::chrono::steady_clock::now() - start < milliseconds(3000)) {
    std::this_thread::sleep_for(milliseconds(10));
  }
  EXPECT_EQ(stream->Queued(), 0u);
  std::this_thread::sleep_for(milliseconds(100));
  EXPECT_EQ(stream->PlayedMs(), 300u);  // starved: stands still at what was written
  device.Finalize();
  unsetenv("SDL_DISKAUDIOFILE");
  EXPECT_GT(LoudBytes(ReadAll(raw), 0, ReadAll(raw).size()), 20000u);
  stream->Write(samples.data(), frames);  // a closed device takes nothing
  EXPECT_EQ(stream->Queued(), 0u);
  stream.reset();
  device.Initialize();
  EXPECT_NE(device.CreateStream(), nullptr);  // the old stream let go of the device
  device.Finalize();
}

}  // namespace
}  // namespace mavlet
