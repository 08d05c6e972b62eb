// The frame player on movies made with the ffmpeg program (one per codec) and on a scripted
// source for the damaged cases: pixels by time, skipping, stretching and clipping, preload with
// its memory cap, and movies that cannot play.
#include <gtest/gtest.h>

#include <map>

#include "player/backend/movie/ffmpeg_movie.h"
#include "player/common/error.h"
#include "player/media/frame_player.h"
#include "tests/support/manual_clock.h"
#include "tests/support/movie_files.h"
#include "tests/support/temp_folder.h"

namespace mavlet::testing {
namespace {

constexpr std::uint32_t kSentinel = 0x123456;

// The frame a pixel of the target shows (by its colour), or -1 for the sentinel / unknown.
std::uint32_t SentinelRaw(const Surface& s) {
  const std::uint32_t bgr = ((kSentinel & 0xFF) << 16) | (kSentinel & 0xFF00) | ((kSentinel >> 16) & 0xFF);
  return s.DeviceColour(static_cast<std::int32_t>(bgr));
}

int FrameAt(const Surface& s, int x, int y, int tolerance = 60) {
  if (s.RawPixel(x, y) == SentinelRaw(s)) return -1;
  const std::int32_t bgr = s.format().ToRgb(s.RawPixel(x, y));
  const std::uint32_t rgb = static_cast<std::uint32_t>(((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF));
  int distance = 0;
  const int frame = NearestMovieFrame(rgb, &distance);
  return distance <= tolerance ? frame : -2;
}

Surface Target(int bits, int w = 100, int h = 80) {
  Surface s(*PixelFormat::ForDepth(bits), w, h);
  s.Fill(SentinelRaw(s));
  return s;
}

// A movie made with ffmpeg, its opener, a clock and a target filled with the sentinel.
class MadeMovieTest : public ::testing::Test {
 protected:
  // False (with ffmpeg's message) when the movie could not be made.
  ::testing::AssertionResult Make(const MovieSpec& spec, int bits = 32, std::uint32_t start_ms = 0) {
    std::string error;
    file = MakeMovie(dir.path(), "m.avi", spec, &error);
    clock.now = start_ms;
    target = Target(bits);
    if (file.empty()) return ::testing::AssertionFailure() << error;
    return ::testing::AssertionSuccess();
  }

  TempFolder dir{"movie"};
  std::filesystem::path file;
  FfmpegMovieOpener opener;
  ManualClock clock;
  Surface target = Target(32);
};

struct CodecCase {
  const char* codec;
  const char* pix_fmt;
  int bits;
};

class FramePlayerCodecs : public MadeMovieTest, public ::testing::WithParamInterface<CodecCase> {};
class FramePlayer : public MadeMovieTest {};

// A 10 fps movie of 25 frames: frame trunc(t / 100 ms) at time t, whatever the order of the
// calls (late ones skip), finished from 2.5 s on and never before.
TEST_P(FramePlayerCodecs, DrawsTheFrameDueByTimeAndEndsAfterItsLength) {
  const CodecCase c = GetParam();
  ASSERT_TRUE(Make({.codec = c.codec, .pix_fmt = c.pix_fmt}, c.bits, 1000));
  TAVIPlay player(&opener, clock, file, target.format(), false);
  ASSERT_TRUE(player.Opened()) << player.Error();
  EXPECT_EQ(player.Width(), 64);
  EXPECT_EQ(player.Height(), 48);
  player.SetDestination(Bounds(10, 5, 64, 48));
  const int tolerance = c.bits == 16 ? 60 : 45;
  struct Step {
    std::uint32_t at_ms;
    int frame;
    bool finished;
  };
  for (const Step& s : {Step{0, 0, false}, Step{99, 0, false}, Step{100, 1, false}, Step{250, 2, false},
                        Step{1730, 17, false}, Step{1790, 17, false}, Step{2499, 24, false}}) {
    clock.now = 1000 + s.at_ms;
    EXPECT_EQ(player.DrawNext(target), s.finished) << s.at_ms;
    EXPECT_EQ(FrameAt(target, 10, 5, tolerance), s.frame % 12) << c.codec << " at " << s.at_ms;
    EXPECT_EQ(FrameAt(target, 73, 52, tolerance), s.frame % 12) << c.codec << " at " << s.at_ms;
  }
  EXPECT_EQ(FrameAt(target, 9, 5), -1);    // left of the destination
  EXPECT_EQ(FrameAt(target, 74, 53), -1);  // past its bottom right
  // At the end the last call reports it and draws nothing new.
  target.FillRect(Bounds(10, 5, 64, 48), target.DeviceColour(0));
  clock.now = 1000 + 2500;
  EXPECT_TRUE(player.DrawNext(target));
  EXPECT_EQ(target.RawPixel(20, 20), target.DeviceColour(0));
}

INSTANTIATE_TEST_SUITE_P(Codecs, FramePlayerCodecs,
                         ::testing::Values(CodecCase{"rawvideo", "bgr24", 32}, CodecCase{"rawvideo", "bgr24", 16},
                                           CodecCase{"rawvideo", "rgb555le", 24}, CodecCase{"msvideo1", "rgb555le", 32},
                                           CodecCase{"cinepak", "", 32}, CodecCase{"mjpeg", "yuvj420p", 16}),
                         [](const auto& info) {
                           return std::string(info.param.codec) + "_" +
                                  (*info.param.pix_fmt ? info.param.pix_fmt : "default") + "_" +
                                  std::to_string(info.param.bits);
                         });

TEST_F(FramePlayer, StretchesIntoTheDestinationAndClipsAtTheScreenEdges) {
  ASSERT_TRUE(Make({.codec = "rawvideo", .pix_fmt = "bgr24"}));
  TAVIPlay player(&opener, clock, file, target.format(), false);
  // Twice the size, hanging over the top-left and right edges of a 100x80 screen.
  player.SetDestination(Bounds(-30, -20, 256, 96));
  clock.now = 300;
  EXPECT_FALSE(player.DrawNext(target));
  EXPECT_EQ(FrameAt(target, 0, 0), 3);
  EXPECT_EQ(FrameAt(target, 99, 75), 3);
  EXPECT_EQ(FrameAt(target, 99, 76), -1);
  // Wholly outside: nothing drawn, and the movie still runs to its end.
  player.SetDestination(Bounds(500, 500, 64, 48));
  target = Target(32);
  clock.now = 400;
  EXPECT_FALSE(player.DrawNext(target));
  EXPECT_EQ(FrameAt(target, 50, 40), -1);
}

TEST_F(FramePlayer, PreloadPlaysFromMemoryAfterTheFileIsGoneAndStartsTimingAfterTheDecoding) {
  ASSERT_TRUE(Make({.codec = "cinepak"}));
  TAVIPlay player(&opener, clock, file, target.format(), true);
  ASSERT_TRUE(player.Opened()) << player.Error();
  EXPECT_EQ(player.Preloaded(), 25u);
  EXPECT_EQ(player.Source(), nullptr);  // everything in memory, the file released
  std::filesystem::remove(file);
  player.SetDestination(Bounds(0, 0, 64, 48));
  clock.now = 2450;
  EXPECT_FALSE(player.DrawNext(target));
  EXPECT_EQ(FrameAt(target, 5, 5), 24 % 12);
  // The end: reported, and nothing drawn (no slot lies beyond the last frame).
  target = Target(32);
  clock.now = 2600;
  EXPECT_TRUE(player.DrawNext(target));
  EXPECT_EQ(FrameAt(target, 5, 5), -1);
}

TEST_F(FramePlayer, PreloadStopsAtTheMemoryCapAndDecodesTheRestWhilePlaying) {
  ASSERT_TRUE(Make({.codec = "mjpeg", .pix_fmt = "yuvj420p"}));
  const std::size_t one_frame = 64 * 48 * 4;
  TAVIPlay player(&opener, clock, file, target.format(), true, 5 * one_frame);
  ASSERT_TRUE(player.Opened()) << player.Error();
  EXPECT_EQ(player.Preloaded(), 5u);
  ASSERT_NE(player.Source(), nullptr);
  player.SetDestination(Bounds(0, 0, 64, 48));
  for (std::uint32_t t : {0u, 400u, 500u, 1300u, 2400u}) {
    clock.now = t;
    EXPECT_FALSE(player.DrawNext(target));
    EXPECT_EQ(FrameAt(target, 1, 1), static_cast<int>(t / 100) % 12) << t;
  }
}

// A scripted source: frame sizes and failures as the test says.
class ScriptedSource : public MovieSource {
 public:
  ScriptedSource(MovieInfo info, std::vector<std::int64_t>& reads, bool& closed)
      : reads(reads), closed(closed), info_(info) {}
  const MovieInfo& Info() const override { return info_; }
  bool ReadFrame(std::int64_t n, Surface& out) override {
    reads.push_back(n);
    if (closed || n <= last_) return false;
    last_ = n;
    auto size = sizes.find(n);
    const int w = size != sizes.end() ? size->second.first : info_.width;
    const int h = size != sizes.end() ? size->second.second : info_.height;
    if (w == 0) return false;  // undecodable
    out = Surface(out.format(), w, h);
    out.Fill(out.DeviceColour(static_cast<std::int32_t>(0x10 * (n + 1))));
    return true;
  }
  std::size_t ReadSound(std::vector<std::int16_t>&, std::size_t) override { return 0; }
  bool SoundEnded() const override { return true; }
  void Close() override { closed = true; }

  std::map<std::int64_t, std::pair<int, int>> sizes;
  std::vector<std::int64_t>& reads;  // the opener's: they outlive the source
  bool& closed;

 private:
  MovieInfo info_;
  std::int64_t last_ = -1;
};

class ScriptedOpener : public MovieOpener {
 public:
  std::unique_ptr<MovieSource> Open(const std::filesystem::path& file, const PixelFormat&,
                                    const std::optional<SampleFormat>&) override {
    if (fail) throw MavError(file.string() + ": not a movie file FFmpeg can open");
    auto s = std::make_unique<ScriptedSource>(info, reads, closed);
    s->sizes = sizes;
    return s;
  }
  MovieInfo info{.width = 8, .height = 8, .rate = 10, .scale = 1, .frame_count = 5};
  std::map<std::int64_t, std::pair<int, int>> sizes;
  bool fail = false;
  std::vector<std::int64_t> reads;
  bool closed = false;
};

class ScriptedFramePlayer : public ::testing::Test {
 protected:
  ScriptedOpener opener;
  ManualClock clock;
  Surface target = Target(32, 16, 16);
};

// Movies that cannot play report the end at the first call and draw nothing.
TEST(UnplayableMovie, EndsAtTheFirstCallAndDrawsNothing) {
  struct Case {
    const char* name;
    std::int64_t rate, scale, frames;
    bool fail;
    bool null_opener;
  };
  for (const Case& c : {Case{"rate 0", 0, 1, 5, false, false}, Case{"scale 0", 10, 0, 5, false, false},
                        Case{"no frames", 10, 1, 0, false, false}, Case{"unreadable", 10, 1, 5, true, false},
                        Case{"no decoder at all", 10, 1, 5, false, true}}) {
    ScriptedOpener opener;
    opener.info.rate = c.rate;
    opener.info.scale = c.scale;
    opener.info.frame_count = c.frames;
    opener.fail = c.fail;
    ManualClock clock;
    Surface target = Target(32, 16, 16);
    TAVIPlay player(c.null_opener ? nullptr : &opener, clock, "PMP/x.avi", target.format(), false);
    EXPECT_FALSE(player.Opened()) << c.name;
    EXPECT_NE(player.Error().find("x.avi"), std::string::npos) << c.name << ": " << player.Error();
    player.SetDestination(Bounds(0, 0, 16, 16));
    EXPECT_TRUE(player.DrawNext(target)) << c.name;
    EXPECT_EQ(FrameAt(target, 3, 3), -1) << c.name;
  }
}

TEST_F(ScriptedFramePlayer, FramesOfAnotherSizeAreStretchedByTheirOwnSize) {
  opener.sizes[2] = {2, 3};      // smaller than the first frame
  opener.sizes[3] = {300, 300};  // far larger
  TAVIPlay player(&opener, clock, "m.avi", target.format(), false);
  player.SetDestination(Bounds(0, 0, 16, 16));
  for (std::uint32_t t : {200u, 300u}) {
    clock.now = t;
    EXPECT_FALSE(player.DrawNext(target));
    const std::int32_t expected = static_cast<std::int32_t>(0x10 * (t / 100 + 1));
    EXPECT_EQ(target.RawPixel(0, 0), target.DeviceColour(expected)) << t;
    EXPECT_EQ(target.RawPixel(15, 15), target.DeviceColour(expected)) << t;
  }
}

TEST_F(ScriptedFramePlayer, AnUndecodableFrameKeepsThePreviousPictureAndIsNotAskedForAgain) {
  opener.sizes[2] = {0, 0};
  TAVIPlay player(&opener, clock, "m.avi", target.format(), false);
  player.SetDestination(Bounds(0, 0, 16, 16));
  clock.now = 100;
  player.DrawNext(target);
  clock.now = 200;
  player.DrawNext(target);
  player.DrawNext(target);
  EXPECT_EQ(target.RawPixel(4, 4), target.DeviceColour(0x20));  // frame 1 stays
  EXPECT_EQ(opener.reads, (std::vector<std::int64_t>{1, 2}));   // frame 0 was never due
}

TEST_F(ScriptedFramePlayer, PreloadNeverReadsPastTheSlotsOrAfterTheSourceClosed) {
  TAVIPlay player(&opener, clock, "m.avi", target.format(), true);
  ASSERT_TRUE(opener.closed);
  const auto reads = opener.reads;
  for (std::uint32_t t : {0u, 100u, 499u, 500u, 900u}) {
    clock.now = t;
    player.DrawNext(target);
  }
  EXPECT_EQ(opener.reads, reads);  // the closed source was never asked again
  EXPECT_EQ(reads, (std::vector<std::int64_t>{0, 1, 2, 3, 4}));
}

}  // namespace
}  // namespace mavlet::testing
