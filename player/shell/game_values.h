#pragma once
// The game system's side of the "@" system values (GameValueHost): the text window, the layers
// and their attachments, the buttons and the mouse, the last choice, the fonts, the display
// settings, the cursor and the audio channels, each read from or written to the part of the
// game system that holds it. Setters redraw what they change. Layer numbers and channels out of
// range read as empty or zero and ignore writes; a bad "@Text" markup throws MavError.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "player/vars/system_value_host.h"

namespace mavlet {

class GameButtons;
class GameChoices;
class GameScreen;
class GameSound;
class TCustomGameSurface;

class GameValues : public GameValueHost {
 public:
  // use_fonts: the "UseFonts" setting (Shift-JIS, comma-separated).
  GameValues(GameButtons& buttons, GameScreen& screen, GameSound& sound, GameChoices& choices, std::string use_fonts);

  std::string TextWindowText() override;
  void SetTextWindowText(std::string_view markup) override;
  std::int32_t TextX() override;
  std::int32_t TextY() override;
  std::string LayerSource(int layer) override;
  void SetLayerSource(int layer, std::string_view name) override;
  std::int32_t LayerFrameIndex(int layer) override;
  std::int32_t LayerX(int layer) override;
  void SetLayerX(int layer, std::int32_t x) override;
  std::int32_t LayerY(int layer) override;
  void SetLayerY(int layer, std::int32_t y) override;
  std::int32_t LayerWidth(int layer) override;
  std::int32_t LayerHeight(int layer) override;
  std::int32_t LayerBright(int layer) override;
  void SetLayerBright(int layer, std::int32_t bright) override;
  bool LayerVisible(int layer) override;
  void SetLayerVisible(int layer, bool on) override;
  std::string AttachmentSource(int layer, int k) override;
  void SetAttachmentSource(int layer, int k, std::string_view name) override;
  bool DecidePressed() override;
  bool CancelPressed() override;
  bool DecideHeld() override;
  bool CancelHeld() override;
  bool CtrlHeld() override;
  std::int32_t MouseX() override;
  std::int32_t MouseY() override;
  void MoveMouse(std::int32_t x, std::int32_t y) override;
  std::string LastChoiceText() override;
  std::int32_t LastChoiceIndex() override;
  std::int32_t ChoiceTopRow() override;
  std::vector<std::string> ScreenFonts() override;
  std::string UseFontsSetting() override { return use_fonts_; }
  std::vector<std::int32_t> BitList() override;
  std::int32_t NowBit() override;
  bool FullScreen() override;
  bool SoundOn() override;
  std::string CursorName() override;
  void SetCursorName(std::string_view name) override;
  std::string ChannelFile(int channel) override;
  void PlayChannelFile(int channel, std::string_view name) override;
  bool ChannelOutput(int channel) override;
  void SetChannelOutput(int channel, bool on) override;
  std::int32_t ChannelVolume(int channel) override;
  void SetChannelVolume(int channel, std::int32_t volume) override;

 private:
  template <typename Change>
  void ChangeLayer(TCustomGameSurface* layer, Change change);

  GameButtons& buttons_;
  GameScreen& screen_;
  GameSound& sound_;
  GameChoices& choices_;
  std::string use_fonts_;
};

}  // namespace mavlet
