#include "player/backend/headless/headless_sound.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "player/backend/headless/headless_clock.h"
#include "player/common/error.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

using namespace mavlet::testing;

class HeadlessSoundTest : public ::testing::Test {
 protected:
  HeadlessSoundTest() : device(clock) {
    WriteFile(dir.path() / "half.wav", SineWave(500));
    device.Initialize();
  }
  std::unique_ptr<WavePlayer> Open(const char* name, std::uint32_t start_ms = 0) {
    clock.Set(start_ms);
    auto player = device.CreatePlayer(1, 5000);
    player->SetFileName(dir.path() / name);
    return player;
  }

  TempFolder dir{"headless"};
  HeadlessClock clock;
  HeadlessSoundDevice device;
};

TEST_F(HeadlessSoundTest, OneShotEndsOnTimeEvenAcrossClockWrap) {
  for (std::uint32_t start : {0u, 0xFFFFFF00u}) {
    SCOPED_TRACE(start);
    auto player = Open("half.wav", start);
    auto* headless = device.Player(1);
    ASSERT_EQ(headless, player.get());
    EXPECT_EQ(headless->LengthMs(), 500u);
    player->Play();
    clock.Advance(499);
    EXPECT_TRUE(player->IsPlaying());
    clock.Advance(1);
    EXPECT_FALSE(player->IsPlaying());
    EXPECT_EQ(headless->PositionMs(), 500u);
    // At its end a one-shot does not start again until rewound.
    player->Play();
    EXPECT_FALSE(player->IsPlaying());
    player->Rewind();
    player->Play();
    EXPECT_TRUE(player->IsPlaying());
  }
}

TEST_F(HeadlessSoundTest, LoopWrapsAndStopKeepsThePosition) {
  auto player = Open("half.wav");
  auto* headless = device.Player(1);
  player->SetLooping(true);
  player->Play();
  clock.Advance(1250);
  EXPECT_TRUE(player->IsPlaying());
  EXPECT_EQ(headless->PositionMs(), 250u);
  player->Stop();
  clock.Advance(1000);
  EXPECT_EQ(headless->PositionMs(), 250u);
  // Resumed as a one-shot it plays out the rest.
  player->SetLooping(false);
  player->Play();
  clock.Advance(249);
  EXPECT_TRUE(player->IsPlaying());
  clock.Advance(1);
  EXPECT_FALSE(player->IsPlaying());
}

TEST_F(HeadlessSoundTest, AttenuationIsClamped) {
  auto player = Open("half.wav");
  for (auto [set, got] : std::vector<std::pair<int, int>>{{-1980, -1980}, {5, 0}, {-20000, -10000}, {0, 0}}) {
    player->SetAttenuation(set);
    EXPECT_EQ(player->Attenuation(), got);
  }
}

TEST_F(HeadlessSoundTest, DamagedOrEmptyFilesPlayNothing) {
  WriteFile(dir.path() / "bad.wav", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});
  WriteFile(dir.path() / "empty.wav", Riff({{"fmt ", PcmFormat(1, 8000, 8)}, {"data", {}}}));
  auto player = Open("half.wav");
  EXPECT_THROW(player->SetFileName(dir.path() / "bad.wav"), MavError);
  EXPECT_TRUE(player->FileName().empty());
  player->Play();
  EXPECT_FALSE(player->IsPlaying());

  player->SetFileName(dir.path() / "empty.wav");
  player->SetLooping(true);
  player->Play();
  EXPECT_FALSE(player->IsPlaying());
}

TEST_F(HeadlessSoundTest, DeviceLifecycle) {
  HeadlessSoundDevice other(clock);
  EXPECT_THROW(other.CreatePlayer(0, 100), MavError);
  other.SetFailInitialize(true);
  EXPECT_THROW(other.Initialize(), MavError);
  EXPECT_FALSE(other.Initialized());

  auto player = Open("half.wav");
  player->Play();
  device.Finalize();
  EXPECT_FALSE(player->IsPlaying());
  EXPECT_TRUE(player->FileName().empty());
  EXPECT_THROW(player->SetFileName(dir.path() / "half.wav"), MavError);
  player.reset();
  EXPECT_EQ(device.LivePlayers(), 0u);
  // Buffer lengths below the minimum are raised to it.
  device.Initialize();
  auto tiny = device.CreatePlayer(2, 1);
  EXPECT_EQ(device.Player(2)->BufferMs(), kMinSoundBufferMs);
}

// The sample stream follows the clock at its rate, stands still while stopped or starved (and
// starts counting again from the next write, not from when it ran dry), and goes silent with
// the device; only one lives at a time.
TEST_F(HeadlessSoundTest, SampleStreamPlaysQueuedFramesOnTheClock) {
  clock.Set(0xFFFFFF00u);  // across the clock's wrap
  auto stream = device.CreateStream();
  EXPECT_THROW(device.CreateStream(), MavError);
  const std::vector<std::int16_t> samples(44100 * 2 / 2);  // half a second of stereo
  stream->Write(samples.data(), 22050);
  clock.Advance(100);
  EXPECT_EQ(stream->PlayedMs(), 0u);  // not started
  stream->Play();
  struct Step {
    std::uint32_t advance_ms;
    std::uint64_t played_ms;
    std::size_t queued;
  };
  for (const Step& s : {Step{100, 100, 17640}, Step{250, 350, 6615}, Step{400, 500, 0}, Step{1000, 500, 0}}) {
    clock.Advance(s.advance_ms);
    EXPECT_EQ(stream->PlayedMs(), s.played_ms) << s.advance_ms;
    EXPECT_EQ(stream->Queued(), s.queued) << s.advance_ms;
  }
  stream->Write(samples.data(), 4410);
  clock.Advance(50);
  EXPECT_EQ(stream->PlayedMs(), 550u);
  stream->Stop();
  clock.Advance(500);
  EXPECT_EQ(stream->PlayedMs(), 550u);
  EXPECT_EQ(stream->Queued(), 2205u);
  device.Finalize();
  EXPECT_EQ(stream->Queued(), 0u);
  EXPECT_FALSE(stream->Playing());
  stream.reset();
  device.Initialize();
  EXPECT_NE(device.CreateStream(), nullptr);
}

}  // namespace
}  // namespace mavlet
