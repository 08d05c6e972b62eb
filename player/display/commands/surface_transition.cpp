// SetSfc's transition run (also FillSfc's and OverSfc's): Execute drives the transition that
// Prepare started to its end on the engine's clock, with the frame timer stopped, the
// game system and the always stream served between steps, and every present tagged with the
// transition's kind. A closed window or an end request stops it at once and ends the engine's
// run; a terminating engine drops the transition without showing it.
#include "player/backend/clock.h"
#include "player/backend/display.h"
#include "player/backend/frame_timer.h"
#include "player/display/commands/layer_commands.h"
#include "player/display/display_services.h"
#include "player/display/transitions/transition_driver.h"
#include "player/engine/book_manager.h"
#include "player/engine/game_services.h"

namespace mavlet {

namespace {

// The game's side of a transition run: its clock, frame timer, presentation and the services
// that keep running between steps (window events, sound, the always stream).
class CommandTransitionHost : public TransitionHost {
 public:
  CommandTransitionHost(TComSurface& command, TCallManager& mgr, GameServices& sys, TBookManager& book)
      : command_(command),
        mgr_(mgr),
        sys_(sys),
        book_(book),
        port_(DisplayOf(sys)),
        timer_(port_.GetDisplay() != nullptr ? port_.GetDisplay()->Timer() : nullptr) {}
  Clock& TransitionClock() override { return book_.GetClock(); }
  std::uint32_t FrameIntervalMs() override {
    return timer_ != nullptr ? timer_->Interval() : FrameTimer::kDefaultIntervalMs;
  }
  void StopFrameTimer() override {
    timer_was_on_ = timer_ != nullptr && timer_->Enabled();
    if (timer_was_on_) timer_->SetEnabled(false);
  }
  void RestartFrameTimer() override {
    if (timer_was_on_) timer_->SetEnabled(true);
  }
  void PresentStep(const Rect& rect, bool) override { port_.PresentDirect(rect); }
  void BetweenSteps() override {
    port_.ServeTransitionWait();
    // Runs only for the main stream, and never inside the always stream's own run.
    command_.RunAlwaysStreamBetweenSteps(mgr_, sys_, book_);
  }
  // The window closed or the process was told to end: the transition stops at once, and the
  // engine terminates, so the step goes no further than past this command.
  bool Closing() override {
    Display* display = port_.GetDisplay();
    if (display != nullptr && display->CloseRequested()) book_.RequestTerminate();
    return book_.TerminateOnClose(sys_);
  }
  void PresentFinal() override {
    port_.Present(port_.ScreenRect());
    port_.ClearDirtyRect();
  }

 private:
  TComSurface& command_;
  TCallManager& mgr_;
  GameServices& sys_;
  TBookManager& book_;
  DisplayServices& port_;
  FrameTimer* timer_;
  bool timer_was_on_ = false;
};

}  // namespace

void TComSurface::RunTransition(TCallManager& mgr, GameServices& sys, TBookManager& book) {
  CommandTransitionHost host(*this, mgr, sys, book);
  DisplayServices& port = DisplayOf(sys);
  port.SetTransitionRunning(true);
  Display* display = port.GetDisplay();
  // Presents made while the transition runs carry its kind (for the record of presents).
  if (display != nullptr) display->SetPresentTag(args_.transition_kind);
  struct Done {
    DisplayServices& port;
    Display* display;
    ~Done() {
      port.SetTransitionRunning(false);
      if (display != nullptr) display->SetPresentTag(0);
    }
  } done{port, display};
  TransitionDriver::Run(*transition_, host, port.ScreenRect());
}

void TComSurface::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  if (book.Terminating()) {
    transition_.reset();
    return;
  }
  if (transition_) {
    RunTransition(mgr, sys, book);
    transition_.reset();
  } else {
    RunAlwaysStream(mgr, sys, book);
  }
  ++pos.Com;
}

}  // namespace mavlet
