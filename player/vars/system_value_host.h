#pragma once
// How the "@" system values reach live player state. The store holds one engine host (the
// engine object, TBookManager) and one game host (the game system: display, sound, input).
// Every operation has a default that gives the value a player without that component would
// show, so the store works before (and without) the engine and the display exist.
// Formatting, table rules and errors live in TParamSystem; hosts only hand over raw state.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

class Clock;
class FileServices;
class LocalTimeSource;
class TRandom;

class EngineValueHost {
 public:
  virtual ~EngineValueHost() = default;

  // Services. nullptr: "@Rand" and "@TickCount" read 0, the date reads 2000-01-01 00:00:00,
  // the data-pack tests read off.
  virtual TRandom* Random() { return nullptr; }
  virtual Clock* TickClock() { return nullptr; }
  virtual LocalTimeSource* LocalTime() { return nullptr; }
  virtual FileServices* Files() { return nullptr; }
  // The title's base folder (where "PMX", "PMP" and "WAV" live); empty when not set.
  virtual std::filesystem::path TitleFolder() { return {}; }

  // Save slots. The defaults open the slot's TGameStatus in SaveFolder() for one key and close
  // it again (a write rewrites the slot file at once). An empty SaveFolder() keeps nothing.
  virtual std::filesystem::path SaveFolder() { return {}; }
  virtual std::string ReadSlotKey(int slot, std::string_view key, std::string_view fallback);
  // Throws MavError when the slot file cannot be written.
  virtual void WriteSlotKey(int slot, std::string_view key, std::string_view value);

  // Engine state ("@TextSpd", "@NoTextWait", "@NoPaintBack", "@NowPage", "@HistoryCount").
  virtual std::int32_t TextSpd() { return 3; }
  virtual void SetTextSpd(std::int32_t) {}
  virtual bool NoTextWait() { return false; }
  virtual void SetNoTextWait(bool) {}
  virtual bool NoPaintBack() { return false; }
  virtual void SetNoPaintBack(bool) {}
  // Page of the main stream's position; writing sets the main stream's pending page.
  virtual std::int32_t NowPage() { return -1; }
  virtual void SetPendingPage(std::int32_t) {}
  virtual std::int32_t HistoryCount() { return 0; }
};

class GameValueHost {
 public:
  virtual ~GameValueHost() = default;

  // Text window.
  virtual std::string TextWindowText() { return {}; }
  virtual void SetTextWindowText(std::string_view) {}
  virtual std::int32_t TextX() { return 0; }
  virtual std::int32_t TextY() { return 0; }

  // Layers 0..8 are pictures, 9 is the text window. Setters redraw what they change.
  virtual std::string LayerSource(int /*layer*/) { return {}; }
  virtual void SetLayerSource(int /*layer*/, std::string_view) {}
  virtual std::int32_t LayerFrameIndex(int /*layer*/) { return 0; }
  virtual std::int32_t LayerX(int /*layer*/) { return 0; }
  virtual void SetLayerX(int /*layer*/, std::int32_t) {}
  virtual std::int32_t LayerY(int /*layer*/) { return 0; }
  virtual void SetLayerY(int /*layer*/, std::int32_t) {}
  virtual std::int32_t LayerWidth(int /*layer*/) { return 0; }
  virtual std::int32_t LayerHeight(int /*layer*/) { return 0; }
  virtual std::int32_t LayerBright(int /*layer*/) { return 0; }
  virtual void SetLayerBright(int /*layer*/, std::int32_t) {}
  virtual bool LayerVisible(int /*layer*/) { return false; }
  virtual void SetLayerVisible(int /*layer*/, bool) {}
  // Attachment k (0..19) of picture layer 0..8; setting reloads the layer and redraws it.
  virtual std::string AttachmentSource(int /*layer*/, int /*k*/) { return {}; }
  virtual void SetAttachmentSource(int /*layer*/, int /*k*/, std::string_view) {}

  // Input: "pressed" reports a press once per hold (decide = left, cancel = right).
  virtual bool DecidePressed() { return false; }
  virtual bool CancelPressed() { return false; }
  virtual bool DecideHeld() { return false; }
  virtual bool CancelHeld() { return false; }
  virtual bool CtrlHeld() { return false; }
  virtual std::int32_t MouseX() { return 0; }
  virtual std::int32_t MouseY() { return 0; }
  virtual void MoveMouse(std::int32_t /*x*/, std::int32_t /*y*/) {}

  // Choices.
  virtual std::string LastChoiceText() { return {}; }
  virtual std::int32_t LastChoiceIndex() { return 0; }
  virtual std::int32_t ChoiceTopRow() { return 0; }

  // Fonts: every TrueType face name of the screen, unfiltered, and the UseFonts setting.
  virtual std::vector<std::string> ScreenFonts() { return {}; }
  virtual std::string UseFontsSetting() { return {}; }

  // Game system state.
  virtual std::vector<std::int32_t> BitList() { return {}; }
  virtual std::int32_t NowBit() { return 0; }
  virtual bool FullScreen() { return false; }
  virtual bool SoundOn() { return false; }
  virtual std::string CursorName() { return {}; }
  virtual void SetCursorName(std::string_view) {}

  // Audio channels 0..3.
  virtual std::string ChannelFile(int /*channel*/) { return {}; }
  // Sets the channel's file name and starts playing it.
  virtual void PlayChannelFile(int /*channel*/, std::string_view) {}
  virtual bool ChannelOutput(int /*channel*/) { return false; }
  virtual void SetChannelOutput(int /*channel*/, bool) {}
  virtual std::int32_t ChannelVolume(int /*channel*/) { return 0; }
  virtual void SetChannelVolume(int /*channel*/, std::int32_t) {}
};

}  // namespace mavlet
