#pragma once
// How the "@" system values reach live player state. The store holds one engine host (the
// engine object, TBookManager) and one game host (the game system: display, sound, input).
// Both interfaces are pure, so a host that misses an operation does not compile; NoEngineValues
// and NoGameValues give the values a player without that component shows, so the store works
// before (and without) the engine and the display exist, and test fakes override only a few.
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

  // Services; nullptr where the player has none.
  virtual TRandom* Random() = 0;
  virtual Clock* TickClock() = 0;
  virtual LocalTimeSource* LocalTime() = 0;
  virtual FileServices* Files() = 0;
  // The title's base folder (where "PMX", "PMP" and "WAV" live); empty when not set.
  virtual std::filesystem::path TitleFolder() = 0;

  // Save slots: one key of a slot file in SaveFolder() (ReadSlotFileKey, WriteSlotFileKey).
  virtual std::filesystem::path SaveFolder() = 0;
  virtual std::string ReadSlotKey(int slot, std::string_view key, std::string_view fallback) = 0;
  // Throws MavError when the slot file cannot be written.
  virtual void WriteSlotKey(int slot, std::string_view key, std::string_view value) = 0;

  // Engine state ("@TextSpd", "@NoTextWait", "@NoPaintBack", "@NowPage", "@HistoryCount").
  virtual std::int32_t TextSpd() = 0;
  virtual void SetTextSpd(std::int32_t) = 0;
  virtual bool NoTextWait() = 0;
  virtual void SetNoTextWait(bool) = 0;
  virtual bool NoPaintBack() = 0;
  virtual void SetNoPaintBack(bool) = 0;
  // Page of the main stream's position; writing sets the main stream's pending page.
  virtual std::int32_t NowPage() = 0;
  virtual void SetPendingPage(std::int32_t) = 0;
  virtual std::int32_t HistoryCount() = 0;
  // The text font the scenario chose (Shift-JIS; "@FontName" in saved games).
  virtual std::string FontName() = 0;
};

class GameValueHost {
 public:
  virtual ~GameValueHost() = default;

  // Text window.
  virtual std::string TextWindowText() = 0;
  virtual void SetTextWindowText(std::string_view) = 0;
  virtual std::int32_t TextX() = 0;
  virtual std::int32_t TextY() = 0;

  // Layers 0..8 are pictures, 9 is the text window. Setters redraw what they change.
  virtual std::string LayerSource(int layer) = 0;
  virtual void SetLayerSource(int layer, std::string_view) = 0;
  virtual std::int32_t LayerFrameIndex(int layer) = 0;
  virtual std::int32_t LayerX(int layer) = 0;
  virtual void SetLayerX(int layer, std::int32_t) = 0;
  virtual std::int32_t LayerY(int layer) = 0;
  virtual void SetLayerY(int layer, std::int32_t) = 0;
  virtual std::int32_t LayerWidth(int layer) = 0;
  virtual std::int32_t LayerHeight(int layer) = 0;
  virtual std::int32_t LayerBright(int layer) = 0;
  virtual void SetLayerBright(int layer, std::int32_t) = 0;
  virtual bool LayerVisible(int layer) = 0;
  virtual void SetLayerVisible(int layer, bool) = 0;
  // Attachment k (0..19) of picture layer 0..8; setting reloads the layer and redraws it.
  virtual std::string AttachmentSource(int layer, int k) = 0;
  virtual void SetAttachmentSource(int layer, int k, std::string_view) = 0;

  // Input (decide = left, cancel = right). "@ClickL"/"@ClickR" are queries like any other:
  // "pressed" reports a press once, to the first query that asks, and takes it, so a WaitClick
  // after a read that saw 1 waits for a new press. "@PushL"/"@PushR" read "held": the button is
  // down now, and nothing is taken.
  virtual bool DecidePressed() = 0;
  virtual bool CancelPressed() = 0;
  virtual bool DecideHeld() = 0;
  virtual bool CancelHeld() = 0;
  virtual bool CtrlHeld() = 0;
  virtual std::int32_t MouseX() = 0;
  virtual std::int32_t MouseY() = 0;
  virtual void MoveMouse(std::int32_t x, std::int32_t y) = 0;

  // Choices.
  virtual std::string LastChoiceText() = 0;
  virtual std::int32_t LastChoiceIndex() = 0;
  virtual std::int32_t ChoiceTopRow() = 0;

  // Fonts: every TrueType face name of the screen, unfiltered, and the UseFonts setting.
  virtual std::vector<std::string> ScreenFonts() = 0;
  virtual std::string UseFontsSetting() = 0;

  // Game system state.
  virtual std::vector<std::int32_t> BitList() = 0;
  virtual std::int32_t NowBit() = 0;
  virtual bool FullScreen() = 0;
  virtual bool SoundOn() = 0;
  virtual std::string CursorName() = 0;
  virtual void SetCursorName(std::string_view) = 0;

  // Audio channels 0..3.
  virtual std::string ChannelFile(int channel) = 0;
  // Sets the channel's file name and starts playing it.
  virtual void PlayChannelFile(int channel, std::string_view) = 0;
  virtual bool ChannelOutput(int channel) = 0;
  virtual void SetChannelOutput(int channel, bool) = 0;
  virtual std::int32_t ChannelVolume(int channel) = 0;
  virtual void SetChannelVolume(int channel, std::int32_t) = 0;
};

// One key of save slot `slot` in folder: opens the slot's TGameStatus and closes it again (a
// write rewrites the slot file at once). An empty folder keeps nothing: reads give the fallback.
// Writing throws MavError when the slot file cannot be written.
std::string ReadSlotFileKey(const std::filesystem::path& folder, int slot, std::string_view key,
                            std::string_view fallback);
void WriteSlotFileKey(const std::filesystem::path& folder, int slot, std::string_view key, std::string_view value);

// What a player without an engine shows: "@Rand" and "@TickCount" read 0, the date reads
// 2000-01-01 00:00:00, the data-pack tests read off, slots are read from SaveFolder() (empty:
// nothing is kept).
class NoEngineValues : public EngineValueHost {
 public:
  TRandom* Random() override { return nullptr; }
  Clock* TickClock() override { return nullptr; }
  LocalTimeSource* LocalTime() override { return nullptr; }
  FileServices* Files() override { return nullptr; }
  std::filesystem::path TitleFolder() override { return {}; }
  std::filesystem::path SaveFolder() override { return {}; }
  std::string ReadSlotKey(int slot, std::string_view key, std::string_view fallback) override {
    return ReadSlotFileKey(SaveFolder(), slot, key, fallback);
  }
  void WriteSlotKey(int slot, std::string_view key, std::string_view value) override {
    WriteSlotFileKey(SaveFolder(), slot, key, value);
  }
  std::int32_t TextSpd() override { return 3; }
  void SetTextSpd(std::int32_t) override {}
  bool NoTextWait() override { return false; }
  void SetNoTextWait(bool) override {}
  bool NoPaintBack() override { return false; }
  void SetNoPaintBack(bool) override {}
  std::int32_t NowPage() override { return -1; }
  void SetPendingPage(std::int32_t) override {}
  std::int32_t HistoryCount() override { return 0; }
  std::string FontName() override { return {}; }
};

// What a player without a game system shows: no text, layers, input, sound or fonts.
class NoGameValues : public GameValueHost {
 public:
  std::string TextWindowText() override { return {}; }
  void SetTextWindowText(std::string_view) override {}
  std::int32_t TextX() override { return 0; }
  std::int32_t TextY() override { return 0; }
  std::string LayerSource(int /*layer*/) override { return {}; }
  void SetLayerSource(int /*layer*/, std::string_view) override {}
  std::int32_t LayerFrameIndex(int /*layer*/) override { return 0; }
  std::int32_t LayerX(int /*layer*/) override { return 0; }
  void SetLayerX(int /*layer*/, std::int32_t) override {}
  std::int32_t LayerY(int /*layer*/) override { return 0; }
  void SetLayerY(int /*layer*/, std::int32_t) override {}
  std::int32_t LayerWidth(int /*layer*/) override { return 0; }
  std::int32_t LayerHeight(int /*layer*/) override { return 0; }
  std::int32_t LayerBright(int /*layer*/) override { return 0; }
  void SetLayerBright(int /*layer*/, std::int32_t) override {}
  bool LayerVisible(int /*layer*/) override { return false; }
  void SetLayerVisible(int /*layer*/, bool) override {}
  std::string AttachmentSource(int /*layer*/, int /*k*/) override { return {}; }
  void SetAttachmentSource(int /*layer*/, int /*k*/, std::string_view) override {}
  bool DecidePressed() override { return false; }
  bool CancelPressed() override { return false; }
  bool DecideHeld() override { return false; }
  bool CancelHeld() override { return false; }
  bool CtrlHeld() override { return false; }
  std::int32_t MouseX() override { return 0; }
  std::int32_t MouseY() override { return 0; }
  void MoveMouse(std::int32_t /*x*/, std::int32_t /*y*/) override {}
  std::string LastChoiceText() override { return {}; }
  std::int32_t LastChoiceIndex() override { return 0; }
  std::int32_t ChoiceTopRow() override { return 0; }
  std::vector<std::string> ScreenFonts() override { return {}; }
  std::string UseFontsSetting() override { return {}; }
  std::vector<std::int32_t> BitList() override { return {}; }
  std::int32_t NowBit() override { return 0; }
  bool FullScreen() override { return false; }
  bool SoundOn() override { return false; }
  std::string CursorName() override { return {}; }
  void SetCursorName(std::string_view) override {}
  std::string ChannelFile(int /*channel*/) override { return {}; }
  void PlayChannelFile(int /*channel*/, std::string_view) override {}
  bool ChannelOutput(int /*channel*/) override { return false; }
  void SetChannelOutput(int /*channel*/, bool) override {}
  std::int32_t ChannelVolume(int /*channel*/) override { return 0; }
  void SetChannelVolume(int /*channel*/, std::int32_t) override {}
};

}  // namespace mavlet
