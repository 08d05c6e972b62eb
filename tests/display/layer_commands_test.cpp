#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "player/backend/display.h"
#include "player/common/error.h"
#include "player/display/commands/layer_commands.h"
#include "player/display/game_surface.h"
#include "player/engine/book_manager.h"
#include "player/shell/game_system.h"
#include "tests/support/layer_services.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

// Runs single layer commands against a loaded title, outside the frame loop, so that what a
// command presents by itself can be told from what the next frame would present.
class LayerCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(title_.Folder() / "PMP");
    Picture("p.pmp", Bmp24(Solid(4, 4, kRed)));
    Picture("g.pmp", Bmp24(Solid(2, 2, kGreen)));
    Picture("m.pmp", Bmp24(Solid(2, 2, kBlue)));
    Picture("m-m.pmp", Grey8({{0, 0}, {0, 0}}));
    Picture("anim", Frames({{false, Solid(1, 1, kRed)}, {false, Solid(1, 1, kGreen)}, {false, Solid(1, 1, kBlue)}}));
    title_.Scenario(1, "Comment\n");
  }
  void Picture(const std::string& name, const std::vector<std::uint8_t>& payload) {
    PackToFile(title_.Folder() / "PMP" / name, payload);
  }
  void Start(PlayerConfig config = {}) {
    RunOptions o;
    o.config = std::move(config);
    run_ = std::make_unique<TitleRun>(title_, o);
    run_->Load();
    // What the first frame would do: reset the scenario state, present the empty screen.
    Sys().ResetAll();
    Sys().Screen().Compose();
  }
  TGameSystem& Sys() { return run_->R().Sys(); }
  TBookManager& Book() { return run_->Book(); }
  // Parses and runs one command; returns how far it moved the position.
  template <typename Command>
  int Do(std::string_view args) {
    Command c(nullptr);
    c.Parse(args);
    c.Prepare(Sys(), Book());
    TStackData pos;
    pos.Com = 0;
    c.Execute(Book().Manager(0), Sys(), Book(), pos);
    return pos.Com;
  }
  std::int32_t Screen(int x, int y) { return TestLayerServices::Rgb(run_->R().Screen().ScreenSurface(), x, y); }
  std::int32_t Back(int x, int y) { return TestLayerServices::Rgb(*Sys().Screen().WorkSurface(0), x, y); }
  TGameSurface& Layer(int k) { return *Sys().Screen().PictureLayer(k); }

  TestTitle title_;
  std::unique_ptr<TitleRun> run_;
};

TEST_F(LayerCommandsTest, TransitionKindDecidesWhenTheChangeShows) {
  struct Case {
    int kind;
    bool fade_in_draw;
    bool shown_at_once;
  } cases[] = {{0, true, false}, {1, true, true}, {2, true, true} /* runs to its end in the command */,
               {36, true, true}, {37, true, false}, {0, false, true}, {37, false, true}};
  for (const Case& c : cases) {
    PlayerConfig config;
    config.fade_in_draw = c.fade_in_draw;
    Start(config);
    EXPECT_EQ(Do<TComSurface>(",,1,p.pmp,2,3,0,255," + std::to_string(c.kind)), 1);
    EXPECT_EQ(Back(2, 3), kRed) << "the back picture is redrawn at once";
    EXPECT_EQ(Screen(2, 3), c.shown_at_once ? kRed : kBlack) << c.kind << " " << c.fade_in_draw;
    EXPECT_EQ(Sys().Screen().DirtyRect().IsEmpty(), c.shown_at_once) << c.kind;
    Sys().Screen().Compose();
    EXPECT_EQ(Screen(2, 3), kRed);
  }
}

TEST_F(LayerCommandsTest, TransitionsRunToTheirEnd) {
  struct Fake : ScreenTransition {
    int* steps;
    bool* reverse;
    Rect* area;
    void SetReverse(bool r) override { *reverse = r; }
    void SetArea(const Rect& a) override { *area = a; }
    bool Step() override { return ++*steps < 3; }
    Rect UpdateRect() const override { return Rect{0, 0, 640, 480}; }
    void SetSkipDraw(bool) override {}
  };
  int steps = 0;
  bool reverse = false;
  Rect area;
  int kind_seen = 0;
  Start();
  Sys().Screen().SetTransitionFactory([&](int kind, Surface&, Surface&, Surface&) {
    kind_seen = kind;
    auto f = std::make_unique<Fake>();
    f->steps = &steps;
    f->reverse = &reverse;
    f->area = &area;
    return f;
  });
  const std::uint32_t before = run_->R().VirtualClock().NowMs();
  EXPECT_EQ(Do<TComSurface>(",,1,p.pmp,2,3,0,255,7,1"), 1);
  EXPECT_EQ(kind_seen, 7);
  EXPECT_EQ(steps, 3);
  EXPECT_TRUE(reverse);
  EXPECT_EQ(area, (Rect{2, 3, 6, 7}));
  EXPECT_GE(run_->R().VirtualClock().NowMs() - before, 2 * TComSurface::kTransitionStepMs);
  EXPECT_EQ(Screen(2, 3), kRed);
  EXPECT_TRUE(Sys().Screen().DirtyRect().IsEmpty());
  // Kind 1 never asks for a transition.
  kind_seen = 0;
  Do<TComSurface>(",,2,g.pmp,0,0,0,255,1");
  EXPECT_EQ(kind_seen, 0);
}

// A real transition runs inside the command: 16 fade frames and the finishing step, at least
// 11 ms apart, presented step by step, ending on exactly the new scene with the timer back on.
TEST_F(LayerCommandsTest, FadeRunsStepByStepAndEndsOnTheNewScene) {
  Start();
  const std::uint64_t presents_before = run_->R().Screen().PresentCount();
  const std::uint32_t before = run_->R().VirtualClock().NowMs();
  EXPECT_EQ(Do<TComSurface>(",,1,p.pmp,2,3,0,255,2"), 1);
  EXPECT_GE(run_->R().VirtualClock().NowMs() - before, 16 * TComSurface::kTransitionStepMs);
  EXPECT_GE(run_->R().Screen().PresentCount() - presents_before, 10u) << "the fade frames were shown";
  EXPECT_EQ(Screen(2, 3), kRed);
  EXPECT_EQ(Screen(5, 6), kRed);
  EXPECT_FALSE(Sys().Screen().TransitionRunning());
  EXPECT_TRUE(Sys().Screen().DirtyRect().IsEmpty());
}

// A transition asked for while one runs (from the always stream or an input handler) makes no
// transition of its own: its change goes into the back picture, which the running one (keeping
// its front copy) shows with its final present.
TEST_F(LayerCommandsTest, TransitionRequestedDuringATransitionShowsWithTheRunningOne) {
  struct Nesting : ScreenTransition {
    std::function<void()> on_second_step;
    int steps = 0;
    void SetReverse(bool) override {}
    void SetArea(const Rect&) override {}
    bool Step() override {
      if (++steps == 2) on_second_step();
      return steps < 4;
    }
    Rect UpdateRect() const override { return Rect{0, 0, 640, 480}; }
    void SetSkipDraw(bool) override {}
  };
  Start();
  int made = 0;
  Sys().Screen().SetTransitionFactory([&](int, Surface&, Surface&, Surface&) -> std::unique_ptr<ScreenTransition> {
    ++made;
    auto t = std::make_unique<Nesting>();
    t->on_second_step = [this] {
      EXPECT_EQ(Do<TComSurface>(",,2,g.pmp,20,20,0,255,2"), 1);
      EXPECT_EQ(Back(20, 20), kGreen) << "drawn into the running transition's target";
      EXPECT_NE(Screen(20, 20), kGreen) << "not shown ahead of the running transition";
    };
    return t;
  });
  EXPECT_EQ(Do<TComSurface>(",,1,p.pmp,2,3,0,255,5"), 1);
  EXPECT_EQ(made, 1) << "the nested request made no transition";
  EXPECT_EQ(Screen(2, 3), kRed);
  EXPECT_EQ(Screen(20, 20), kGreen);
  EXPECT_FALSE(Sys().Screen().TransitionRunning());
}

TEST_F(LayerCommandsTest, SetSfcPositionAndRemoval) {
  Start();
  Do<TComSurface>(",,1,p.pmp,5,6,0,255,1");
  Do<TComSurface>(",,1,g.pmp,,,0,255,1");  // empty X and Y keep the place
  EXPECT_EQ(Layer(1).LayerRect(), (Rect{5, 6, 7, 8}));
  EXPECT_EQ(Screen(6, 7), kGreen);
  EXPECT_EQ(Screen(8, 8), kBlack) << "the old, larger picture's area was redrawn";
  Do<TComSurface>(",,1,g.pmp,0,,0,255,1");
  EXPECT_EQ(Layer(1).LayerRect(), (Rect{0, 6, 2, 8}));
  Do<TComSurface>(",,1,,,,0,255,1");  // no picture: removed
  EXPECT_EQ(Layer(1).GetFrameCount(), 0);
  EXPECT_EQ(Screen(0, 6), kBlack);
  // Other layer numbers do nothing.
  EXPECT_EQ(Do<TComSurface>(",,12,p.pmp,0,0,0,255,1"), 1);
  EXPECT_EQ(Do<TComSurface>(",,-1,p.pmp,0,0,0,255,1"), 1);
}

TEST_F(LayerCommandsTest, NewBackgroundReloadsMaskedLayersBeforeATransition) {
  Start();
  Do<TComSurface>(",,1,m.pmp,0,0,0,255,1");
  ASSERT_TRUE(Layer(1).HasMask());
  Do<TComSurface>(",,0,p.pmp,0,0,0,255,0");
  EXPECT_TRUE(Layer(1).GetReloadOnTransition());
  EXPECT_FALSE(Layer(2).GetReloadOnTransition());
  Do<TComSurface>(",,0,g.pmp,0,0,0,255,2");
  EXPECT_FALSE(Layer(1).GetReloadOnTransition()) << "reloaded";
}

TEST_F(LayerCommandsTest, NoPaintBackRecordsButDoesNotRedraw) {
  Start();
  Book().no_paint_back = true;
  Do<TComSurface>(",,1,p.pmp,0,0,0,255,0");
  EXPECT_EQ(Back(1, 1), kBlack);
  EXPECT_EQ(Sys().Screen().DirtyRect(), (Rect{0, 0, 4, 4}));
  Sys().Screen().Compose();
  EXPECT_EQ(Back(1, 1), kRed);
  EXPECT_EQ(Screen(1, 1), kBlack) << "the screen surface waits for NoPaintBack to end";
}

TEST_F(LayerCommandsTest, NoTextWaitPresentsAtOnceAndADecideEndsIt) {
  Start();
  Book().SetNoTextWait(true);
  Book().SetTextShown(true);
  Do<TComSurface>(",,1,p.pmp,0,0,0,255,0");
  EXPECT_EQ(Screen(1, 1), kRed);
  EXPECT_TRUE(Book().NoTextWait());
  run_->R().Input().Hold(MouseButton::kLeft);
  run_->R().Input().SetMouse({1, 1});
  run_->R().Sys().BeginStep();
  Do<TComSurface>(",,1,g.pmp,0,0,0,255,0");
  EXPECT_FALSE(Book().NoTextWait());
}

TEST_F(LayerCommandsTest, FillAndOverSfc) {
  Start();
  Do<TComFillSfc>(",,2,1,1,,,255,255,1");  // no size: nothing
  EXPECT_EQ(Screen(1, 1), kBlack);
  Do<TComFillSfc>(",,2,1,1,3,2,$FF0000,255,1");
  EXPECT_EQ(Screen(1, 1), kBlue);
  EXPECT_EQ(Screen(3, 2), kBlue);
  EXPECT_EQ(Screen(4, 1), kBlack);

  Do<TComSurface>(",,1,p.pmp,10,10,0,255,1");
  Do<TComOverSfc>(",,1,g.pmp,0,1,1,0,255,1");
  EXPECT_EQ(Screen(11, 11), kGreen);
  EXPECT_EQ(Do<TComOverSfc>(",,1,g.pmp,20,0,0,0,255,1"), 1);  // no slot 20: nothing
  Do<TComOverSfc>(",,1,,0,,,0,255,1");  // source removed: reloaded
  EXPECT_EQ(Screen(11, 11), kRed);
  EXPECT_EQ(Layer(1).GetAttachment(0)->X, 1) << "empty fields keep the attachment's place";
  // With reload set, the layer is rebuilt from its file with all attachments.
  Layer(1).GetAttachment(3)->SetSrc("g.pmp", nullptr);
  Do<TComOverSfc>(",,1,g.pmp,1,2,2,0,255,1,0,1");
  EXPECT_EQ(Screen(10, 10), kGreen) << "slot 3 at 0,0 was stamped by the reload";
  EXPECT_EQ(Screen(12, 12), kGreen);
}

TEST_F(LayerCommandsTest, FramesBrightnessVisibilityAndEffects) {
  Start();
  Do<TComSurface>(",,3,anim,0,0,0,255,1");
  std::vector<int> seen;
  for (int i = 0; i < 4; ++i) {
    Do<TComFrameInc>(",,3");
    seen.push_back(Layer(3).GetFrameIndex());
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 1}));
  Do<TComFrame>(",,3,7");
  EXPECT_EQ(Layer(3).GetFrameIndex(), 7) << "not range-checked";
  Sys().Screen().Compose();
  EXPECT_EQ(Screen(0, 0), kBlack);
  Do<TComSurface>(",,4,g.pmp,4,0,0,255,1");
  Do<TComFrameInc>(",,4");  // a single frame stays
  EXPECT_EQ(Layer(4).GetFrameIndex(), 0);

  Do<TComBright>("2,,4,-255");  // non-stop: redrawn but not presented
  EXPECT_EQ(Back(4, 0), kBlack);
  EXPECT_EQ(Screen(4, 0), kGreen);
  Do<TComBright>(",,4,0");
  EXPECT_EQ(Screen(4, 0), kGreen);

  Do<TComHideSfc>(",,4");
  EXPECT_EQ(Screen(4, 0), kBlack);
  Do<TComShowSfc>(",,4");
  EXPECT_EQ(Screen(4, 0), kGreen);

  Do<TComEffect>(",,4,5");
  EXPECT_EQ(Layer(4).GetEffect(), 5);
  EXPECT_EQ(Sys().Screen().DirtyRect(), Sys().Screen().ScreenRect());
}

TEST_F(LayerCommandsTest, DepthAndFullScreenCommands) {
  Start();
  Book().SetBitCount(8);
  Do<TComSetFullScr>(",,ON");
  EXPECT_FALSE(run_->R().Screen().FullScreen()) << "refused at 8 bits";
  Book().SetBitCount(32);
  Do<TComSetFullScr>(",,ON");
  EXPECT_TRUE(run_->R().Screen().FullScreen());
  EXPECT_TRUE(Book().FullScreenOn());
  // A depth the display cannot use is reported, and the scenario moves on.
  TComSetBit bad(nullptr);
  bad.Parse(",,12");
  TStackData pos;
  EXPECT_THROW(bad.Execute(Book().Manager(0), Sys(), Book(), pos), MavError);
  EXPECT_EQ(pos.Com, 1);
  EXPECT_EQ(Do<TComSetBit>(",,"), 1);  // default 16
  EXPECT_EQ(run_->R().Screen().BitCount(), 16);
}

}  // namespace
}  // namespace mavlet::testing
