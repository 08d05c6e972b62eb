// WavPlay, SoundOn and SoundOff run as small titles on the virtual-time sound device; channel
// states are read back through the audio log and the "@" sound values.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <sstream>

#include "player/backend/headless/headless_sound.h"
#include "player/engine/book_manager.h"
#include "player/storage/big_file_unit.h"
#include "player/storage/game_status.h"
#include "player/storage/packed_file.h"
#include "tests/support/file_builders.h"
#include "tests/support/test_title.h"
#include "tests/support/trace.h"

namespace mavlet::testing {
namespace {

// 8 kHz mono keeps the fixtures small; lengths are what the virtual clock measures.
constexpr std::uint32_t kOneShotMs = 500;
constexpr std::uint32_t kLoopMs = 300;

class SoundTitle {
 public:
  SoundTitle() {
    const Bytes one = SineWave(kOneShotMs, 8000);
    const Bytes loop = SineWave(kLoopMs, 8000);
    std::filesystem::create_directories(title.Folder() / "WAV");
    PackToFile(title.Folder() / "WAV" / "one.PMW", one);
    PackToFile(title.Folder() / "WAV" / "loop.PMW", loop);
    WriteFile(title.Folder() / "WAV" / "plain.wav", one);
    WriteBigFileUnit(title.Folder() / "WAV" / "Data1.PMW", {{"ARCHIVED.PMW", ByteBuffer(one.begin(), one.end())}});
    title.Nums({"A", "N", "Saves"});
  }

  // Runs page 1 (and any other pages given) for n events, keeping the audio log.
  void Run(const std::string& page1, int n, RunOptions options = {}) {
    title.Scenario(1, page1);
    title.Write();
    options.audio_log = &log;
    options.save_dir = title.Folder() / "saves";
    run = std::make_unique<TitleRun>(title, std::move(options));
    run->Load();
    run->Events(n);
  }
  std::vector<AudioLogLine> Lines(int channel) const {
    std::vector<AudioLogLine> out;
    for (const AudioLogLine& l : ParseAudioLog(log.str()))
      if (l.channel == channel) out.push_back(l);
    return out;
  }
  TGameSystem& Sys() { return run->R().Sys(); }

  TestTitle title;
  PrivateTmpdir tmpdir{title.Folder()};  // left after the run ends
  std::ostringstream log;
  std::unique_ptr<TitleRun> run;
};

TEST(SoundScenario, OneShotPlaysThenClearsItsName) {
  SoundTitle t;
  t.Run("NonStop=1\nSoundOn\nWavPlay ,,0,one.PMW\nWait ,,99999\n", 5);
  EXPECT_EQ(t.run->Str("@Wav1"), "one.PMW");
  EXPECT_EQ(t.run->Str("@SoundOn"), "ON");
  t.run->Events(20);
  EXPECT_EQ(t.run->Str("@Wav1"), "");
  // Started, seen stopped by the next logic step, name cleared by the update after it.
  const auto lines = t.Lines(0);
  ASSERT_EQ(lines.size(), 3u) << t.log.str();
  EXPECT_EQ(lines[0].file, "one.PMW");
  EXPECT_EQ(lines[0].playing, 1);
  EXPECT_EQ(lines[0].attenuation, 0);
  EXPECT_EQ(lines[1].file, "one.PMW");
  EXPECT_EQ(lines[1].playing, 0);
  EXPECT_EQ(lines[2].file, "");
  EXPECT_EQ(lines[2].event, lines[1].event);
  // 30 ms per event: the sound ends some 17 events after it started.
  EXPECT_NEAR(lines[1].event - lines[0].event, kOneShotMs / 30, 1);
  EXPECT_EQ(t.run->Errors(), "");
}

TEST(SoundScenario, LoopKeepsPlayingAndPlainArchivedAndMissingNamesAreFound) {
  SoundTitle t;
  t.Run("NonStop=1\nSoundOn\nWavPlay ,,0,loop.PMW,1\nWavPlay ,,1,plain.wav\nWavPlay ,,2,archived.pmw\n"
        "WavPlay ,,3,missing.wav\nWait ,,99999\n",
        3);
  EXPECT_TRUE(t.Sys().Sound().Channel(0)->IsPlaying());
  EXPECT_TRUE(t.Sys().Sound().Channel(1)->IsPlaying());
  EXPECT_TRUE(t.Sys().Sound().Channel(2)->IsPlaying());
  EXPECT_FALSE(t.Sys().Sound().Channel(3)->IsPlaying());
  t.run->Events(40);  // four times the loop's length
  EXPECT_TRUE(t.Sys().Sound().Channel(0)->IsPlaying());
  EXPECT_EQ(t.run->Str("@Wav1"), "loop.PMW");
  const auto lines = t.Lines(0);
  ASSERT_EQ(lines.size(), 1u) << t.log.str();
  EXPECT_EQ(lines[0].loop, 1);
  EXPECT_EQ(t.run->Errors(), "");
}

TEST(SoundScenario, FadeInRisesToTheVolumeAndFadeOutStopsTheChannel) {
  SoundTitle t;
  t.Run("NonStop=1\nSoundOn\nWavPlay ,,0,loop.PMW,1,0,1\nWait ,,2000\nWavPlay ,,0,,0,0,1\nWait ,,99999\n", 170);
  const auto lines = t.Lines(0);
  ASSERT_FALSE(lines.empty());
  std::vector<int> rising, falling;
  bool fading_out = false;
  for (const AudioLogLine& l : lines) {
    if (l.file.empty()) fading_out = true;
    if (l.playing) (fading_out ? falling : rising).push_back(l.attenuation);
  }
  // -5000 in steps of 400 up to full volume: 13 ticks of 100 ms.
  ASSERT_EQ(rising.size(), 14u) << t.log.str();
  EXPECT_EQ(rising.front(), -5000);
  EXPECT_EQ(rising[1], -4600);
  EXPECT_EQ(rising.back(), 0);
  // The name goes at once; then from full volume down by 400 until the next step would reach
  // silence, and the channel stops.
  ASSERT_EQ(falling.size(), 25u) << t.log.str();
  EXPECT_EQ(falling.front(), 0);
  EXPECT_EQ(falling[1], -400);
  EXPECT_EQ(falling.back(), -9600);
  EXPECT_EQ(lines.back().playing, 0);
  EXPECT_FALSE(t.Sys().Sound().Channel(0)->IsPlaying());
}

TEST(SoundScenario, OutputSwitchAndVolumeValues) {
  SoundTitle t;
  t.Run("NonStop=1\nSoundOn\nCalc ,,@WavOut2 = 0\nWavPlay ,,1,loop.PMW,1\n"
        "Calc ,,@Vol1 = 0\nWavPlay ,,0,loop.PMW,1\nCalc ,,@Vol3 = 50\nWavPlay ,,2,loop.PMW,1\nWait ,,99999\n",
        3);
  EXPECT_EQ(t.run->Str("@WavOut2"), "OFF");
  EXPECT_EQ(t.run->Str("@WavOut1"), "ON");
  EXPECT_FALSE(t.Sys().Sound().Channel(1)->IsPlaying());
  // A channel left stopped loses its name at the next update, like an ended one-shot.
  EXPECT_EQ(t.run->Str("@Wav2"), "");
  // Volume 0 is silence, not -2000; 50 maps to -1000.
  EXPECT_EQ(t.run->Num("@Vol1"), 0);
  EXPECT_EQ(t.Sys().Sound().Channel(0)->Player()->Attenuation(), -10000);
  EXPECT_EQ(t.Sys().Sound().Channel(2)->Player()->Attenuation(), -1000);
  // Switching the output back on takes effect with the next play.
  t.Sys().Values().SetChannelOutput(1, true);
  t.Sys().Values().PlayChannelFile(1, "one.PMW");
  EXPECT_TRUE(t.Sys().Sound().Channel(1)->IsPlaying());
}

TEST(SoundScenario, SoundOffStopsAndReleasesSoundOnRestarts) {
  SoundTitle t;
  t.Run("NonStop=1\nSoundOn\nWavPlay ,,0,loop.PMW,1,0,1\nWait ,,600\nWavPlay ,,0,,0,0,1\nWait ,,100\nSoundOff\n"
        "Wait ,,300\nSoundOn\nWait ,,99999\n",
        40);
  HeadlessSoundDevice& device = t.run->R().Sound();
  // SoundOff in the middle of a fade-out stops everything and closes the device.
  EXPECT_EQ(device.Finalizations(), 1);
  EXPECT_EQ(device.Initializations(), 2);
  EXPECT_EQ(t.run->Str("@SoundOn"), "ON");
  // The fade-out emptied the name, so nothing restarts.
  EXPECT_FALSE(t.Sys().Sound().Channel(0)->IsPlaying());

  SoundTitle u;
  u.Run("NonStop=1\nSoundOn\nWavPlay ,,0,loop.PMW,1\nWait ,,300\nSoundOff\nWait ,,300\nSoundOn\nWait ,,99999\n", 14);
  EXPECT_EQ(u.run->Str("@SoundOn"), "OFF");
  EXPECT_FALSE(u.Sys().Sound().Channel(0)->IsPlaying());
  EXPECT_EQ(u.run->Str("@Wav1"), "loop.PMW");  // kept while sound is off
  u.run->Events(10);
  EXPECT_TRUE(u.Sys().Sound().Channel(0)->IsPlaying());
  const auto lines = u.Lines(0);
  ASSERT_EQ(lines.size(), 3u) << u.log.str();
  EXPECT_EQ(lines[1].playing, 0);
  EXPECT_EQ(lines[2].playing, 1);
}

TEST(SoundScenario, SoundStaysOffWithoutHasSoundOrAWorkingDevice) {
  RunOptions no_sound;
  no_sound.config.has_sound = false;
  SoundTitle t;
  t.Run("NonStop=1\nSoundOn\nWavPlay ,,0,loop.PMW,1\nWait ,,99999\n", 5, no_sound);
  EXPECT_EQ(t.run->Str("@SoundOn"), "OFF");
  EXPECT_FALSE(t.Sys().Sound().Channel(0)->IsPlaying());
  EXPECT_EQ(t.run->R().Sound().Initializations(), 0);

  SoundTitle u;
  u.title.Scenario(1, "NonStop=1\nSoundOn\nWavPlay ,,0,loop.PMW,1\nWait ,,99999\n");
  u.title.Write();
  RunOptions o;
  TitleRun run(u.title, o);
  run.Load();
  run.R().Sound().SetFailInitialize(true);
  run.Events(5);
  EXPECT_EQ(run.Str("@SoundOn"), "OFF");
  EXPECT_EQ(run.Str("@Wav1"), "loop.PMW");
  EXPECT_EQ(run.Errors(), "");  // silent: the player simply has no sound
}

TEST(SoundScenario, LoadingRestoresChannelsButNotTheSoundSwitch) {
  SoundTitle t;
  t.title.Registry("Software\\Mavlet\\SoundTest");
  // The one-shot on channel 1 has ended (WavPlay waited for it) before the game is saved.
  t.Run("NonStop=1\nSoundOn\nCalc ,,@Vol1 = 50\nWavPlay ,,0,loop.PMW,1\nWavPlay ,,1,one.PMW,0,1\n"
        "SaveGame ,,0\nCalc ,,Saves = Saves + 1\nWait ,,99999\n",
        25);
  ASSERT_EQ(t.run->Num("Saves"), 1);
  // The channels' keys as they were saved.
  TGameStatus saved(t.run->Book().GetSavePath(), 0);
  EXPECT_EQ(saved.ReadString("Audio0Src", "?"), "loop.PMW");
  EXPECT_EQ(saved.ReadInteger("Audio0Vol", -1), 50);
  EXPECT_TRUE(saved.ReadBool("Audio0Loop", false));
  EXPECT_EQ(saved.ReadString("Audio1Src", "?"), "");
  TGameSystem& sys = t.Sys();
  // Change everything, then load.
  sys.Values().PlayChannelFile(0, "one.PMW");
  sys.Values().SetChannelVolume(0, 100);
  sys.Values().PlayChannelFile(1, "loop.PMW");
  t.run->Book().LoadGameSlot(0, sys);
  EXPECT_EQ(t.run->Str("@Wav1"), "loop.PMW");
  EXPECT_EQ(t.run->Num("@Vol1"), 50);
  EXPECT_TRUE(sys.Sound().Channel(0)->IsPlaying());
  EXPECT_TRUE(sys.Sound().Channel(0)->Loop());
  EXPECT_EQ(sys.Sound().Channel(0)->Player()->Attenuation(), -1000);
  EXPECT_EQ(t.run->Str("@Wav2"), "");
  EXPECT_FALSE(sys.Sound().Channel(1)->IsPlaying());  // the ended one-shot stays silent

  // Saved with sound on, loaded with sound off: sound stays off, the channel keeps its name.
  sys.Sound().SetSoundOn(false);
  t.run->Book().LoadGameSlot(0, sys);
  EXPECT_FALSE(sys.Sound().IsSoundOn());
  EXPECT_EQ(t.run->Str("@Wav1"), "loop.PMW");
  EXPECT_FALSE(sys.Sound().Channel(0)->IsPlaying());
  sys.Sound().SetSoundOn(true);
  EXPECT_TRUE(sys.Sound().Channel(0)->IsPlaying());
  EXPECT_FALSE(sys.Sound().Channel(1)->IsPlaying());
}

TEST(SoundScenario, ADamagedPictureStillFinishesTheLoadAndIsReportedOnce) {
  SoundTitle t;
  t.title.Registry("Software\\Mavlet\\SoundTest");
  t.title.Nums({"A", "L", "Saves"});
  std::filesystem::create_directories(t.title.Folder() / "PMP");
  PackToFile(t.title.Folder() / "PMP" / "bg.pmp", Bmp24(Solid(4, 4, kBlue)));
  t.title.Scenario(2,
                   "NonStop=1\nSoundOn\nSetSfc ,,0,bg.pmp,,,0,255,1\nWavPlay ,,0,loop.PMW,1\nCalc ,,A = 5\n"
                   "SaveGame ,,0\nCalc ,,Saves = Saves + 1\nWait ,,99999\n");
  t.Run("Jump ,,2\n", 3);
  ASSERT_EQ(t.run->Num("Saves"), 1);

  // A new session loads the slot after the picture was damaged.
  PackToFile(t.title.Folder() / "PMP" / "bg.pmp", ToBytes("BM not a picture"));
  t.title.Scenario(50, "Calc ,,L = A\n");
  t.Run("NonStop=1\nSoundOn\nLoadGame ,,0,50\nWait ,,99999\n", 3);
  EXPECT_EQ(t.run->Num("A"), 5) << "variables restored";
  EXPECT_EQ(t.run->Num("L"), 5) << "the after-load page ran on the loaded values";
  EXPECT_EQ(t.run->Num("Saves"), 1) << "the saved stream went on";
  EXPECT_EQ(t.run->Str("@Wav1"), "loop.PMW");
  EXPECT_TRUE(t.Sys().Sound().Channel(0)->IsPlaying()) << "audio channels loaded";
  const std::string errors = t.run->Errors();
  ASSERT_NE(errors.find("bg.pmp"), std::string::npos) << errors;
  EXPECT_EQ(errors.find("bg.pmp"), errors.rfind("bg.pmp")) << "reported once: " << errors;
}

TEST(SoundScenario, TwoChannelsPlayTheSamePackedNameFromTheirOwnFiles) {
  SoundTitle t;
  t.Run("NonStop=1\nSoundOn\nWavPlay ,,0,loop.PMW,1\nWavPlay ,,1,LOOP.pmw,1\nWait ,,99999\n", 3);
  HeadlessWavePlayer* p0 = t.run->R().Sound().Player(0);
  HeadlessWavePlayer* p1 = t.run->R().Sound().Player(1);
  ASSERT_NE(p0, nullptr);
  ASSERT_NE(p1, nullptr);
  EXPECT_TRUE(p0->IsPlaying());
  EXPECT_TRUE(p1->IsPlaying());
  EXPECT_NE(p0->FileName(), p1->FileName());
  // Stopping one leaves the other playing.
  t.Sys().Values().PlayChannelFile(0, "");
  EXPECT_FALSE(p0->IsPlaying());
  EXPECT_TRUE(p1->IsPlaying());
}

TEST(SoundScenario, WavPlayWaitsForItsSoundRunningTheAlwaysStream) {
  SoundTitle t;
  t.title.Scenario(9, "Calc ,,N = N + 1\n");
  t.Run("NonStop=1\nIntCall ,,1,9\nSoundOn\nWavPlay ,,0,one.PMW,0,1\nCalc ,,A = 1\nWait ,,99999\n", 10);
  EXPECT_EQ(t.run->Num("A"), 0);
  EXPECT_GT(t.run->Num("N"), 0);  // the always stream ran while waiting
  EXPECT_EQ(t.run->Str("@Wav1"), "one.PMW");
  t.run->Events(15);
  EXPECT_EQ(t.run->Num("A"), 1);
  EXPECT_EQ(t.run->Str("@Wav1"), "");

  // A missing sound does not hold the stream; a looped one holds it until something stops it.
  SoundTitle u;
  u.Run("NonStop=1\nSoundOn\nWavPlay ,,0,none.PMW,0,1\nCalc ,,A = 1\nWavPlay ,,1,loop.PMW,1,1\nCalc ,,A = 2\n"
        "Wait ,,99999\n",
        40);
  EXPECT_EQ(u.run->Num("A"), 1);
  u.Sys().Values().PlayChannelFile(1, "");
  u.run->Events(2);
  EXPECT_EQ(u.run->Num("A"), 2);
}

TEST(SoundScenario, OneShotBeforeAFrameMovieWithSoundIsLeftToTheMovie) {
  struct Case {
    const char* page;
    bool plays;
  };
  const Case cases[] = {
      // Non-stop one-shot, then a frame movie that starts the sound with its first picture (a
      // missing movie still starts it: the sound is not lost).
      {"WavPlay 2,,0,one.PMW\nSetMovie 0,,m.avi,0,0,0,0,0,0,1\nWait ,,99999\n", true},
      // The movie plays through the media player, or does not start sounds: WavPlay plays.
      {"WavPlay 2,,0,one.PMW\nSetMovie 0,,m.avi,0,0,0,0,0,1,1\nWait ,,99999\n", true},
      {"WavPlay 2,,0,one.PMW\nSetMovie 0,,m.avi,0,0,0,0,0,0,0\nWait ,,99999\n", true},
      // Looped, or without the non-stop bit: WavPlay plays.
      {"WavPlay 2,,0,one.PMW,1\nSetMovie 0,,m.avi,0,0,0,0,0,0,1\nWait ,,99999\n", true},
      {"WavPlay 0,,0,one.PMW\nSetMovie 0,,m.avi,0,0,0,0,0,0,1\nWait ,,99999\n", true},
  };
  for (const Case& c : cases) {
    SoundTitle t;
    t.Run(std::string("SoundOn 2,\n") + c.page, 4);
    EXPECT_EQ(t.Sys().Sound().Channel(0)->IsPlaying(), c.plays) << c.page;
  }
}

TEST(SoundScenario, BadChannelsAndDamagedSoundsAreReported) {
  SoundTitle t;
  WriteFile(t.title.Folder() / "WAV" / "bad.PMW", Bytes{1, 2, 3, 4, 5});
  t.Run("NonStop=1\nSoundOn\nWavPlay ,,7,one.PMW\nCalc ,,A = 1\nWavPlay ,,0,bad.PMW\nCalc ,,A = 2\nWait ,,99999\n", 4);
  EXPECT_GE(t.run->Num("A"), 1);
  EXPECT_NE(t.run->Errors().find("audio channel 7"), std::string::npos) << t.run->Errors();
  EXPECT_NE(t.run->Errors().find("bad.PMW"), std::string::npos) << t.run->Errors();
  EXPECT_FALSE(t.Sys().Sound().Channel(0)->IsPlaying());
}

}  // namespace
}  // namespace mavlet::testing
