#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "player/backend/display.h"
#include "player/common/log.h"
#include "player/display/particles/sp_effect_manager.h"
#include "player/storage/game_status.h"
#include "tests/support/layer_services.h"

namespace mavlet::testing {
namespace {

constexpr std::int32_t kBackground = 0x842010;  // exact at 16 bits too

// A 4x4 red square keyed by its bottom-left pixel (green): 15 pixels drawn per particle.
Bytes Dot() {
  Picture p = Solid(4, 4, kRed);
  p[3][0] = kGreen;
  return Bmp24(p);
}

// A display of 640x480 whose screen shows one colour, pictures in a temporary PMP folder (with
// the dot as "dot.pmp"), a settable mouse and the generator at seed 0.
class ParticleHost : public ParticleServices {
 public:
  explicit ParticleHost(int bits = 32)
      : files_(PosixFileServices::Options{folder.Base() / "no-mounts", std::filesystem::temp_directory_path()}) {
    display.SetSize(640, 480);
    display.SetBitCount(bits);
    display.Initialize();
    Surface& screen = display.ScreenSurface();
    screen.Fill(screen.DeviceColour(kBackground));
    display.Flip();
    folder.Write("dot.pmp", Dot());
  }
  Display* GetDisplay() const override { return &display; }
  Point MousePos() override { return mouse; }
  TRandom& Random() override { return random; }
  FileServices* Files() override { return &files_; }
  std::filesystem::path BasePath() override { return folder.Base(); }

  std::int32_t Shown(int x, int y) const { return TestLayerServices::Rgb(display.VisibleSurface(), x, y); }
  std::int32_t OnScreen(int x, int y) const { return TestLayerServices::Rgb(display.ScreenSurface(), x, y); }
  // Pixels of the visible surface that differ from the screen surface.
  int OverlayPixels() const {
    int n = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) n += Shown(x, y) != OnScreen(x, y);
    return n;
  }

  PictureFolder folder;
  mutable Display display;
  Point mouse{-1, -1};
  TRandom random;

 private:
  PosixFileServices files_;
};

void Steps(TSpEffectManager& m, int n) {
  for (int i = 0; i < n; ++i) m.Step();
}

struct KindCase {
  const char* name;
  std::int32_t type;
  // Top-left corner after the first, fourth and sixth step (spawned at (100, 200) in the first).
  Point after1, after4, after6;
};

// Worked out from the motion rules and the generator's first draws at seed 0.
const KindCase kKinds[] = {
    {"fluff", kSpFluff, {91, 188}, {97, 189}, {100, 190}},       {"star", kSpStar, {121, 221}, {128, 228}, {134, 234}},
    {"volute", kSpVolute, {98, 198}, {100, 211}, {96, 220}},     {"rain", kSpRain, {100, 240}, {100, 360}, {100, 440}},
    {"hard rain", kSpHardRain, {96, 240}, {84, 360}, {76, 440}}, {"snow", kSpSnow, {100, 201}, {102, 204}, {103, 206}},
    {"snow up", kSpSnowUp, {100, 199}, {102, 196}, {103, 194}},
};

TEST(SpEffectKinds, PositionsAfterSteps) {
  for (const KindCase& c : kKinds) {
    SCOPED_TRACE(c.name);
    ParticleHost host;
    TSpEffectManager m(host);
    m.SetParams(c.type, 1000, 0, 100, 200, "dot.pmp", 1);
    const auto corner = [&] {
      const Rect& r = m.Particle(0).Area();
      EXPECT_EQ(r.Width(), 4);
      EXPECT_EQ(r.Height(), 4);
      return Point{r.left, r.top};
    };
    m.Step();
    ASSERT_EQ(m.Count(), 1u);
    EXPECT_EQ(corner(), c.after1);
    Steps(m, 3);
    EXPECT_EQ(corner(), c.after4);
    Steps(m, 2);
    EXPECT_EQ(corner(), c.after6);
    // The particle is on the window at its place, keyed, and nowhere else.
    EXPECT_EQ(host.Shown(c.after6.x + 1, c.after6.y), kRed);
    EXPECT_EQ(host.Shown(c.after6.x, c.after6.y + 3), kBackground);
    EXPECT_EQ(host.OverlayPixels(), 15);
  }
}

TEST(SpEffectKinds, EndTests) {
  struct Case {
    const char* name;
    std::int32_t type;
    std::int32_t x, y;
    int steps_alive;  // steps after which the particle still lives; it is gone one step later
  } cases[] = {
      {"rain below", kSpRain, 100, 400, 1},
      {"rain beside", kSpRain, 640, 0, 0},
      {"hard rain left of the screen", kSpHardRain, -3, 0, 0},
      {"snow up above the screen", kSpSnowUp, 100, -2, 1},
      {"fluff right of the screen", kSpFluff, 700, 200, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ParticleHost host;
    TSpEffectManager m(host);
    m.SetParams(c.type, 1000, 0, c.x, c.y, "dot.pmp", 1);
    Steps(m, c.steps_alive);
    EXPECT_EQ(m.Count(), c.steps_alive > 0 ? 1u : 0u);
    m.Step();
    EXPECT_EQ(m.Count(), 0u);
  }
}

TEST(SpEffectManager, SpawnRhythm) {
  struct Case {
    std::int32_t encount;
    std::vector<std::size_t> counts;  // particles alive after steps 1, 2, ...
  } cases[] = {
      {5, {1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 3}},  // steps 1, 6, 11
      {1, {1, 2, 3}},
      {0, {1, 2, 3}},
      {-3, {3, 6, 9}},
      // The lowest encount is capped, neither overflowing nor spawning billions, and so are the
      // live particles.
      {INT_MIN, {1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000, 10000, 10000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.encount);
    ParticleHost host;
    TSpEffectManager m(host);
    // Snow in the middle of the screen lives for the whole test.
    m.SetParams(kSpSnow, c.encount, 0, 300, 100, "dot.pmp", 1);
    for (std::size_t i = 0; i < c.counts.size(); ++i) {
      m.Step();
      EXPECT_EQ(m.Count(), c.counts[i]) << "step " << i + 1;
    }
  }
}

TEST(SpEffectManager, SpawnBases) {
  struct Case {
    const char* name;
    std::int32_t base;
    Point mouse;
    bool spawns;
    Rect range;  // where the spawn point may lie
  } cases[] = {
      {"fixed point", 0, {-1, -1}, true, {7, 9, 8, 10}},
      {"mouse inside", 1, {33, 44}, true, {33, 44, 34, 45}},
      {"mouse outside", 1, {-1, -1}, false, {0, 0, 1, 1}},
      {"anywhere on the screen", 2, {}, true, {0, 0, 640, 480}},
      {"above the screen", 3, {}, true, {-50, -99, 690, 1}},
      {"below the screen", 4, {}, true, {-50, 480, 690, 580}},
      {"previous point (none yet)", 9, {}, true, {0, 0, 1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ParticleHost host;
    host.mouse = c.mouse;
    TSpEffectManager m(host);
    m.SetParams(kSpStar, 1000, c.base, 7, 9, "dot.pmp", 1);
    m.Step();
    EXPECT_EQ(m.Count(), c.spawns ? 1u : 0u);
    const Point p = m.SpawnPoint();
    EXPECT_GE(p.x, c.range.left);
    EXPECT_LT(p.x, c.range.right);
    EXPECT_GE(p.y, c.range.top);
    EXPECT_LT(p.y, c.range.bottom);
  }
}

TEST(SpEffectManager, RandomBaseDrawsYFirst) {
  ParticleHost host;
  TSpEffectManager m(host);
  m.SetParams(kSpRain, 1000, 2, 0, 0, "dot.pmp", 1);
  m.Step();
  TRandom r;
  const auto y = static_cast<std::int32_t>(r.Next(480));
  const auto x = static_cast<std::int32_t>(r.Next(640));
  EXPECT_EQ(m.SpawnPoint(), (Point{x, y}));
}

// The window shows particles; the screen surface never holds them, and an erase restores it.
class SpEffectOverlay : public ::testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(Depths, SpEffectOverlay, ::testing::Values(16, 24, 32));

TEST_P(SpEffectOverlay, DrawnOnTheWindowOnlyAndErasedFromTheScreen) {
  ParticleHost host(GetParam());
  Surface before = host.display.ScreenSurface();
  TSpEffectManager m(host);
  m.SetParams(kSpRain, 1000, 0, 10, 0, "dot.pmp", 1);
  m.Step();
  const std::uint64_t presents = host.display.PresentCount();
  m.Step();
  EXPECT_EQ(host.display.PresentCount(), presents + 1) << "one present per step";
  // At (10, 80) now; its place of the step before is the background again.
  EXPECT_EQ(host.Shown(10, 83), kBackground) << "keyed: the bottom-left pixel's colour is not drawn";
  EXPECT_EQ(host.Shown(11, 80), kRed);
  EXPECT_EQ(host.Shown(13, 83), kRed);
  EXPECT_EQ(host.Shown(11, 40), kBackground);
  EXPECT_EQ(host.OverlayPixels(), 15);
  const Surface& screen = host.display.ScreenSurface();
  EXPECT_EQ(std::memcmp(screen.data(), before.data(), screen.pitch() * 480), 0);
  // Switched off: erased at once.
  m.SetType(kSpOff);
  EXPECT_EQ(m.Count(), 0u);
  EXPECT_EQ(host.OverlayPixels(), 0);
}

TEST(SpEffectManager, CellsAnimateWithTheirOwnKeys) {
  ParticleHost host;
  // Three 2x2 cells; the first and third keyed by their bottom-left pixel, the second not.
  host.folder.Write("sparkle.fr", Frames({{true, {{kRed, kRed}, {kGreen, kRed}}},
                                          {false, {{kBlue, kBlue}, {kGreen, kBlue}}},
                                          {true, {{kWhiteRgb, kWhiteRgb}, {kGreen, kWhiteRgb}}}}));
  TSpEffectManager m(host);
  m.SetParams(kSpSnow, 1000, 0, 50, 50, "sparkle.fr", 2);
  EXPECT_EQ(m.Cells(), 0);
  std::vector<std::pair<std::int32_t, std::int32_t>> seen;  // (top-right, bottom-left) per step
  for (int i = 0; i < 7; ++i) {
    m.Step();
    const Rect& r = m.Particle(0).Area();
    seen.emplace_back(host.Shown(r.left + 1, r.top), host.Shown(r.left, r.top + 1));
  }
  EXPECT_EQ(m.Cells(), 3);
  const std::vector<std::pair<std::int32_t, std::int32_t>> expected = {
      {kRed, kBackground},      {kRed, kBackground},      {kBlue, kGreen},    {kBlue, kGreen},
      {kWhiteRgb, kBackground}, {kWhiteRgb, kBackground}, {kRed, kBackground}};
  EXPECT_EQ(seen, expected);
}

TEST(SpEffectManager, StoppingLetsParticlesRunOutThenSwitchesOff) {
  ParticleHost host;
  TSpEffectManager m(host);
  m.SetParams(kSpRain, 0, 0, 10, 300, "dot.pmp", 1);
  Steps(m, 2);
  ASSERT_EQ(m.Count(), 2u);
  // Type 1 keeps every other parameter.
  m.SetParams(kSpStopping, 7, 3, 1, 1, "other.pmp", 9);
  EXPECT_EQ(m.Encount(), 0);
  EXPECT_EQ(m.Src(), "dot.pmp");
  EXPECT_EQ(m.Wait(), 1);
  m.Step();
  EXPECT_EQ(m.Count(), 2u) << "no new particle";
  Steps(m, 3);
  EXPECT_EQ(m.Count(), 0u);
  EXPECT_EQ(m.Type(), kSpOff);
  EXPECT_FALSE(m.Running());
  EXPECT_EQ(host.OverlayPixels(), 0);
}

TEST(SpEffectManager, NewSourceErasesEveryParticleAndIsUsedForTheNextOnes) {
  ParticleHost host;
  host.folder.Write("big.pmp", Bmp24(Solid(8, 6, kBlue)));
  TSpEffectManager m(host);
  m.SetParams(kSpSnow, 0, 0, 100, 100, "dot.pmp", 1);
  Steps(m, 3);
  m.SetParams(kSpSnow, 0, 0, 100, 100, "DOT.PMP", 1);  // same name, other case: nothing changes
  EXPECT_EQ(m.Count(), 3u);
  m.SetParams(kSpSnow, 0, 0, 100, 100, "big.pmp", 1);
  EXPECT_EQ(m.Count(), 0u);
  EXPECT_EQ(host.OverlayPixels(), 0);
  m.Step();
  ASSERT_EQ(m.Count(), 1u);
  EXPECT_EQ(m.Particle(0).Area().Width(), 8);
  EXPECT_EQ(m.Particle(0).Area().Height(), 6);
}

TEST(SpEffectManager, WaitBelowOneCountsAsOne) {
  for (std::int32_t wait : {0, -5, INT_MIN}) {
    SCOPED_TRACE(wait);
    ParticleHost host;
    TSpEffectManager m(host);
    m.SetParams(kSpSnow, 1000, 0, 100, 100, "dot.pmp", wait);
    EXPECT_EQ(m.Wait(), 1);
    Steps(m, 3);
    EXPECT_EQ(m.Count(), 1u);
  }
}

// Pictures that cannot be used: nothing spawns or draws, the log says why once, and a missing
// picture is looked for again at every step.
TEST(SpEffectManager, UnusablePictures) {
  struct Case {
    const char* name;
    std::string src;
    Bytes file;  // written as PMP/<file_name>; empty writes nothing
    std::string file_name;
    bool reported;
  } cases[] = {
      {"missing", "gone.pmp", {}, "", false},
      {"no name", "", {}, "", false},
      {"no frames", "zero.fr", Frames(0, {}), "zero.fr", true},
      {"negative count", "neg.fr", Frames(-4, {{1, Dot()}}), "neg.fr", true},
      {"absurd count", "huge.fr", Frames(INT_MAX, {{1, Dot()}}), "huge.fr", true},
      {"damaged", "bad.pmp", ToBytes("not a picture"), "bad.pmp", true},
      {"climbs out of PMP", "..\\PMP\\dot.pmp", {}, "", true},
      {"climbs out with slashes", "sub/../../PMP/dot.pmp", {}, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ParticleHost host;
    if (!c.file_name.empty()) host.folder.Write(c.file_name, c.file);
    MemoryLog log;
    TSpEffectManager m(host, &log);
    m.SetParams(kSpStar, -5, 0, 100, 100, c.src, 1);
    Steps(m, 3);
    EXPECT_EQ(m.Count(), 0u);
    EXPECT_EQ(m.Cells(), 0);
    EXPECT_EQ(host.OverlayPixels(), 0);
    EXPECT_EQ(log.entries.size(), c.reported ? 1u : 0u);
  }
}

TEST(SpEffectManager, MissingPictureIsFoundWhenItAppears) {
  ParticleHost host;
  TSpEffectManager m(host);
  m.SetParams(kSpSnow, 0, 0, 100, 100, "late.pmp", 1);
  Steps(m, 2);
  EXPECT_EQ(m.Count(), 0u);
  host.folder.Write("late.pmp", Dot());
  m.Step();
  EXPECT_EQ(m.Count(), 1u);
}

TEST(SpEffectManager, ExtremePositionsStayInRange) {
  ParticleHost host;
  for (const KindCase& k : kKinds) {
    for (Point p : {Point{INT_MAX, INT_MAX}, Point{INT_MIN, INT_MIN}}) {
      TSpEffectManager m(host);
      m.SetParams(k.type, -2, 0, p.x, p.y, "dot.pmp", INT_MAX);
      Steps(m, 3);
      for (std::size_t i = 0; i < m.Count(); ++i) EXPECT_FALSE(m.Particle(i).Area().IsEmpty());
      EXPECT_EQ(host.OverlayPixels(), 0) << k.name;
    }
  }
}

TEST(SpEffectManager, SavedParametersReadBackInOrder) {
  ParticleHost host;
  TSpEffectManager m(host);
  m.SetParams(kSpVolute, -2, 3, 11, 22, "dot.pmp", 4);
  TGameStatus status({}, 0);
  m.SaveToStatus(status);
  for (const char* key : {"SpEfEncount", "SpEfType", "SpEfBase", "SpEfX", "SpEfY", "SpEfSrc", "SpEfWait"})
    EXPECT_TRUE(status.HasKey(key)) << key;

  TSpEffectManager loaded(host);
  loaded.LoadFromStatus(status);
  EXPECT_EQ(std::tuple(loaded.Type(), loaded.Encount(), loaded.Base(), loaded.X(), loaded.Y(), loaded.Src(), loaded.Wait()),
            std::tuple(kSpVolute, -2, 3, 11, 22, std::string("dot.pmp"), 4));

  // Loading the same parameters keeps the running particles; another source ends them, and a
  // slot without the keys switches the effect off.
  Steps(m, 2);
  const std::size_t alive = m.Count();
  m.LoadFromStatus(status);
  EXPECT_EQ(m.Count(), alive);
  status.WriteString("SpEfSrc", "other.pmp");
  m.LoadFromStatus(status);
  EXPECT_EQ(m.Count(), 0u);
  TGameStatus empty({}, 0);
  m.LoadFromStatus(empty);
  EXPECT_EQ(m.Type(), kSpOff);
  EXPECT_EQ(m.Wait(), 1);
  EXPECT_EQ(m.Src(), "");
}

TEST(SpEffectManager, NothingWithoutADisplay) {
  ParticleHost host;
  host.display.Finalize();
  TSpEffectManager m(host);
  m.SetParams(kSpSnow, 0, 0, 10, 10, "dot.pmp", 1);
  Steps(m, 3);
  EXPECT_EQ(m.Count(), 0u);
  host.display.Initialize();
  m.Step();
  EXPECT_EQ(m.Count(), 1u);
}

}  // namespace
}  // namespace mavlet::testing
