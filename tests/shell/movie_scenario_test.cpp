// SetMovie in small titles on the virtual clock: frames by time on the screen, the scene back
// afterwards, skipping by click, a missing movie, the preload hand-over of a WavPlay's sound,
// and the media player with its own sound (channel "M" of the audio log) keeping the pictures
// in step with it.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <optional>
#include <sstream>

#include "player/backend/display.h"
#include "player/backend/headless/headless_sound.h"
#include "player/backend/sound_device.h"
#include "tests/support/file_builders.h"
#include "tests/support/movie_files.h"
#include "tests/support/test_title.h"
#include "tests/support/trace.h"

namespace mavlet::testing {
namespace {

constexpr int kRed = 0x0000FF;  // the scene behind the movie (0x00BBGGRR)

class MovieTitle {
 public:
  MovieTitle() {
    title.Nums({"A"});
    WriteFile(title.Folder() / "WAV" / "one.wav", SineWave(500, 8000));
  }
  void Movie(const std::string& name, const MovieSpec& spec) {
    std::string error;
    ASSERT_FALSE(MakeMovie(title.Folder() / "PMP", name, spec, &error).empty()) << error;
  }
  void Start(const std::string& page1, std::vector<InputAction> input = {}) {
    title.Scenario(1, page1);
    title.Write();
    RunOptions options;
    options.audio_log = &log;
    options.input = std::move(input);
    options.trace = true;
    run = std::make_unique<TitleRun>(title, std::move(options));
    run->Load();
  }
  // The frame a screen pixel shows, -1 for the red scene, -2 for anything else.
  int Shown(int x, int y) {
    const Surface& s = run->R().Screen().ScreenSurface();
    const std::int32_t bgr = s.format().ToRgb(s.RawPixel(x, y));
    if (bgr == kRed) return -1;
    const std::uint32_t rgb = static_cast<std::uint32_t>(((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF));
    int distance = 0;
    const int frame = NearestMovieFrame(rgb, &distance);
    return distance <= 45 ? frame : -2;
  }
  // The event in which the movie command ran first.
  int FirstMovieEvent() {
    for (const TraceStep& s : ParseTrace(SplitLines(trace_text_ += Join(run->TakeTrace())))) {
      if (s.cls == "TComMovie") return s.event;
    }
    return -1;
  }
  std::vector<AudioLogLine> Lines(int channel) const {
    std::vector<AudioLogLine> out;
    for (const AudioLogLine& l : ParseAudioLog(log.str()))
      if (l.channel == channel) out.push_back(l);
    return out;
  }

  TestTitle title;
  PrivateTmpdir tmpdir{title.Folder()};  // left after the run ends
  std::ostringstream log;
  std::unique_ptr<TitleRun> run;

 private:
  static std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    return text;
  }
  std::string trace_text_;
};

const std::string kScene = "NonStop=1\nFillSfc ,,0,0,0,640,480,$0000FF\n";

TEST(MovieScenario, FramePlayerShowsFramesByTimeOverTheSceneAndGivesTheSceneBackAtTheEnd) {
  MovieTitle t;
  t.Movie("m.avi", {.fps = 10, .frames = 25});
  t.Start(kScene + "SetMovie ,,m.avi,100,50,128,96,0,0\nCalc ,,A = 1\nWait ,,99999\n");
  t.run->Events(3);
  const int start = t.FirstMovieEvent();
  ASSERT_GT(start, 0);
  EXPECT_EQ(t.Shown(10, 10), -1);  // the scene around the movie stays
  // 30 ms per event: frame trunc((event - start) * 30 / 100), within a frame of the opening step.
  for (int e = 4; e <= 60; e += 7) {
    t.run->Events(7);
    const int due = (t.run->R().EventsRun() - start) * 30 / 100;
    const int shown = t.Shown(101, 51);
    EXPECT_TRUE(shown == due % 12 || shown == (due - 1 + 12) % 12) << "event " << t.run->R().EventsRun();
    EXPECT_EQ(t.Shown(227, 145), shown);  // stretched to 128x96
    EXPECT_EQ(t.Shown(228, 146), -1);
    EXPECT_EQ(t.run->Num("A"), 0);
  }
  t.run->Events(40);  // past 2.5 s
  EXPECT_EQ(t.run->Num("A"), 1);
  EXPECT_EQ(t.Shown(150, 80), -1);  // the whole screen was drawn again
  EXPECT_EQ(t.run->Errors(), "");
}

TEST(MovieScenario, AClickEndsOnlyASkippableMovie) {
  for (const bool skippable : {true, false}) {
    MovieTitle t;
    t.Movie("m.avi", {.fps = 10, .frames = 25});
    t.Start(
        kScene + "SetMovie ,,m.avi,0,0,0,0," + std::string(skippable ? "1" : "0") + ",0\nCalc ,,A = 1\nWait ,,99999\n",
        {InputAction{.event = 20, .kind = InputAction::Kind::kClick}});
    t.run->Events(19);
    EXPECT_NE(t.Shown(5, 5), -1);
    EXPECT_EQ(t.run->Num("A"), 0);
    t.run->Events(2);
    EXPECT_EQ(t.run->Num("A"), skippable ? 1 : 0) << skippable;
    EXPECT_EQ(t.Shown(5, 5) == -1, skippable) << "the scene is back only after a skip";
  }
}

// Closes the window at the first present that shows a movie frame (neither black nor the red
// scene at the movie's corner) and notes the virtual time then.
class CloseAtMovieFrame : public PresentObserver {
 public:
  CloseAtMovieFrame(Display& display, Clock& clock) : display_(display), clock_(clock) {}
  void OnPresent(const Surface& visible, const Rect&, int) override {
    const std::int32_t shown = visible.format().ToRgb(visible.RawPixel(5, 5));
    if (closed_at || shown == kRed || shown == 0) return;
    closed_at = clock_.NowMs();
    display_.RequestClose();
  }
  std::optional<std::uint32_t> closed_at;

 private:
  Display& display_;
  Clock& clock_;
};

TEST(MovieScenario, AClosedWindowEndsAPlayingMovieAtOnceAndNothingAfterItRuns) {
  // The window closes at a frame of a 2.5 s movie: the player ends within a step or two of
  // virtual time, and the command after the movie never runs.
  const struct {
    const char* what;
    std::string main;
    std::string always;
  } cases[] = {
      {"frames in the main stream", kScene + "SetMovie ,,m.avi,0,0,0,0,0,0\nCalc ,,A = 1\nWait ,,99999\n", ""},
      {"media player in the main stream", kScene + "SetMovie ,,m.avi,0,0,0,0,0,1\nCalc ,,A = 1\nWait ,,99999\n",
       ""},
      {"frames in the always stream", kScene + "IntCall ,,1,2\nWaitClick\n",
       "SetMovie ,,m.avi,0,0,0,0,0,0\nCalc ,,A = 1\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MovieTitle t;
    t.Movie("m.avi", {.fps = 10, .frames = 25});
    t.title.Scenario(2, c.always);
    t.Start(c.main);
    HeadlessRunner& r = t.run->R();
    CloseAtMovieFrame close(r.Screen(), r.VirtualClock());
    r.Screen().SetPresentObserver(&close);
    for (int e = 0; e < 150 && !r.Session().QuitRequested(); ++e) t.run->Events(1);
    r.Screen().SetPresentObserver(nullptr);
    ASSERT_TRUE(close.closed_at.has_value());
    EXPECT_TRUE(r.Session().QuitRequested());
    EXPECT_LE(r.VirtualClock().NowMs() - *close.closed_at, 100u);
    t.run->Events(100);  // past the movie's end
    EXPECT_EQ(t.run->Num("A"), 0);
    EXPECT_EQ(t.run->Errors(), "");
  }
}

TEST(MovieScenario, AMissingOrDamagedMovieIsReportedOnceAndTheCommandMovesOn) {
  for (const bool media : {false, true}) {
    MovieTitle t;
    t.title.Scenario(2, "");
    std::filesystem::create_directories(t.title.Folder() / "PMP");
    WriteFile(t.title.Folder() / "PMP" / "bad.avi", std::string_view("RIFF\x10\0\0\0AVI LIST garbage", 24));
    const std::string m = media ? "1" : "0";
    t.Start(kScene + "SoundOn\nSetMovie ,,none.avi,0,0,0,0,1," + m + "\nSetMovie ,,bad.avi,0,0,0,0,1," + m +
            "\nCalc ,,A = 1\nWait ,,99999\n");
    t.run->Events(8);
    EXPECT_EQ(t.run->Num("A"), 1) << media;
    const std::string errors = t.run->Errors();
    EXPECT_EQ(errors.find("none.avi"), errors.rfind("none.avi")) << errors;
    EXPECT_NE(errors.find("none.avi"), std::string::npos) << errors;
    EXPECT_NE(errors.find("bad.avi"), std::string::npos) << errors;
    EXPECT_EQ(t.Shown(5, 5), -1);
  }
}

TEST(MovieScenario, PreloadStartsTheSoundOfTheWavPlayJustBeforeTogetherWithTheFirstFrame) {
  MovieTitle t;
  t.Movie("m.avi", {.fps = 10, .frames = 25});
  t.Start(kScene +
          "SoundOn\nWait ,,100\nWavPlay ,,0,one.wav\nSetMovie ,,m.avi,0,0,0,0,0,0,1\nCalc ,,A = 1\n"
          "Wait ,,99999\n");
  t.run->Events(10);
  const int start = t.FirstMovieEvent();
  const auto lines = t.Lines(0);
  ASSERT_FALSE(lines.empty()) << t.log.str();
  EXPECT_EQ(lines[0].file, "one.wav");
  EXPECT_EQ(lines[0].playing, 1);
  EXPECT_EQ(lines[0].event, start);  // not before: WavPlay left it to the movie
  EXPECT_EQ(t.run->Errors(), "");
}

TEST(MovieScenario, MediaPlayerPlaysItsOwnSoundAndKeepsThePicturesInStepWithIt) {
  MovieTitle t;
  t.Movie("av.avi", {.fps = 10, .frames = 25, .sound_ms = 2500});
  t.Start(kScene + "SoundOn\nSetMovie ,,av.avi,0,0,0,0,0\nCalc ,,A = 1\nWait ,,99999\n");
  t.run->Events(4);
  HeadlessPcmStream* stream = t.run->R().Sound().Stream();
  ASSERT_NE(stream, nullptr);
  EXPECT_TRUE(stream->Playing());
  for (int k = 0; k < 8; ++k) {
    t.run->Events(9);
    // Within one frame of the sound's clock.
    const int due = static_cast<int>(stream->PlayedMs() / 100);
    const int shown = t.Shown(10, 10);
    EXPECT_TRUE(shown == due % 12 || shown == (due + 11) % 12) << "played " << stream->PlayedMs() << " shown " << shown;
  }
  t.run->Events(40);
  EXPECT_EQ(t.run->Num("A"), 1);
  EXPECT_EQ(t.run->R().Sound().Stream(), nullptr);
  const auto lines = t.Lines(kMovieSoundChannel);
  ASSERT_EQ(lines.size(), 3u) << t.log.str();
  EXPECT_EQ(lines[0].file, "av.avi");
  EXPECT_EQ(lines[0].playing, 0);  // opened
  EXPECT_EQ(lines[1].playing, 1);  // playing
  EXPECT_EQ(lines[2].file, "");    // stopped and closed
  // The sound played out whole: 2.5 s, and the command ended after it.
  EXPECT_GE((lines[2].event - lines[1].event) * 30, 2500);
  EXPECT_EQ(t.Shown(10, 10), -1);
  EXPECT_EQ(t.run->Errors(), "");
}

TEST(MovieScenario, MediaPlayerIsSkippedByAClickAfterItsStartAndStopsItsSound) {
  MovieTitle t;
  t.Movie("av.avi", {.fps = 10, .frames = 25, .sound_ms = 2500});
  t.Start(kScene + "SoundOn\nSetMovie ,,av.avi,0,0,0,0,1\nCalc ,,A = 1\nWait ,,99999\n",
          {InputAction{.event = 10, .kind = InputAction::Kind::kClick},
           InputAction{.event = 40, .kind = InputAction::Kind::kClick}});
  t.run->Events(30);
  EXPECT_EQ(t.run->Num("A"), 0);  // the first click came within the start's countdown
  t.run->Events(14);
  EXPECT_EQ(t.run->Num("A"), 1);
  EXPECT_EQ(t.run->R().Sound().Stream(), nullptr);
  EXPECT_EQ(t.Shown(10, 10), -1);
}

}  // namespace
}  // namespace mavlet::testing
