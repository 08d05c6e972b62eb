// Packed sounds unpacked on a worker thread: the channel counts as playing meanwhile, starts at
// the first update after the work, and a newer request or a damaged sound behaves as without it;
// a superseded unpack is cancelled, leaves no file behind and never plays.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "player/backend/headless/headless_clock.h"
#include "player/backend/headless/headless_sound.h"
#include "player/common/error.h"
#include "player/media/audio_channels.h"
#include "player/storage/big_file_unit.h"
#include "player/storage/packed_file.h"
#include "tests/support/fake_files.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

using namespace mavlet::testing;

class BackgroundUnpack : public ::testing::Test {
 protected:
  BackgroundUnpack() : files(dir.path() / "tmp"), device(clock) {
    std::filesystem::create_directories(dir.path() / "tmp");
    const auto wav = dir.path() / "title" / "WAV";
    WriteFile(wav / "BGM.PMW", PackBuffer(SineWave(1000)));
    WriteFile(wav / "BAD.PMW", Bytes{1, 2, 3, 4, 5});
    WriteFile(wav / "SE.WAV", SineWave(300));
    WriteBigFileUnit(wav / "Data1.PMW", {{"ARC.PMW", SineWave(800)}});
    SoundSettings settings;
    settings.background_unpack = true;
    channels = std::make_unique<AudioChannels>(device, clock, log, TitleFiles{dir.path() / "title", &files}, settings);
    channels->SetSoundOn(true);
  }
  AudioChannel& Ch(int k) { return channels->Channel(k); }
  void Start(int k, const std::string& name, bool loop = false) {
    Ch(k).SetFileName(name);
    Ch(k).SetLoop(loop);
    Ch(k).Play();
  }
  // Updates (without moving the clock) until no channel is unpacking any more.
  void Settle() {
    for (int i = 0; i < 500; ++i) {
      bool busy = false;
      for (int k = 0; k < 4; ++k) busy = busy || Ch(k).Unpacking();
      if (!busy) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      channels->UpdateAudio();
    }
    FAIL() << "unpacking never finished";
  }

  // Files the workers left in the temporary folder.
  int WorkFiles() {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path() / "tmp")) n += e.path().extension() == ".part";
    return n;
  }

  TempFolder dir{"audio-bg"};
  FakeFiles files;
  HeadlessClock clock{1000};
  HeadlessSoundDevice device;
  MemoryLog log;
  std::unique_ptr<AudioChannels> channels;
};

TEST_F(BackgroundUnpack, PackedSoundsStartAtAnUpdateAfterTheWorkAndCountAsPlayingMeanwhile) {
  Start(0, "BGM.PMW", true);
  Start(1, "ARC.PMW");
  Start(2, "SE.WAV");  // plain files open at once
  EXPECT_TRUE(Ch(0).IsPlaying());
  EXPECT_TRUE(Ch(1).IsPlaying());
  EXPECT_TRUE(device.Player(2)->IsPlaying());
  Settle();
  ASSERT_NE(device.Player(0), nullptr);
  EXPECT_TRUE(device.Player(0)->IsPlaying());
  EXPECT_TRUE(device.Player(0)->Looping());
  EXPECT_EQ(device.Player(0)->FileName(), Ch(0).TempFile());
  EXPECT_TRUE(device.Player(1)->IsPlaying());
  EXPECT_EQ(device.Player(1)->LengthMs(), 800u);
  // The one-shot ends on the clock as usual and clears its name.
  clock.Advance(900);
  channels->UpdateAudio();
  EXPECT_FALSE(Ch(1).IsPlaying());
  EXPECT_EQ(Ch(1).FileName(), "");
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(BackgroundUnpack, NewerRequestsReplaceOneStillUnpacking) {
  Start(0, "BGM.PMW", true);
  Start(0, "ARC.PMW");
  Settle();
  EXPECT_EQ(device.Player(0)->LengthMs(), 800u);
  EXPECT_FALSE(device.Player(0)->Looping());
  Start(0, "BGM.PMW", true);
  Start(0, "");  // stopped before it ever played
  Settle();
  EXPECT_FALSE(Ch(0).IsPlaying());
  Start(0, "BGM.PMW", true);
  channels->SetSoundOn(false);
  EXPECT_FALSE(Ch(0).IsPlaying());
  EXPECT_FALSE(Ch(0).Unpacking());
}

TEST_F(BackgroundUnpack, SupersededUnpackIsCancelledLeavesNoFileAndNeverPlays) {
  // Two minutes: still inflating when the next request comes at once.
  WriteFile(dir.path() / "title" / "WAV" / "LONG.PMW", PackBuffer(SineWave(120000)));
  // Superseded while inflating, and superseded after the worker had written its file.
  for (const bool finished_first : {false, true}) {
    Start(0, finished_first ? "BGM.PMW" : "LONG.PMW", true);
    if (finished_first) {
      for (int i = 0; i < 500 && WorkFiles() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Start(0, "SE.WAV");
    ASSERT_NE(device.Player(0), nullptr);
    for (int i = 0; i < 500 && WorkFiles() > 0; ++i) {
      EXPECT_EQ(device.Player(0)->LengthMs(), 300u);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      channels->UpdateAudio();
    }
    EXPECT_EQ(WorkFiles(), 0) << finished_first;
    EXPECT_FALSE(std::filesystem::exists(Ch(0).TempFile())) << "the superseded sound was never moved in";
    EXPECT_EQ(device.Player(0)->FileName(), dir.path() / "title" / "WAV" / "SE.WAV");
    EXPECT_EQ(device.Player(0)->LengthMs(), 300u);
    EXPECT_FALSE(device.Player(0)->Looping());
    Start(0, "");
  }
  EXPECT_TRUE(log.entries.empty());
}

TEST(UnpackCancel, StopsBetweenInflateStepsAndSaysSo) {
  const Bytes wave = SineWave(60000);
  ByteBuffer packed = PackBuffer(wave);
  StopSource stop;
  ByteBuffer copy = packed;
  EXPECT_EQ(UnpackStream(copy, "s", kMaxUnpackedSize, stop.Token()).size(), wave.size()) << "not stopped: whole";
  stop.RequestStop();
  copy = packed;
  EXPECT_THROW(UnpackStream(copy, "s", kMaxUnpackedSize, stop.Token()), UnpackCancelled);
}

TEST_F(BackgroundUnpack, DamagedSoundIsReportedByTheUpdateThatFindsIt) {
  Start(0, "BAD.PMW");
  Start(1, "BGM.PMW");
  std::string error;
  for (int i = 0; i < 500 && (Ch(0).Unpacking() || Ch(1).Unpacking()); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    try {
      channels->UpdateAudio();
    } catch (const MavError& e) {
      error = e.what();
    }
  }
  EXPECT_NE(error.find("BAD.PMW"), std::string::npos) << error;
  EXPECT_FALSE(Ch(0).IsPlaying());
  // The other channel's turn was not lost to the error.
  EXPECT_TRUE(device.Player(1)->IsPlaying());
}

}  // namespace
}  // namespace mavlet
