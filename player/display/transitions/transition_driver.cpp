#include "player/display/transitions/transition_driver.h"

#include <algorithm>

#include "player/backend/clock.h"
#include "player/common/ticks.h"

namespace mavlet {

TransitionRun TransitionDriver::Run(ScreenTransition& t, TransitionHost& host, const Rect& screen) {
  TransitionRun run;
  Clock& clock = host.TransitionClock();
  host.StopFrameTimer();
  std::uint32_t frame_start = clock.NowMs();
  const std::uint32_t late_ms = 2 * host.FrameIntervalMs();
  while (run.steps < kMaxSteps) {
    const bool more = t.Step();
    ++run.steps;
    const Rect r = t.UpdateRect();
    if (r.Width() == screen.Width() && r.Height() == screen.Height()) {
      host.PresentStep(screen, true);
    } else if (r.Width() >= 1 && r.Height() >= 1) {
      host.PresentStep(r, false);
    }
    if (!more) break;
    t.SetSkipDraw(TicksSince(clock.NowMs(), frame_start) > late_ms);
    // Wait at least kStepMs from the frame start, sleeping; the host's services run meanwhile.
    for (;;) {
      host.BetweenSteps();
      if (host.Closing()) {
        run.aborted = true;
        return run;
      }
      const std::uint32_t spent = TicksSince(clock.NowMs(), frame_start);
      if (spent >= kStepMs) break;
      clock.SleepMs(std::min(kStepMs - spent, kSleepSliceMs));
    }
    frame_start = clock.NowMs();
  }
  host.PresentFinal();
  if (!host.Closing()) host.RestartFrameTimer();
  return run;
}

}  // namespace mavlet
