#pragma once
// What the player shows: the twelve display layers with the picture cache, the compositor that
// presents them through the display, transitions, the particle effects, the cursor and the
// display's life cycle (surfaces made and dropped with the display, colour depth, full screen).
// It is the display port (DisplayServices) and what each layer, the text window, the choice
// layers and the particles need from their owner. Nothing given to it is owned; the display and
// the engine may stay null, then nothing is drawn and no file is found. A colour depth the
// display cannot use, or a display switch that fails, throws MavError.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/glyph_source.h"
#include "player/backend/graphics/rect.h"
#include "player/backend/input.h"
#include "player/common/random.h"
#include "player/display/display_services.h"
#include "player/display/layer_services.h"
#include "player/display/layer_stack.h"
#include "player/display/particles/particle_services.h"
#include "player/display/particles/sp_effect_manager.h"
#include "player/display/picture_cache.h"
#include "player/display/scene_compositor.h"
#include "player/display/screen_transition.h"
#include "player/display/sel_str_surface.h"
#include "player/display/text_surface.h"

namespace mavlet {

class ChoiceServices;
class Display;
class EngineValueHost;
class GameButtons;
class Log;
class TSelMapSurface;

// The display settings of the configuration.
struct ScreenOptions {
  bool anti_alias = true;                          // "AntiAlias": draw layers 1..8 through their masks
  bool fade_in_draw = true;                        // "FadeinDraw": off shows every surface change at once
  int image_cache = TCacheList::kDefaultCapacity;  // "ImageCache": decoded pictures kept
};

class GameScreen : public DisplayServices,
                   public LayerServices,
                   public ParticleServices,
                   public TextWindowServices,
                   public ChoiceTextServices {
 public:
  // serve_wait runs between the steps of a transition (window messages, audio, input); log
  // (may be null) hears the particle effects' problems.
  GameScreen(InputState& input, GameButtons& buttons, GlyphSource& glyphs, Log* log, ScreenOptions options,
             std::function<void()> serve_wait);
  ~GameScreen() override;
  GameScreen(const GameScreen&) = delete;
  GameScreen& operator=(const GameScreen&) = delete;

  // --- wiring
  void SetDisplay(Display* display);
  Display* GetDisplay() const override { return display_; }
  // The engine gives the title folder, file lookup, the shared random generator, the text font
  // and the no-paint-back switch.
  void SetEngine(EngineValueHost* engine) { engine_ = engine; }
  void SetChoices(ChoiceServices* choices) { choices_ = choices; }
  ChoiceServices* ChoicePort() override { return choices_; }

  // --- display life cycle (from the display's events)
  // Work surfaces of the display's size, the offered depths, every layer's picture rebuilt.
  void Initialize();
  void Finalize();
  void RestoreSurfaces();
  // Depths above 8 bits the display offers at the game screen size, in its order.
  void EnumBitDepths();
  const std::vector<std::int32_t>& BitDepths() const { return bit_list_; }
  // Colour depth; the display is re-created at once only in full screen. Throws MavError for a
  // depth the display cannot use.
  void SetBitCount(int bits) override;
  void SetFullScreen(bool on) override;
  int NowBit() const;
  bool FullScreen() const;
  void SetCursor(std::string_view name) override;
  const std::string& Cursor() const { return cursor_name_; }
  // Moves the system mouse (game-area pixels).
  void MoveMouse(Point p);
  void StartTextInput(const Rect& caret) override { input_.StartTextInput(caret); }
  void StopTextInput() override { input_.StopTextInput(); }
  std::vector<TextInputEvent> TakeTextInput() override { return input_.TakeTextInput(); }
  std::string TextComposition() override { return input_.Composition(); }

  // --- layers
  // 0..11; nullptr outside.
  TCustomGameSurface* Layer(int k) override { return layers_.At(k); }
  // Picture layers 0..8; nullptr outside.
  TGameSurface* PictureLayer(int k) { return layers_.Picture(k); }
  // Layer 9, 10 and 11.
  TTextSurface& TextWindow() { return *text_window_; }
  TSelStrSurface* SelStrLayer() { return sel_str_; }
  TSelMapSurface* SelMapLayer();
  // 0..11, 255 for anything that is not one of the layers.
  int IndexOf(const TCustomGameSurface* layer) const { return layers_.IndexOf(layer); }
  LayerStack& Layers() { return layers_; }
  TCacheList& Cache() { return cache_; }
  // 0 the back picture, 1 the front copy; nullptr while the display is not initialised.
  Surface* WorkSurface(int k) { return compositor_.WorkSurface(k); }
  Surface* ScreenSurface() { return compositor_.ScreenSurface(); }
  Rect ScreenRect() const override;
  // Redraws and invalidates the union of a layer's area before and after a change.
  void ShowLayerChange(const Rect& before, const TCustomGameSurface& layer);

  // --- screen update
  void Invalidate(const Rect& rect) override { compositor_.Invalidate(rect); }
  void InvalidateAll() override;
  const Rect& DirtyRect() const override { return compositor_.DirtyRect(); }
  void ClearDirtyRect() override { compositor_.ClearDirty(); }
  void RedrawArea(const Rect& rect) override { compositor_.RedrawArea(rect); }
  void RedrawAll() { compositor_.RedrawAll(); }
  // Brings the screen up to date: the changed area, or everything while a layer effect runs;
  // running particles are drawn again over it where they are.
  void Compose() override;
  // The frame's Compose: as Compose, but the particle effects take their step over the presented
  // frame (not while a layer effect runs). Scene and particles reach the window as one present.
  void ComposeFrame();
  void Present(const Rect& rect) override;
  void PresentDirect(const Rect& rect) override { compositor_.PresentDirect(rect); }
  void FlipScreen() { compositor_.FlipScreen(); }

  // --- movie frames: while a movie shows frames the frame's compose leaves the screen to it.
  void PrepareMovieScreen();
  void PresentMovieFrame(const Rect& rect);
  void EndMovieFrames();

  // --- transitions: kinds 2..36 (the standard ones unless a test gives its own factory; an
  // empty factory makes none, so every change shows at once).
  void SetTransitionFactory(TransitionFactory factory) { transitions_ = std::move(factory); }
  std::unique_ptr<ScreenTransition> CreateTransition(int kind) override;
  void SetTransitionRunning(bool on) override { transition_running_ = on; }
  bool TransitionRunning() const { return transition_running_; }
  void ServeTransitionWait() override { serve_wait_(); }
  bool FadeInDraw() const override { return options_.fade_in_draw; }

  // --- particle effects
  TSpEffectManager& SpEffects() override { return *effects_; }

  // --- LayerServices, ParticleServices
  FileServices* Files() override;
  std::filesystem::path BasePath() override;
  bool AntiAlias() override { return options_.anti_alias; }
  int ScreenBits() override;
  PixelFormat FrameFormat() override;
  int LayerIndex(const TCustomGameSurface& layer) override { return layers_.IndexOf(&layer); }
  TCacheList& PictureCache() override { return cache_; }
  TRandom& Random() override;
  const Surface* TextWindowSurface() override { return text_window_->Canvas(); }
  Point MousePos() override;
  // --- TextWindowServices and ChoiceTextServices (the choice layers draw with the same glyphs)
  GlyphSource* Glyphs() override { return &glyphs_; }
  std::string TextFontName() override;

 private:
  void ComposeWithParticles(bool step);
  // Initialises the display again after a switch failed, the previous settings restored.
  void ReinitializeAfterFailure();
  bool NoPaintBack() const;

  InputState& input_;
  GameButtons& buttons_;
  GlyphSource& glyphs_;
  ScreenOptions options_;
  std::function<void()> serve_wait_;
  Display* display_ = nullptr;
  EngineValueHost* engine_ = nullptr;
  ChoiceServices* choices_ = nullptr;
  TRandom own_random_;  // until an engine is connected
  TCacheList cache_;
  LayerStack layers_;
  SceneCompositor compositor_;
  TransitionFactory transitions_;
  TTextSurface* text_window_ = nullptr;  // owned by layers_
  TSelStrSurface* sel_str_ = nullptr;    // owned by layers_
  std::unique_ptr<TSpEffectManager> effects_;
  std::string cursor_name_;
  bool transition_running_ = false;
  std::vector<std::int32_t> bit_list_;
  bool movie_frame_shown_ = false;  // a movie frame was presented since the last frame's compose
  bool movie_on_screen_ = false;    // the screen holds a movie frame the layers do not know
};

}  // namespace mavlet
