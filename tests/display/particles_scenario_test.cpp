#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "player/backend/display.h"
#include "player/backend/graphics/png_writer.h"
#include "player/display/particles/sp_effect_manager.h"
#include "player/shell/game_system.h"
#include "player/storage/game_status.h"
#include "tests/support/layer_services.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

constexpr std::int32_t kScene = 0x842010;  // exact at 16 bits too

// Puts a red 4x4 square keyed by its bottom-left pixel (green) in the title's PMP folder as "dot.pmp".
void AddDot(const TestTitle& title) {
  std::filesystem::create_directories(title.Folder() / "PMP");
  Picture dot = Solid(4, 4, kRed);
  dot[3][0] = kGreen;
  PackToFile(title.Folder() / "PMP" / "dot.pmp", Bmp24(dot));
}

// Titles whose scene is one colour, with SpEffect drawing a red 4x4 square keyed at its corner.
class ParticleScenarioTest : public ::testing::TestWithParam<int> {
 protected:
  std::unique_ptr<TitleRun> Run(std::string_view effect, int events, std::string_view before_wait = "") {
    AddDot(title_);
    title_.Scenario(1, "FillSfc ,,0,0,0,640,480,$842010,255,1\n" + std::string(effect) + "\n" +
                           std::string(before_wait) + "Wait ,,99999\n");
    RunOptions o;
    o.bits = GetParam();
    auto run = RunTitle(title_, events, o);
    EXPECT_EQ(run->Errors(), "");
    return run;
  }
  static std::int32_t Rgb(const Surface& s, int x, int y) { return TestLayerServices::Rgb(s, x, y); }

  TestTitle title_;
};

INSTANTIATE_TEST_SUITE_P(Depths, ParticleScenarioTest, ::testing::Values(16, 24, 32));

TEST_P(ParticleScenarioTest, ParticlesShowOverTheFrameAndNeverReachTheScene) {
  // Snow everywhere on the screen, three flakes a frame.
  auto r = Run("SpEffect ,,7,-3,2,0,0,dot.pmp,1", 12);
  TGameSystem& sys = r->R().Sys();
  ASSERT_GT(sys.Screen().SpEffects().Count(), 20u);
  const Surface& visible = r->R().Screen().VisibleSurface();
  const Surface& screen = r->R().Screen().ScreenSurface();
  const Surface& back = *sys.Screen().WorkSurface(0);
  int particle_pixels = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      ASSERT_EQ(Rgb(screen, x, y), kScene) << x << "," << y;
      ASSERT_EQ(Rgb(back, x, y), kScene) << x << "," << y;
      const std::int32_t shown = Rgb(visible, x, y);
      ASSERT_TRUE(shown == kScene || shown == kRed) << x << "," << y;
      particle_pixels += shown == kRed;
    }
  }
  EXPECT_GT(particle_pixels, 15 * 10);
  // Screenshots show what the window shows.
  const std::filesystem::path shot = title_.Folder() / "shot.png";
  const std::filesystem::path window = title_.Folder() / "window.png";
  r->R().SaveScreenshot(shot);
  WritePng(visible, window);
  EXPECT_EQ(ReadFile(shot), ReadFile(window));
}

// Counts the particle pixels (red) of the window at every present.
class RedAtPresents : public PresentObserver {
 public:
  void OnPresent(const Surface& visible, const Rect&, int) override {
    int n = 0;
    for (int y = 0; y < visible.height(); ++y)
      for (int x = 0; x < visible.width(); ++x) n += TestLayerServices::Rgb(visible, x, y) == kRed;
    counts.push_back(n);
  }
  std::vector<int> counts;
};

TEST_P(ParticleScenarioTest, ACommandPresentingAtOnceKeepsTheParticlesInPlace) {
  // Every frame a fill of the whole screen is shown at once, covering every particle.
  auto r = Run("SpEffect ,,7,0,0,300,100,dot.pmp,1", 6,
               "Label ,,loop\nFillSfc ,,1,0,0,640,480,$842010,255,1\nWait ,,30\nJump ,,1,loop,3\n");
  TSpEffectManager& effects = r->R().Sys().Screen().SpEffects();
  ASSERT_GT(effects.Count(), 2u);
  RedAtPresents seen;
  r->R().Screen().SetPresentObserver(&seen);
  r->Events(6);
  r->R().Screen().SetPresentObserver(nullptr);
  // The fills' presents come on top of the frames' own; every present shows the particles (15
  // pixels each, minus overlaps), and they stepped once a frame: a flake each of the eleven
  // frames after the first event (the restart).
  EXPECT_GT(seen.counts.size(), 6u);
  for (int n : seen.counts) EXPECT_GE(n, 15 * 3);
  EXPECT_EQ(effects.Count(), 11u);
}

TEST_P(ParticleScenarioTest, ALayerEffectHoldsTheParticles) {
  // Snow falls for five frames, then layer 0 starts an effect: the particles are not stepped.
  auto r = Run("SpEffect ,,7,0,0,100,100,dot.pmp,1", 12, "Wait ,,150\nEffect ,,0,1\n");
  const std::size_t count = r->R().Sys().Screen().SpEffects().Count();
  EXPECT_GE(count, 4u);
  r->Events(5);
  EXPECT_EQ(r->R().Sys().Screen().SpEffects().Count(), count);
}

TEST_P(ParticleScenarioTest, TypeZeroLeavesTheWindowAsTheScreen) {
  auto r = Run("SpEffect ,,5,0,2,0,0,dot.pmp,1", 6, "Wait ,,150\nSpEffect ,,0\n");
  r->Events(10);
  EXPECT_FALSE(r->R().Sys().Screen().SpEffects().Running());
  const Surface& visible = r->R().Screen().VisibleSurface();
  const Surface& screen = r->R().Screen().ScreenSurface();
  for (int y = 0; y < 480; ++y)
    ASSERT_EQ(std::memcmp(visible.data() + y * visible.pitch(), screen.data() + y * screen.pitch(), screen.pitch()), 0)
        << "row " << y;
}

TEST(ParticleSaveLoad, TheGameSystemSavesTheEffectAndLoadsItBack) {
  TestTitle title, quiet;
  AddDot(title);
  AddDot(quiet);
  title.Scenario(1, "SpEffect ,,3,-2,0,320,240,dot.pmp,2\nWait ,,99999\n");
  quiet.Scenario(1, "Wait ,,99999\n");
  TitleRun saved(title);
  saved.Load();
  saved.Events(5);
  TGameStatus status({}, 0);
  saved.R().Sys().SaveToStatus(status);
  const std::pair<const char*, const char*> kSaved[] = {{"SpEfType", "3"}, {"SpEfEncount", "-2"}, {"SpEfBase", "0"},
                                                        {"SpEfX", "320"},  {"SpEfY", "240"},      {"SpEfSrc", "dot.pmp"},
                                                        {"SpEfWait", "2"}};
  for (const auto& [key, value] : kSaved) EXPECT_EQ(status.ReadString(key, "?"), value) << key;

  TitleRun loaded(quiet);
  loaded.Load();
  loaded.Events(2);
  TSpEffectManager& effects = loaded.R().Sys().Screen().SpEffects();
  ASSERT_FALSE(effects.Running());
  loaded.R().Sys().LoadFromStatus(status);
  EXPECT_EQ(effects.Type(), kSpStar);
  EXPECT_EQ(effects.Wait(), 2);
  loaded.Events(2);
  EXPECT_EQ(effects.Count(), 4u);
}

}  // namespace
}  // namespace mavlet::testing
