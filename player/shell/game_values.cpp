#include "player/shell/game_values.h"

#include <string>
#include <utility>

#include "player/common/error.h"
#include "player/display/attachment.h"
#include "player/display/game_surface.h"
#include "player/media/audio_channel.h"
#include "player/shell/game_buttons.h"
#include "player/shell/game_choices.h"
#include "player/shell/game_screen.h"
#include "player/shell/game_sound.h"

namespace mavlet {

// Changes a layer (none: nothing happens) and shows the area it covered before and after.
template <typename Change>
void GameValues::ChangeLayer(TCustomGameSurface* layer, Change change) {
  if (layer == nullptr) return;
  const Rect before = layer->LayerRect();
  change(*layer);
  screen_.ShowLayerChange(before, *layer);
}

GameValues::GameValues(GameButtons& buttons, GameScreen& screen, GameSound& sound, GameChoices& choices,
                       std::string use_fonts)
    : buttons_(buttons), screen_(screen), sound_(sound), choices_(choices), use_fonts_(std::move(use_fonts)) {}

std::string GameValues::TextWindowText() { return screen_.TextWindow().GetText(); }

std::int32_t GameValues::TextX() { return screen_.TextWindow().OutputX(); }

std::int32_t GameValues::TextY() { return screen_.TextWindow().OutputY(); }

bool GameValues::DecidePressed() { return buttons_.ClickPressed(); }

bool GameValues::CancelPressed() { return buttons_.CancelPressed(); }

bool GameValues::DecideHeld() { return buttons_.ClickHeld(); }

bool GameValues::CancelHeld() { return buttons_.CancelHeld(); }

bool GameValues::CtrlHeld() { return buttons_.CtrlHeld(); }

std::int32_t GameValues::MouseX() { return buttons_.StoredMouse().x; }

std::int32_t GameValues::MouseY() { return buttons_.StoredMouse().y; }

void GameValues::MoveMouse(std::int32_t x, std::int32_t y) {
  buttons_.SetStoredMouse(Point{x, y});
  screen_.MoveMouse(Point{x, y});
}

std::string GameValues::LastChoiceText() { return choices_.LastChoiceText(); }

std::int32_t GameValues::LastChoiceIndex() { return choices_.LastChoiceIndex(); }

std::int32_t GameValues::ChoiceTopRow() { return screen_.SelStrLayer()->Top(); }

std::vector<std::string> GameValues::ScreenFonts() { return screen_.Glyphs()->FaceNames(); }

std::vector<std::int32_t> GameValues::BitList() { return screen_.BitDepths(); }

std::int32_t GameValues::NowBit() { return screen_.NowBit(); }

bool GameValues::FullScreen() { return screen_.FullScreen(); }

bool GameValues::SoundOn() { return sound_.IsSoundOn(); }

std::string GameValues::CursorName() { return screen_.Cursor(); }

void GameValues::SetCursorName(std::string_view name) { screen_.SetCursor(name); }

bool GameValues::ChannelOutput(int channel) { return sound_.ChannelEnabled(channel); }

void GameValues::SetChannelOutput(int channel, bool on) { sound_.SetChannelEnabled(channel, on); }

std::string GameValues::ChannelFile(int channel) {
  AudioChannel* c = sound_.Channel(channel);
  return c != nullptr ? c->FileName() : std::string();
}

void GameValues::PlayChannelFile(int channel, std::string_view name) {
  AudioChannel* c = sound_.Channel(channel);
  if (c == nullptr) return;
  c->SetFileName(std::string(name));
  c->Play();
}

std::int32_t GameValues::ChannelVolume(int channel) {
  AudioChannel* c = sound_.Channel(channel);
  return c != nullptr ? c->Volume() : 0;
}

void GameValues::SetChannelVolume(int channel, std::int32_t volume) {
  if (AudioChannel* c = sound_.Channel(channel)) c->SetVolume(volume);
}

std::string GameValues::LayerSource(int layer) {
  TCustomGameSurface* l = screen_.PictureLayer(layer);
  return l != nullptr ? l->GetSrc() : std::string();
}

void GameValues::SetLayerSource(int layer, std::string_view name) {
  ChangeLayer(screen_.PictureLayer(layer), [&](TCustomGameSurface& l) { l.SetSrc(name); });
}

std::int32_t GameValues::LayerFrameIndex(int layer) {
  TCustomGameSurface* l = screen_.PictureLayer(layer);
  return l != nullptr ? l->GetFrameIndex() : 0;
}

std::int32_t GameValues::LayerX(int layer) {
  TCustomGameSurface* l = screen_.Layer(layer);
  return l != nullptr ? l->X() : 0;
}

void GameValues::SetLayerX(int layer, std::int32_t x) {
  ChangeLayer(screen_.Layer(layer), [&](TCustomGameSurface& l) { l.SetX(x); });
}

std::int32_t GameValues::LayerY(int layer) {
  TCustomGameSurface* l = screen_.Layer(layer);
  return l != nullptr ? l->Y() : 0;
}

void GameValues::SetLayerY(int layer, std::int32_t y) {
  ChangeLayer(screen_.Layer(layer), [&](TCustomGameSurface& l) { l.SetY(y); });
}

std::int32_t GameValues::LayerWidth(int layer) {
  TCustomGameSurface* l = screen_.Layer(layer);
  return l != nullptr ? l->GetWidth() : 0;
}

std::int32_t GameValues::LayerHeight(int layer) {
  TCustomGameSurface* l = screen_.Layer(layer);
  return l != nullptr ? l->GetHeight() : 0;
}

std::int32_t GameValues::LayerBright(int layer) {
  TCustomGameSurface* l = screen_.PictureLayer(layer);
  return l != nullptr ? l->GetBright() : 0;
}

void GameValues::SetLayerBright(int layer, std::int32_t bright) {
  ChangeLayer(screen_.PictureLayer(layer), [&](TCustomGameSurface& l) { l.SetBright(bright); });
}

bool GameValues::LayerVisible(int layer) {
  TCustomGameSurface* l = screen_.Layer(layer);
  return l != nullptr && l->Visible();
}

void GameValues::SetLayerVisible(int layer, bool on) {
  TCustomGameSurface* l = screen_.Layer(layer);
  if (l == nullptr) return;
  l->SetVisible(on);
  screen_.ShowLayerChange(l->LayerRect(), *l);
}

std::string GameValues::AttachmentSource(int layer, int k) {
  TCustomGameSurface* l = screen_.PictureLayer(layer);
  TAttach* a = l != nullptr ? l->GetAttachment(k) : nullptr;
  return a != nullptr ? a->Src() : std::string();
}

void GameValues::SetAttachmentSource(int layer, int k, std::string_view name) {
  TCustomGameSurface* l = screen_.PictureLayer(layer);
  TAttach* a = l != nullptr ? l->GetAttachment(k) : nullptr;
  if (a == nullptr) return;
  const Rect before = l->LayerRect();
  a->SetSrc(name, screen_.TextWindowSurface());
  l->Reload();
  screen_.ShowLayerChange(before, *l);
}

void GameValues::SetTextWindowText(std::string_view markup) {
  const Rect before = screen_.TextWindow().LayerRect();
  try {
    screen_.TextWindow().SetText(markup);
  } catch (const MavError& e) {
    throw MavError(std::string("@Text ") + e.what());
  }
  screen_.ShowLayerChange(before, screen_.TextWindow());
}

}  // namespace mavlet
