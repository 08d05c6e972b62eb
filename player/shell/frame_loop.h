#pragma once
// What one frame timer event does: restart the engine on the first event, then run
// 1 + min(lag, 10) logic steps and draw once after the last of them.
#include <cstdint>

namespace mavlet {

// The engine and game system as the frame loop sees them; the player binds the real objects.
class FrameClient {
 public:
  virtual ~FrameClient() = default;
  // Engine and game system exist and the display can draw.
  virtual bool Ready() = 0;
  // Engine Restart (first event only).
  virtual void Restart() = 0;
  // Engine front SetFullScreen(true), refused by the engine at 8 bits or less.
  virtual void EnterFullScreen() = 0;
  virtual bool ApplicationActive() = 0;
  virtual void FlipScreen() = 0;
  // One logic step of the engine.
  virtual void Tick() = 0;
  // True once the player was asked to quit (Exit command, window closed, cancelled set-up).
  virtual bool Terminating() = 0;
  virtual void UpdateAudio() = 0;
  virtual bool CanDraw() = 0;
  virtual void Compose() = 0;
};

class FrameLoop {
 public:
  static constexpr std::uint32_t kMaxCatchUp = 10;

  FrameLoop(FrameClient& client, bool full_screen_at_start)
      : client_(client), full_screen_at_start_(full_screen_at_start) {}

  // One timer event with the lag the frame timer reported. Errors thrown by the client
  // propagate; the caller reports them and the next event runs normally.
  void OnTimer(std::uint32_t lag);

  // The display was initialised again or the application became active: flip the whole screen.
  void RequestFlip() { need_flip_ = true; }

  bool Started() const { return started_; }

 private:
  FrameClient& client_;
  bool full_screen_at_start_;
  bool started_ = false;
  bool need_flip_ = true;
};

}  // namespace mavlet
