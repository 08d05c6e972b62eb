#include <gtest/gtest.h>

#include "player/backend/display.h"
#include "player/display/game_surface.h"
#include "player/display/scene_compositor.h"
#include "tests/support/layer_services.h"

namespace mavlet::testing {
namespace {

class SceneCompositorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("bg.pmp", Bmp24(Solid(8, 8, kBlue)));
    folder_.Write("r.pmp", Bmp24(Solid(2, 2, kRed)));
    display_.SetSize(8, 8);
    display_.Initialize();
    compositor_.SetDisplay(&display_);
    compositor_.Initialize();
    services_.Layers().ResetAll();
  }
  std::int32_t Screen(int x, int y) { return TestLayerServices::Rgb(display_.ScreenSurface(), x, y); }
  std::int32_t Window(int x, int y) { return TestLayerServices::Rgb(display_.VisibleSurface(), x, y); }
  TGameSurface& Layer(int k) { return *services_.Layers().Picture(k); }

  PictureFolder folder_;
  TestLayerServices services_{folder_};
  Display display_;
  SceneCompositor compositor_{services_.Layers()};
};

TEST_F(SceneCompositorTest, ChangedAreaGrowsAndEmpties) {
  EXPECT_TRUE(compositor_.DirtyRect().IsEmpty());
  compositor_.Invalidate(Rect{2, 3, 4, 5});
  compositor_.Invalidate(Rect{5, 5, 5, 9});  // empty: ignored
  compositor_.Invalidate(Rect{1, 4, 3, 6});
  EXPECT_EQ(compositor_.DirtyRect(), (Rect{1, 3, 4, 6}));
  compositor_.Compose(false, false);
  EXPECT_TRUE(compositor_.DirtyRect().IsEmpty());
}

TEST_F(SceneCompositorTest, ComposePresentsOnlyTheChangedArea) {
  Layer(0).SetSrc("bg.pmp");
  compositor_.Invalidate(Rect{0, 0, 2, 2});
  compositor_.Compose(false, false);
  EXPECT_EQ(Screen(1, 1), kBlue);
  EXPECT_EQ(Window(1, 1), kBlue);
  EXPECT_EQ(Screen(2, 2), kBlack) << "outside the changed area";
  EXPECT_EQ(compositor_.Compose(false, false), SceneCompositor::Mode::kArea);
  EXPECT_EQ(Screen(2, 2), kBlack) << "nothing changed, nothing drawn";
}

TEST_F(SceneCompositorTest, HiddenLayerLeavesNoTrace) {
  Layer(3).SetSrc("r.pmp");
  compositor_.InvalidateAll();
  compositor_.Compose(false, false);
  ASSERT_EQ(Screen(0, 0), kRed);
  Layer(3).SetVisible(false);
  compositor_.Invalidate(Layer(3).LayerRect());
  compositor_.Compose(false, false);
  EXPECT_EQ(Screen(0, 0), kBlack);
  // A blended layer redrawn over and over keeps its strength.
  Layer(3).SetVisible(true);
  Layer(3).SetAlpha(128);
  for (int i = 0; i < 3; ++i) {
    compositor_.Invalidate(Layer(3).LayerRect());
    compositor_.Compose(false, false);
  }
  EXPECT_NEAR(Screen(0, 0) & 0xFF, 128, 1);
}

TEST_F(SceneCompositorTest, EffectsRedrawTheWholeScreen) {
  Layer(0).SetSrc("bg.pmp");
  Layer(2).SetSrc("r.pmp");
  Layer(2).SetEffect(TGameSurface::kShake);
  const auto before = display_.PresentCount();
  EXPECT_EQ(compositor_.Compose(false, false), SceneCompositor::Mode::kEffects);
  EXPECT_EQ(display_.PresentCount(), before + 1);
  EXPECT_EQ(Screen(7, 7), kBlue);
  EXPECT_EQ(compositor_.ComposeMode(true), SceneCompositor::Mode::kEffects);
  Layer(2).SetEffect(0);
  EXPECT_EQ(compositor_.ComposeMode(true), SceneCompositor::Mode::kParticles);
}

TEST_F(SceneCompositorTest, NoPaintBackLeavesTheScreenSurface) {
  Layer(0).SetSrc("bg.pmp");
  compositor_.InvalidateAll();
  compositor_.Compose(true, false);
  EXPECT_EQ(Screen(3, 3), kBlack);
  EXPECT_EQ(Window(3, 3), kBlue);
  // Direct presentation shows the screen surface as it is.
  compositor_.PresentDirect(Rect{0, 0, 8, 8});
  EXPECT_EQ(Window(3, 3), kBlack);
  // When the switch goes off, the screen surface catches up with everything.
  compositor_.Compose(false, false);
  EXPECT_EQ(Screen(3, 3), kBlue);
  EXPECT_EQ(Screen(7, 7), kBlue);
}

TEST_F(SceneCompositorTest, RedrawAreaClearsBeforeDrawing) {
  Layer(1).SetSrc("r.pmp");
  compositor_.RedrawAll();
  Surface& back = *compositor_.WorkSurface(0);
  EXPECT_EQ(TestLayerServices::Rgb(back, 1, 1), kRed);
  Layer(1).SetX(4);
  compositor_.RedrawArea(Rect{0, 0, 8, 8});
  EXPECT_EQ(TestLayerServices::Rgb(back, 1, 1), kBlack);
  EXPECT_EQ(TestLayerServices::Rgb(back, 5, 1), kRed);
  EXPECT_EQ(compositor_.WorkSurface(2), nullptr);
  compositor_.Finalize();
  EXPECT_EQ(compositor_.WorkSurface(0), nullptr);
  compositor_.Compose(false, false);  // nothing to draw on: no harm
}

}  // namespace
}  // namespace mavlet::testing
