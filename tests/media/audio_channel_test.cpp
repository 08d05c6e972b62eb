#include "player/media/audio_channel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "player/backend/headless/headless_clock.h"
#include "player/backend/headless/headless_sound.h"
#include "player/common/error.h"
#include "player/media/audio_channels.h"
#include "player/storage/big_file_unit.h"
#include "player/storage/game_status.h"
#include "player/storage/packed_file.h"
#include "tests/support/fake_files.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

using ::testing::HasSubstr;
using namespace mavlet::testing;

class AudioChannelTest : public ::testing::Test {
 protected:
  AudioChannelTest() : files(dir.path() / "tmp"), device(clock) {
    std::filesystem::create_directories(dir.path() / "tmp");
    const std::filesystem::path wav = dir.path() / "title" / "WAV";
    WriteFile(wav / "SE.WAV", SineWave(500));
    WriteFile(wav / "BGM.PMW", Pack(SineWave(1000)));
    WriteFile(wav / "BAD.PMW", Bytes{1, 2, 3, 4, 5});
    WriteFile(wav / "NOTWAVE.PMW", Pack(Bytes(64, 'x')));
    WriteBigFileUnit(wav / "Data1.PMW", {{"ARC.PMW", SineWave(800)}, {"ONLYARC.WAV", SineWave(800)}});
    MakeChannels();
  }
  static Bytes Pack(const Bytes& b) { return PackBuffer(b); }
  void MakeChannels(SoundSettings settings = {}) {
    channels.reset();
    channels = std::make_unique<AudioChannels>(device, clock, log, TitleFiles{dir.path() / "title", &files}, settings);
  }
  AudioChannel& Ch(int k) { return channels->Channel(k); }
  HeadlessWavePlayer* Player(int k) { return device.Player(k); }
  void Start(int k, const std::string& name, bool loop = false, bool fade = false) {
    Ch(k).SetFileName(name);
    Ch(k).SetLoop(loop);
    Ch(k).SetFade(fade);
    Ch(k).Play();
  }
  // Frame loop: one update every 10 ms.
  void Run(std::uint32_t ms) {
    for (std::uint32_t t = 0; t < ms; t += 10) {
      clock.Advance(10);
      channels->UpdateAudio();
    }
  }

  TempFolder dir{"audio"};
  FakeFiles files;
  HeadlessClock clock{1000};
  HeadlessSoundDevice device;
  MemoryLog log;
  std::unique_ptr<AudioChannels> channels;
};

TEST(VolumeToAttenuationTest, MapsVolumeToHundredthsOfDecibel) {
  for (auto [volume, expected] : std::vector<std::pair<int, int>>{
           {100, 0}, {50, -1000}, {1, -1980}, {0, -10000}, {-5, -10000}, {150, 0}, {INT_MAX, 0}, {INT_MIN, -10000}}) {
    EXPECT_EQ(VolumeToAttenuation(volume), expected) << volume;
  }
}

TEST_F(AudioChannelTest, PlaysLooseArchivedAndPackedSoundsFromTheRightFile) {
  channels->SetSoundOn(true);
  Start(0, "SE.WAV");
  Start(1, "BGM.PMW");
  Start(2, "ARC.PMW");
  Start(3, "arc.pmw");  // archive names match ignoring case
  EXPECT_EQ(Player(0)->FileName(), dir.path() / "title" / "WAV" / "SE.WAV");
  for (int k = 1; k <= 3; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(Player(k)->FileName(), dir.path() / "tmp" / ("~mavl" + std::to_string(k) + ".wav"));
    EXPECT_TRUE(std::filesystem::exists(Ch(k).TempFile()));
  }
  EXPECT_EQ(Player(1)->LengthMs(), 1000u);
  EXPECT_EQ(Player(2)->LengthMs(), 800u);
  for (int k = 0; k < 4; ++k) {
    EXPECT_TRUE(Ch(k).IsPlaying()) << k;
    EXPECT_EQ(Player(k)->Attenuation(), 0);
    EXPECT_EQ(Player(k)->BufferMs(), 5000u);
  }
}

TEST_F(AudioChannelTest, OneShotClearsItsNameWhenItEndsAndLoopKeepsPlaying) {
  channels->SetSoundOn(true);
  Start(0, "SE.WAV");
  Start(1, "SE.WAV", /*loop=*/true);
  Run(490);
  EXPECT_EQ(Ch(0).FileName(), "SE.WAV");
  Run(20);
  EXPECT_FALSE(Ch(0).IsPlaying());
  EXPECT_EQ(Ch(0).FileName(), "");
  Run(5000);
  EXPECT_TRUE(Ch(1).IsPlaying());
  EXPECT_EQ(Ch(1).FileName(), "SE.WAV");
}

TEST_F(AudioChannelTest, FadeInRisesFromMinus5000To100MsTicksUntilTheVolume) {
  channels->SetSoundOn(true);
  // volume, ticks until the target: ceil((target + 5000) / 400)
  for (auto [volume, ticks] : std::vector<std::pair<int, int>>{{100, 13}, {50, 10}, {1, 8}, {0, 1}}) {
    SCOPED_TRACE(volume);
    Ch(0).SetVolume(volume);
    Start(0, "BGM.PMW", true, true);
    EXPECT_TRUE(Ch(0).IsPlaying());
    EXPECT_EQ(Player(0)->Attenuation(), -5000);
    channels->UpdateAudio();  // first tick at once
    EXPECT_EQ(Player(0)->Attenuation(), ticks == 1 ? -10000 : -4600);
    if (ticks > 1) {
      clock.Advance(100 * (ticks - 1) - 1);
      channels->UpdateAudio();
      EXPECT_TRUE(Ch(0).Fading());
      EXPECT_LT(Player(0)->Attenuation(), VolumeToAttenuation(volume));
      clock.Advance(1);
      channels->UpdateAudio();
    }
    EXPECT_FALSE(Ch(0).Fading());
    EXPECT_EQ(Player(0)->Attenuation(), VolumeToAttenuation(volume));
  }
}

TEST_F(AudioChannelTest, FadeOutTakes25TicksThenStops) {
  channels->SetSoundOn(true);
  Start(0, "BGM.PMW", true);
  Start(0, "", true, true);
  EXPECT_TRUE(Ch(0).Fading());
  channels->UpdateAudio();
  EXPECT_EQ(Player(0)->Attenuation(), -400);
  clock.Advance(2399);
  channels->UpdateAudio();
  EXPECT_TRUE(Ch(0).IsPlaying());
  EXPECT_EQ(Player(0)->Attenuation(), -9600);
  clock.Advance(1);
  channels->UpdateAudio();
  EXPECT_FALSE(Ch(0).IsPlaying());
  EXPECT_FALSE(Ch(0).Fading());
}

TEST_F(AudioChannelTest, NewSoundDuringAFadeOutEndsTheFadeFirst) {
  channels->SetSoundOn(true);
  Start(0, "BGM.PMW", true);
  Start(0, "", true, true);
  Run(1000);
  Start(0, "SE.WAV", true, false);
  EXPECT_FALSE(Ch(0).Fading());
  EXPECT_EQ(Player(0)->Attenuation(), 0);
  Run(5000);
  EXPECT_TRUE(Ch(0).IsPlaying());
  EXPECT_EQ(Player(0)->Attenuation(), 0);
}

TEST_F(AudioChannelTest, SoundEndingDuringAFadeLeavesTheChannelIdle) {
  channels->SetSoundOn(true);
  // Ends while fading in (500 ms sound, 1.2 s fade) and while fading out.
  Start(0, "SE.WAV", false, true);
  Start(1, "SE.WAV");
  Run(300);
  Start(1, "", false, true);
  Run(250);
  for (int k : {0, 1}) {
    EXPECT_FALSE(Ch(k).IsPlaying()) << k;
    EXPECT_FALSE(Ch(k).Fading()) << k;
    EXPECT_EQ(Ch(k).FileName(), "") << k;
  }
  Run(3000);
  Start(1, "SE.WAV");
  EXPECT_TRUE(Ch(1).IsPlaying());
}

TEST_F(AudioChannelTest, DestroyingChannelsDuringAFadeStopsCleanly) {
  channels->SetSoundOn(true);
  Start(0, "BGM.PMW", true);
  Start(1, "BGM.PMW", true, true);
  Start(0, "", true, true);
  Run(300);
  const auto temp = Ch(1).TempFile();
  ASSERT_TRUE(std::filesystem::exists(temp));
  channels.reset();
  EXPECT_EQ(device.LivePlayers(), 0u);
  EXPECT_FALSE(std::filesystem::exists(temp));
  EXPECT_FALSE(device.Initialized());
}

TEST_F(AudioChannelTest, OutputSwitchOffStopsTheChannelThoughTheFileExists) {
  channels->SetSoundOn(true);
  Start(0, "BGM.PMW", true);
  channels->SetChannelEnabled(0, false);
  EXPECT_FALSE(channels->ChannelEnabled(0));
  Ch(0).Play();
  EXPECT_FALSE(Ch(0).IsPlaying());
  channels->UpdateAudio();
  EXPECT_EQ(Ch(0).FileName(), "");
  // With fade on it fades out instead, keeping the name until it has stopped.
  channels->SetChannelEnabled(1, true);
  Start(1, "BGM.PMW", true);
  channels->SetChannelEnabled(1, false);
  Ch(1).SetFade(true);
  Ch(1).Play();
  Run(1000);
  EXPECT_TRUE(Ch(1).IsPlaying());
  EXPECT_EQ(Ch(1).FileName(), "BGM.PMW");
  Run(2000);
  EXPECT_EQ(Ch(1).FileName(), "");
  channels->SetChannelEnabled(0, true);
  Start(0, "BGM.PMW", true);
  EXPECT_TRUE(Ch(0).IsPlaying());
}

TEST_F(AudioChannelTest, SoundOffDropsPlayersAndSoundOnRestartsNamedChannels) {
  Start(0, "BGM.PMW", true);  // sound still off: only the settings are kept
  EXPECT_EQ(Ch(0).Player(), nullptr);
  EXPECT_FALSE(device.Initialized());
  channels->SetSoundOn(true);
  EXPECT_TRUE(Ch(0).IsPlaying());
  Start(1, "SE.WAV", true, true);
  Start(2, "BGM.PMW", true);
  Start(2, "", true, true);
  channels->UpdateAudio();
  channels->SetSoundOn(false);  // also while channel 1 fades in and channel 2 fades out
  EXPECT_FALSE(Ch(2).Fading());
  EXPECT_EQ(device.LivePlayers(), 0u);
  EXPECT_FALSE(device.Initialized());
  EXPECT_EQ(Ch(0).FileName(), "BGM.PMW");
  Run(100);
  channels->SetSoundOn(true);
  EXPECT_TRUE(Ch(0).IsPlaying());
  EXPECT_TRUE(Ch(1).IsPlaying());
  EXPECT_EQ(device.Initializations(), 2);
  EXPECT_EQ(device.Finalizations(), 1);
}

TEST_F(AudioChannelTest, SoundStaysOffWithoutHasSoundOrADevice) {
  MakeChannels({.has_sound = false, .buffer_ms = 5000});
  channels->SetSoundOn(true);
  EXPECT_FALSE(channels->SoundOn());
  EXPECT_EQ(device.Initializations(), 0);

  MakeChannels({.has_sound = true, .buffer_ms = 3});
  device.SetFailInitialize(true);
  Start(0, "BGM.PMW", true);
  channels->SetSoundOn(true);
  EXPECT_FALSE(channels->SoundOn());
  EXPECT_EQ(Ch(0).FileName(), "BGM.PMW");
  EXPECT_FALSE(log.entries.empty());
  device.SetFailInitialize(false);
  channels->SetSoundOn(true);
  EXPECT_TRUE(Ch(0).IsPlaying());
  EXPECT_EQ(Player(0)->BufferMs(), kMinSoundBufferMs);
}

TEST_F(AudioChannelTest, SaveAndLoadRestoreLoopedSoundsButNotEndedOneShots) {
  channels->SetSoundOn(true);
  Ch(0).SetVolume(70);
  Start(0, "BGM.PMW", true);
  Start(1, "SE.WAV");
  Run(600);
  TGameStatus status("", 1);
  channels->SaveToStatus(status);
  EXPECT_EQ(status.ReadString("Audio0Src", "?"), "BGM.PMW");
  EXPECT_TRUE(status.ReadBool("Audio0Loop", false));
  EXPECT_EQ(status.ReadInteger("Audio0Vol", 0), 70);
  EXPECT_EQ(status.ReadString("Audio1Src", "?"), "");

  channels->ResetAll();
  for (int k = 0; k < 4; ++k) {
    EXPECT_FALSE(Ch(k).IsPlaying());
    EXPECT_EQ(Ch(k).Volume(), 100);
  }
  Start(1, "SE.WAV", true);  // playing before the load: the saved game says silent
  channels->LoadFromStatus(status);
  EXPECT_TRUE(Ch(0).IsPlaying());
  EXPECT_TRUE(Ch(0).Loop());
  EXPECT_EQ(Ch(0).Volume(), 70);
  EXPECT_EQ(Player(0)->Attenuation(), -600);
  EXPECT_FALSE(Ch(1).IsPlaying());
  Run(100);
  EXPECT_EQ(Ch(1).FileName(), "");

  // Missing keys keep the current loop and volume.
  TGameStatus empty("", 2);
  Ch(2).SetVolume(30);
  Ch(2).SetLoop(true);
  channels->LoadFromStatus(empty);
  EXPECT_EQ(Ch(2).Volume(), 30);
  EXPECT_TRUE(Ch(2).Loop());
  EXPECT_FALSE(Ch(0).IsPlaying());
}

TEST_F(AudioChannelTest, VolumeAppliesAtOnceUnlessAFadeRuns) {
  channels->SetSoundOn(true);
  Start(0, "BGM.PMW", true);
  Ch(0).SetVolume(0);
  EXPECT_EQ(Player(0)->Attenuation(), -10000);
  Ch(0).SetVolume(50);
  EXPECT_EQ(Player(0)->Attenuation(), -1000);
  Start(1, "BGM.PMW", true, true);
  Ch(1).SetVolume(10);
  EXPECT_EQ(Player(1)->Attenuation(), -5000);
}

TEST_F(AudioChannelTest, WavNamesAreNotSearchedInArchives) {
  channels->SetSoundOn(true);
  Start(0, "ONLYARC.WAV");
  Start(1, "MISSING.PMW");
  EXPECT_FALSE(Ch(0).IsPlaying());
  EXPECT_FALSE(Ch(1).IsPlaying());
  channels->UpdateAudio();
  EXPECT_EQ(Ch(0).FileName(), "");
}

TEST_F(AudioChannelTest, TwoChannelsPlayTheSamePackedSoundFromTheirOwnFiles) {
  channels->SetSoundOn(true);
  Start(0, "BGM.PMW", true);
  Start(1, "BGM.PMW", true);
  EXPECT_NE(Player(0)->FileName(), Player(1)->FileName());
  EXPECT_TRUE(Ch(0).IsPlaying());
  EXPECT_TRUE(Ch(1).IsPlaying());
  Start(0, "SE.WAV", true);  // rewriting one temporary file leaves the other alone
  EXPECT_TRUE(std::filesystem::exists(Player(1)->FileName()));
  EXPECT_EQ(std::filesystem::file_size(Player(1)->FileName()), SineWave(1000).size());
}

TEST_F(AudioChannelTest, UnwritableTemporaryFileStopsTheChannelAndIsLogged) {
  channels->SetSoundOn(true);
  Start(0, "SE.WAV", true);
  std::filesystem::create_symlink("/dev/full", Ch(0).TempFile());
  Start(0, "BGM.PMW", true);
  EXPECT_FALSE(Ch(0).IsPlaying());
  ASSERT_FALSE(log.entries.empty());
  EXPECT_EQ(log.entries.back().level, LogLevel::kError);
  EXPECT_THAT(log.entries.back().message, HasSubstr("~mavl0.wav"));
  EXPECT_THAT(log.entries.back().message, HasSubstr("BGM.PMW"));
  channels->UpdateAudio();
  EXPECT_EQ(Ch(0).FileName(), "");

  // A temporary folder that does not exist behaves alike.
  files.temp = dir.path() / "gone";
  MakeChannels();
  channels->SetSoundOn(true);
  Start(1, "BGM.PMW", true);
  EXPECT_FALSE(Ch(1).IsPlaying());
  EXPECT_THAT(log.entries.back().message, HasSubstr("gone"));
}

TEST_F(AudioChannelTest, DamagedSoundsRaiseAnErrorNamingTheSound) {
  channels->SetSoundOn(true);
  for (const char* name : {"BAD.PMW", "NOTWAVE.PMW"}) {
    SCOPED_TRACE(name);
    Start(0, "SE.WAV", true);
    try {
      Start(0, name, true);
      ADD_FAILURE() << "no error";
    } catch (const MavError& e) {
      EXPECT_THAT(e.what(), HasSubstr(name));
    }
    EXPECT_FALSE(Ch(0).IsPlaying());
  }
}

}  // namespace
}  // namespace mavlet
