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

}  // namespace
}  // namespace mavlet
