#include "player/shell/game_screen.h"

#include <string>
#include <utility>

#include "player/backend/display.h"
#include "player/backend/file_services.h"
#include "player/common/error.h"
#include "player/display/game_surface.h"
#include "player/display/sel_map_surface.h"
#include "player/display/transitions/transition_factory.h"
#include "player/shell/game_buttons.h"
#include "player/vars/font_list.h"
#include "player/vars/system_value_host.h"

namespace mavlet {

GameScreen::GameScreen(InputState& input, GameButtons& buttons, GlyphSource& glyphs, Log* log, ScreenOptions options,
                       std::function<void()> serve_wait)
    : input_(input),
      buttons_(buttons),
      glyphs_(glyphs),
      options_(options),
      serve_wait_(std::move(serve_wait)),
      cache_(options_.image_cache),
      layers_(*this),
      compositor_(layers_) {
  auto text =
      std::make_unique<TTextSurface>(static_cast<LayerServices&>(*this), static_cast<TextWindowServices&>(*this));
  text_window_ = text.get();
  layers_.Install(LayerStack::kTextLayer, std::move(text));
  auto sel_str =
      std::make_unique<TSelStrSurface>(static_cast<LayerServices&>(*this), static_cast<ChoiceTextServices&>(*this));
  sel_str_ = sel_str.get();
  layers_.Install(LayerStack::kSelStrLayer, std::move(sel_str));
  effects_ = std::make_unique<TSpEffectManager>(static_cast<ParticleServices&>(*this), log);
  transitions_ = [this](int kind, Surface& screen, Surface& front, Surface& back) {
    return MakeScreenTransition(kind, screen, front, back, Random());
  };
}

GameScreen::~GameScreen() = default;

void GameScreen::SetCursor(std::string_view name) {
  cursor_name_ = std::string(name);
  if (display_ == nullptr) return;
  std::optional<std::filesystem::path> file;
  FileServices* files = Files();
  if (!name.empty() && files != nullptr) file = files->Resolve(BasePath(), "PMP\\" + cursor_name_);
  // A missing or unusable cursor file gives the default cursor, without a message.
  display_->SetCursorFile(file);
}

void GameScreen::SetDisplay(Display* display) {
  display_ = display;
  compositor_.SetDisplay(display);
}

void GameScreen::Initialize() {
  compositor_.Initialize();
  EnumBitDepths();
  layers_.ReloadAll();
  effects_->Initialize();
  // The new surfaces start black: show the scene again at the next Compose.
  RedrawAll();
  InvalidateAll();
}

void GameScreen::Finalize() {
  effects_->Finalize();
  compositor_.Finalize();
  layers_.UnloadAll();
}

void GameScreen::RestoreSurfaces() {
  RedrawAll();
  Present(ScreenRect());
}

void GameScreen::EnumBitDepths() {
  bit_list_.clear();
  if (display_ == nullptr) return;
  for (const DisplayMode& m : display_->Modes())
    if (m.width == display_->Width() && m.height == display_->Height() && m.bits > 8) bit_list_.push_back(m.bits);
}

void GameScreen::SetBitCount(int bits) {
  if (display_ == nullptr || bits == display_->BitCount()) return;
  // 8 bits is a setting a title may make (it keeps the player out of full screen); no surface
  // has that depth, so the display keeps the one it has.
  if (bits == 8) return;
  const int previous = display_->BitCount();
  if (!display_->SetBitCount(bits))
    throw MavError("SetBit: a colour depth of " + std::to_string(bits) + " bits cannot be used (16, 24 or 32)");
  // In a window the new depth waits for the next full-screen switch.
  if (display_->FullScreen() && display_->Initialized()) {
    cache_.Clear();
    display_->Finalize();
    try {
      display_->Initialize();
    } catch (const MavError&) {
      display_->SetBitCount(previous);
      ReinitializeAfterFailure();
      throw;
    }
  }
}

void GameScreen::SetFullScreen(bool on) {
  if (display_ == nullptr || on == display_->FullScreen()) return;
  cache_.Clear();
  const bool was_initialized = display_->Initialized();
  const int previous_bits = display_->BitCount();
  display_->Finalize();
  display_->SetFullScreen(on);
  if (!was_initialized) return;
  try {
    display_->Initialize();
  } catch (const MavError&) {
    display_->SetFullScreen(!on);
    display_->SetBitCount(previous_bits);
    ReinitializeAfterFailure();
    throw;
  }
}

void GameScreen::ReinitializeAfterFailure() {
  // The screen that worked before comes back (and with it the frame timer); the caller still
  // reports the failure. A display that cannot even do that stays finalised.
  try {
    display_->Initialize();
  } catch (const MavError&) {}
}

Rect GameScreen::ScreenRect() const {
  if (compositor_.Ready()) return compositor_.ScreenRect();
  if (display_ != nullptr) return Rect{0, 0, display_->Width(), display_->Height()};
  return Rect{};
}

void GameScreen::InvalidateAll() { Invalidate(ScreenRect()); }

bool GameScreen::NoPaintBack() const { return engine_ != nullptr && engine_->NoPaintBack(); }

void GameScreen::Compose() {
  // A movie owns the screen while it plays: changes shown at once wait for its end.
  if (movie_on_screen_) return;
  // While a transition runs, a change shown at once (by the always stream between its steps)
  // goes into the transition's target only: it shows through the remaining steps and the
  // final present, never ahead of them.
  if (transition_running_) {
    compositor_.RedrawArea(Intersect(compositor_.DirtyRect(), compositor_.ScreenRect()));
    return;
  }
  ComposeWithParticles(false);
}

void GameScreen::PrepareMovieScreen() {
  if (movie_on_screen_) return;  // another movie's frame is there already
  if (display_ != nullptr && display_->CanDraw()) ComposeWithParticles(false);
}

void GameScreen::EndMovieFrames() {
  movie_frame_shown_ = false;
  InvalidateAll();
}

void GameScreen::PresentMovieFrame(const Rect& rect) {
  movie_frame_shown_ = true;
  movie_on_screen_ = true;
  if (!rect.IsEmpty()) PresentDirect(rect);
}

void GameScreen::ComposeFrame() {
  // The layers are not drawn over a playing movie's frames. Once it stops showing frames (it
  // ended, or its command went away), the whole scene comes back.
  if (movie_frame_shown_) {
    movie_frame_shown_ = false;
    return;
  }
  if (movie_on_screen_) {
    movie_on_screen_ = false;
    InvalidateAll();
  }
  ComposeWithParticles(true);
}

void GameScreen::ComposeWithParticles(bool step) {
  if (!effects_->Running() || display_ == nullptr) {
    compositor_.Compose(NoPaintBack(), false);
    return;
  }
  // One present for the scene and the particles over it; ended whatever Compose throws.
  struct Batch {
    Display& d;
    explicit Batch(Display& display) : d(display) { d.BeginPresentBatch(); }
    ~Batch() { d.EndPresentBatch(); }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
  } batch(*display_);
  if (compositor_.Compose(NoPaintBack(), true) != SceneCompositor::Mode::kParticles) return;
  // The frame moves the particles once; a command that shows its change at once only puts them
  // back over what it presented, so they neither flicker nor speed up.
  if (step)
    effects_->Step();
  else
    effects_->Redraw();
}

void GameScreen::Present(const Rect& rect) { compositor_.Present(rect, NoPaintBack()); }

std::unique_ptr<ScreenTransition> GameScreen::CreateTransition(int kind) {
  Surface* screen = ScreenSurface();
  Surface* front = WorkSurface(1);
  Surface* back = WorkSurface(0);
  if (transition_running_ || !transitions_ || screen == nullptr || front == nullptr || back == nullptr) return nullptr;
  return transitions_(kind, *screen, *front, *back);
}

// --- layer services

FileServices* GameScreen::Files() { return engine_ != nullptr ? engine_->Files() : nullptr; }

std::filesystem::path GameScreen::BasePath() {
  return engine_ != nullptr ? engine_->TitleFolder() : std::filesystem::path();
}

int GameScreen::ScreenBits() {
  Surface* screen = ScreenSurface();
  return screen != nullptr ? screen->bits_per_pixel() : 0;
}

PixelFormat GameScreen::FrameFormat() { return display_ != nullptr ? display_->Format() : PixelFormat::Xrgb8888(); }

TRandom& GameScreen::Random() {
  TRandom* shared = engine_ != nullptr ? engine_->Random() : nullptr;
  return shared != nullptr ? *shared : own_random_;
}

void GameScreen::ShowLayerChange(const Rect& before, const TCustomGameSurface& layer) {
  const Rect area = Union(before, layer.LayerRect());
  RedrawArea(area);
  Invalidate(area);
}

std::string GameScreen::TextFontName() {
  std::string name = engine_ != nullptr ? engine_->FontName() : std::string();
  return name.empty() ? std::string(kDefaultFontName) : name;
}

TSelMapSurface* GameScreen::SelMapLayer() { return static_cast<TSelMapSurface*>(layers_.At(LayerStack::kSelMapLayer)); }

void GameScreen::MoveMouse(Point p) {
  if (display_ != nullptr) display_->MoveMouse(p);
}

int GameScreen::NowBit() const { return display_ != nullptr ? display_->BitCount() : 0; }

bool GameScreen::FullScreen() const { return display_ != nullptr && display_->FullScreen(); }

Point GameScreen::MousePos() { return buttons_.MousePos(); }

}  // namespace mavlet
