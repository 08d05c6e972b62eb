#include "player/shell/game_system.h"

#include <exception>
#include <utility>

#include "player/backend/display.h"
#include "player/backend/glyph_source.h"
#include "player/common/error.h"
#include "player/storage/game_status.h"

namespace mavlet {

TGameSystem::TGameSystem(InputState& input, GlyphSource& glyphs, SoundServices sound, GameSystemOptions options,
                         TGameInput* joystick)
    : input_(input),
      glyphs_(glyphs),
      options_(std::move(options)),
      buttons_(input, options_.has_joy_pad ? joystick : nullptr),
      screen_(input, buttons_, glyphs, sound.log,
              ScreenOptions{options_.anti_alias, options_.fade_in_draw, options_.image_cache}, [this] { KeepAlive(); }),
      sound_(sound, SoundOptions{options_.has_sound, options_.sound_buffer, options_.background_unpack}, screen_),
      choices_(buttons_, screen_),
      values_(buttons_, screen_, sound_, choices_, options_.use_fonts) {
  screen_.SetChoices(&choices_);
}

TGameSystem::~TGameSystem() = default;

void TGameSystem::SetEngine(EngineValueHost* engine) {
  screen_.SetEngine(engine);
  sound_.SetEngine(engine);
}

void TGameSystem::KeepAlive() {
  if (Display* display = screen_.GetDisplay()) display->PumpMessages();
  UpdateAudio();
  // Time moves on inside the run: what is pressed meanwhile waits for the queries after it.
  buttons_.PollAll();
}

bool TGameSystem::CloseRequested() {
  Display* display = screen_.GetDisplay();
  return display != nullptr && display->CloseRequested();
}

std::vector<std::string> TGameSystem::ScreenFonts() { return glyphs_.FaceNames(); }

void TGameSystem::SaveToStatus(TGameStatus& status) {
  status.WriteBool("@SoundOn", sound_.IsSoundOn());
  status.WriteString("@Cursor", screen_.Cursor());
  screen_.Layers().SaveToStatus(status);
  sound_.Audio().SaveToStatus(status);
  screen_.SpEffects().SaveToStatus(status);
}

void TGameSystem::LoadFromStatus(TGameStatus& status) {
  // The sound switch is written but deliberately not read back.
  screen_.SetCursor(status.ReadString("@Cursor", ""));
  // A damaged picture or sound still loads the rest and shows the loaded layers; the first
  // failure is reported after that.
  std::exception_ptr first;
  try {
    screen_.Layers().LoadFromStatus(status);
  } catch (const MavError&) {
    first = std::current_exception();
  }
  try {
    sound_.Audio().LoadFromStatus(status);
  } catch (const MavError&) {
    if (!first) first = std::current_exception();
  }
  screen_.RedrawAll();
  screen_.SpEffects().LoadFromStatus(status);
  if (first) std::rethrow_exception(first);
}

void TGameSystem::ResetAll() {
  sound_.StopMovieSound();
  screen_.Layers().ResetAll();
  input_.StopTextInput();  // the text window's entry line went with its reset
  sound_.Audio().ResetAll();
  screen_.RedrawAll();
}

}  // namespace mavlet
