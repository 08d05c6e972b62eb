#include "player/shell/frame_loop.h"

#include <algorithm>

namespace mavlet {

void FrameLoop::OnTimer(std::uint32_t lag) {
  if (!client_.Ready()) return;
  if (!started_) {
    client_.Restart();
    // Marked started before the full-screen switch: a display that cannot switch leaves the
    // title running in its window instead of restarting it on every event.
    started_ = true;
    if (full_screen_at_start_) client_.EnterFullScreen();
    return;
  }
  if (need_flip_ || !client_.ApplicationActive()) {
    client_.FlipScreen();
    need_flip_ = false;
  }
  int n = static_cast<int>(std::min(lag, kMaxCatchUp));
  while (true) {
    client_.Tick();
    if (client_.Terminating()) break;
    client_.UpdateAudio();
    if (n == 0 && client_.CanDraw()) client_.Compose();
    --n;
    if (n < 0) break;
  }
}

}  // namespace mavlet
