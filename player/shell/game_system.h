#pragma once
// The one owner of what the player shows and sounds. For now it answers what the engine asks:
// the logical buttons with their latches and repeat counters, the sound switch, the cursor name
// and its part of a saved game. Display layers, channels, cache and particles join it later.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "player/backend/input.h"
#include "player/vars/system_value_host.h"

namespace mavlet {

class TGameInput;
class TGameStatus;

struct GameSystemOptions {
  bool has_sound = true;    // "HasSound": false keeps sound off whatever the scenario does
  bool has_joy_pad = true;  // "HasJoyPad": use the joystick front end when one is given
};

class TGameSystem : public GameValueHost {
 public:
  // joystick may be null (no joystick in use). Nothing is owned.
  explicit TGameSystem(InputState& input, GameSystemOptions options = {}, TGameInput* joystick = nullptr);
  TGameSystem(const TGameSystem&) = delete;
  TGameSystem& operator=(const TGameSystem&) = delete;

  // --- logical buttons
  // The decide (cancel) button was pressed since the last query that reported it.
  bool ClickPressed();
  bool CancelPressed() override;
  // The button is down now (the same query, so the latch is updated too).
  bool ClickHeld();
  bool CancelHeld() override;
  bool CtrlHeld() override;
  // d: 0 up, 1 down, 2 left, 3 right. Reports at once, after 20 more queries, then every 5.
  bool DirectionPressed(int d);
  // Mouse in game-area pixels; (-1, -1) outside the game area or while inactive.
  Point MousePos();

  // --- sound and cursor
  void SetSoundOn(bool on);
  bool IsSoundOn() const { return sound_on_; }
  void SetCursor(std::string_view name);
  const std::string& Cursor() const { return cursor_name_; }

  // --- screen (nothing to draw yet)
  void Invalidate() {}
  void InvalidateAll() {}
  void RedrawAll() {}
  void Compose() {}
  void UpdateAudio() {}

  // --- persistence
  void SaveToStatus(TGameStatus& status);
  void LoadFromStatus(TGameStatus& status);
  void ResetAll();

  // --- system values served by the game system
  bool DecidePressed() override { return ClickPressed(); }
  bool DecideHeld() override { return ClickHeld(); }
  std::int32_t MouseX() override { return MousePos().x; }
  std::int32_t MouseY() override { return MousePos().y; }
  bool SoundOn() override { return sound_on_; }
  std::string CursorName() override { return cursor_name_; }
  void SetCursorName(std::string_view name) override { SetCursor(name); }

 private:
  struct Button {
    bool latch = false;
    bool down = false;
  };
  // One query of the decide (or cancel) button; returns the edge-detected press.
  bool Query(Button& b, MouseButton mouse, Key key1, Key key2, int joystick_button);
  bool Joystick(int button);

  InputState& input_;
  GameSystemOptions options_;
  TGameInput* joystick_;
  Button click_;
  Button cancel_;
  std::array<std::int32_t, 4> repeat_{};
  bool sound_on_ = false;
  std::string cursor_name_;
};

}  // namespace mavlet
