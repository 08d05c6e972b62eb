#pragma once
// What the engine needs from the game system (player/shell): the logical buttons, screen
// update, reset, its part of a saved game and the screen's fonts. The display and media
// commands reach their own ports through it (declared by those layers; the engine only passes
// them on). The game system implements it; engine tests give the engine a small fake.
#include <string>
#include <vector>

namespace mavlet {

class DisplayServices;  // player/display/display_services.h
class MediaServices;    // player/media/media_services.h
class TGameStatus;

class GameServices {
 public:
  virtual ~GameServices() = default;

  // Each press is reported once, to the first query that asks for it: a query that reports a
  // press takes it, so a later query, in the same logic step or after, waits for a new one.
  // Presses that come while a run inside a step waits (KeepAlive) are kept for the queries
  // after the run. BeginStep (called by the engine at the start of every step) looks at the
  // input and forgets presses that were let go and have waited a whole step unasked.
  virtual void BeginStep() = 0;
  // The decide (cancel) button went down since a query last reported it; takes the press.
  virtual bool ClickPressed() = 0;
  virtual bool CancelPressed() = 0;
  // Takes both presses without acting on them (keys typed into a text entry line, a press
  // that must not carry over a display switch).
  virtual void ConsumePresses() = 0;

  // Marks the whole screen as changed; redraws every layer into the back picture.
  virtual void InvalidateAll() = 0;
  virtual void RedrawAll() = 0;
  // Back to the state of a new game: layers, sound, cursor.
  virtual void ResetAll() = 0;

  // The game system's part of a saved game. LoadFromStatus may ask the engine to terminate.
  virtual void SaveToStatus(TGameStatus& status) = 0;
  virtual void LoadFromStatus(TGameStatus& status) = 0;

  // Keeps the window and the sound going while a stream run inside one command waits: handles
  // pending window messages, updates the audio channels and looks at the input, keeping what
  // was pressed for the queries that follow (called between the sleeps of
  // TBookManager::RunToEnd and of a screen transition).
  virtual void KeepAlive() = 0;
  // True once the window was closed or the process was told to end: nested waits end promptly.
  virtual bool CloseRequested() { return false; }

  // Every TrueType face name of the screen (Shift-JIS), unfiltered.
  virtual std::vector<std::string> ScreenFonts() = 0;

  // The ports of the display and media layers; nullptr when the host has none (engine-only
  // runs), and then those commands fail with an error naming what is missing.
  virtual DisplayServices* DisplayPort() = 0;
  virtual MediaServices* MediaPort() = 0;
};

}  // namespace mavlet
