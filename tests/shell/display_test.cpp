#include "player/backend/display.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/common/error.h"

namespace mavlet {
namespace {

class Events : public DisplayListener {
 public:
  explicit Events(Display& d) : display(d) {}
  void OnDisplayInitialized() override { log += display.Initialized() ? "I" : "i?"; }
  void OnDisplayFinalizing() override { log += display.Initialized() ? "F" : "f?"; }
  Display& display;
  std::string log;
};

class RecordingDisplay : public Display {
 public:
  std::vector<Rect> uploads;
  std::vector<bool> full_screen;

 protected:
  void Upload(const Rect& r) override { uploads.push_back(r); }
  void ApplyFullScreen(bool on) override { full_screen.push_back(on); }
};

TEST(DisplayTest, LifeCycleEventsSeeUsableSurfaces) {
  RecordingDisplay d;
  Events events(d);
  d.SetListener(&events);
  d.SetSize(320, 240);
  ASSERT_TRUE(d.SetBitCount(16));
  EXPECT_FALSE(d.SetBitCount(8)) << "8-bit displays are not offered";
  EXPECT_EQ(d.BitCount(), 16);
  d.Finalize();
  EXPECT_EQ(events.log, "") << "finalising an uninitialised display does nothing";
  d.Initialize();
  EXPECT_TRUE(d.CanDraw());
  EXPECT_EQ(d.ScreenSurface().width(), 320);
  EXPECT_EQ(d.ScreenSurface().bits_per_pixel(), 16);
  d.Finalize();
  EXPECT_FALSE(d.CanDraw());
  EXPECT_EQ(events.log, "IF") << "finalising is announced while the surfaces still exist";
}

TEST(DisplayTest, PresentCopiesClippedRectangleAndUploadsIt) {
  RecordingDisplay d;
  d.SetSize(64, 32);
  d.Initialize();
  Surface back(d.Format(), 64, 32);
  back.Fill(back.DeviceColour(0x0000FF));
  d.Present(back, Rect{-10, 20, 10, 50});
  ASSERT_EQ(d.uploads.size(), 1u);
  EXPECT_EQ(d.uploads[0], (Rect{0, 20, 10, 32}));
  EXPECT_EQ(d.VisibleSurface().RawPixel(5, 25), back.DeviceColour(0x0000FF));
  EXPECT_EQ(d.VisibleSurface().RawPixel(15, 25), 0u) << "outside the rectangle untouched";
  EXPECT_EQ(d.ScreenSurface().RawPixel(5, 25), 0u) << "the screen surface is the caller's";
  d.Present(back, Rect{0, 20, 10, 32});
  EXPECT_EQ(d.uploads.size(), 1u) << "the same picture again is not shown again";
  d.Present(back, Rect{70, 0, 80, 10});
  d.Present(back, Rect{5, 5, 5, 10});
  EXPECT_EQ(d.uploads.size(), 1u) << "empty or off-screen rectangles show nothing";
  d.ScreenSurface().Fill(d.ScreenSurface().DeviceColour(0x00FF00));
  d.Flip();
  EXPECT_EQ(d.uploads.back(), (Rect{0, 0, 64, 32}));
  EXPECT_EQ(d.VisibleSurface().RawPixel(5, 25), d.ScreenSurface().DeviceColour(0x00FF00));
  d.Finalize();
  d.Present(back, Rect{0, 0, 8, 8});
  EXPECT_EQ(d.uploads.size(), 2u) << "nothing is shown without a display";
}

TEST(DisplayTest, BatchedPresentsReachTheWindowAsOne) {
  RecordingDisplay d;
  d.SetSize(64, 32);
  d.Initialize();
  Surface back(d.Format(), 64, 32);
  back.Fill(back.DeviceColour(0x0000FF));
  d.BeginPresentBatch();
  d.Present(back, Rect{0, 0, 4, 4});
  d.VisibleSurface().FillRect(Rect{30, 10, 34, 12}, 0);
  d.ShowVisible(Rect{30, 10, 34, 12});
  d.Present(back, Rect{0, 0, 4, 4});  // already shown: adds nothing
  EXPECT_TRUE(d.uploads.empty());
  EXPECT_EQ(d.VisibleSurface().RawPixel(1, 1), back.DeviceColour(0x0000FF)) << "the pixels change at once";
  d.EndPresentBatch();
  ASSERT_EQ(d.uploads.size(), 1u);
  EXPECT_EQ(d.uploads[0], (Rect{0, 0, 34, 12}));
  EXPECT_EQ(d.PresentCount(), 1u);
  // A batch that changed nothing shows nothing; after it presents go out one by one again.
  d.BeginPresentBatch();
  d.Present(back, Rect{0, 0, 4, 4});
  d.EndPresentBatch();
  EXPECT_EQ(d.uploads.size(), 1u);
  d.ShowVisible(Rect{0, 0, 1, 1});
  EXPECT_EQ(d.uploads.size(), 2u);
}

TEST(DisplayTest, FullScreenSwitchAppliedOnChangeOnlyAndBadSizeRefused) {
  RecordingDisplay d;
  d.SetFullScreen(false);
  d.SetFullScreen(true);
  d.SetFullScreen(true);
  d.SetFullScreen(false);
  EXPECT_EQ(d.full_screen, (std::vector<bool>{true, false}));
  d.SetSize(0, 480);
  EXPECT_THROW(d.Initialize(), MavError);
  EXPECT_FALSE(d.Initialized());
  d.SetSize(640, 480);
  std::vector<DisplayMode> modes = d.Modes();
  ASSERT_FALSE(modes.empty());
  for (const DisplayMode& m : modes) EXPECT_GT(m.bits, 8);
}

}  // namespace
}  // namespace mavlet
