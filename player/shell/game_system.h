#pragma once
// The one owner of what the player shows and sounds, split by job: the logical buttons and the
// mouse (GameButtons), the screen with its layers, compositor and display life cycle
// (GameScreen), the audio channels and movie sound (GameSound), the choice port (GameChoices)
// and the "@" values (GameValues). It implements the engine's GameServices itself and hands the
// other ports out: DisplayPort is the screen, ChoicePort the choices, MediaPort the sound, and
// Values the variables' GameValueHost. From the engine it knows only the narrow
// EngineValueHost. The glyphs and the sound output are given by the composition root (nothing
// is owned); missing sound output throws MavError.
#include <cstdint>
#include <string>
#include <vector>

#include "player/display/picture_cache.h"
#include "player/engine/game_services.h"
#include "player/shell/game_buttons.h"
#include "player/shell/game_choices.h"
#include "player/shell/game_screen.h"
#include "player/shell/game_sound.h"
#include "player/shell/game_values.h"

namespace mavlet {

class Display;
class GlyphSource;
class InputState;
class MovieOpener;
class TGameInput;
class TGameStatus;

struct GameSystemOptions {
  bool has_sound = true;    // "HasSound": false keeps sound off whatever the scenario does
  bool has_joy_pad = true;  // "HasJoyPad": use the joystick front end when one is given
  bool anti_alias = true;   // "AntiAlias": draw layers 1..8 through their masks
  bool fade_in_draw = true; // "FadeinDraw": off shows every surface change at once
  int image_cache = TCacheList::kDefaultCapacity;  // "ImageCache": decoded pictures kept
  std::int32_t sound_buffer = 5000;  // "SoundBuffer": stream buffer per channel in ms
  // Unpack packed sounds on a worker thread so that starting one never stalls a frame; the
  // player turns it on, runs on a virtual clock keep it off to stay repeatable.
  bool background_unpack = false;
  std::string use_fonts;    // "UseFonts": comma-separated faces offered to scenarios (Shift-JIS)

  bool operator==(const GameSystemOptions&) const = default;
};

class TGameSystem : public GameServices {
 public:
  // joystick may be null (no joystick in use). Nothing is owned.
  TGameSystem(InputState& input, GlyphSource& glyphs, SoundServices sound, GameSystemOptions options = {},
              TGameInput* joystick = nullptr);
  ~TGameSystem() override;
  TGameSystem(const TGameSystem&) = delete;
  TGameSystem& operator=(const TGameSystem&) = delete;

  // --- the parts
  GameButtons& Buttons() { return buttons_; }
  GameScreen& Screen() { return screen_; }
  GameSound& Sound() { return sound_; }
  GameChoices& Choices() { return choices_; }
  GameValueHost& Values() { return values_; }
  const GameSystemOptions& Options() const { return options_; }

  // --- wiring (neither is owned; both may stay null, then nothing is drawn or found)
  void SetDisplay(Display* display) { screen_.SetDisplay(display); }
  // The engine gives the title folder, file lookup, the shared random generator, the text font
  // and the no-paint-back switch.
  void SetEngine(EngineValueHost* engine);
  // The decoder movies are opened with (not owned); null plays none.
  void SetMovieOpener(MovieOpener* movies) { sound_.SetMovieOpener(movies); }

  // --- GameServices
  void BeginStep() override { buttons_.BeginStep(); }
  bool ClickPressed() override { return buttons_.ClickPressed(); }
  bool CancelPressed() override { return buttons_.CancelPressed(); }
  void ConsumePresses() override { buttons_.ConsumePresses(); }
  void InvalidateAll() override { screen_.InvalidateAll(); }
  void RedrawAll() override { screen_.RedrawAll(); }
  void ResetAll() override;
  void SaveToStatus(TGameStatus& status) override;
  void LoadFromStatus(TGameStatus& status) override;
  // Between the sleeps of a stream run that waits inside a command: window messages, audio,
  // and a look at the input (what arrives is kept for the queries after the run).
  void KeepAlive() override;
  bool CloseRequested() override;
  std::vector<std::string> ScreenFonts() override;
  DisplayServices* DisplayPort() override { return &screen_; }
  MediaServices* MediaPort() override { return &sound_; }

  // --- the frame (from the session)
  // Once per logic step: lets the channels refill, step their fades and notice ended sounds.
  void UpdateAudio() { sound_.UpdateAudio(); }
  void ComposeFrame() { screen_.ComposeFrame(); }

 private:
  InputState& input_;
  GlyphSource& glyphs_;
  GameSystemOptions options_;
  GameButtons buttons_;
  GameScreen screen_;
  GameSound sound_;
  GameChoices choices_;
  GameValues values_;
};

}  // namespace mavlet
