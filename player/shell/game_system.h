#pragma once
// The one owner of what the player shows and sounds: the logical buttons with their latches and
// repeat counters, the sound switch, the cursor, the twelve display layers with the picture cache
// and the compositor that presents them through the display, and its part of a saved game.
// The four audio channels and the particle effects live here too. It implements the ports of the
// layers below it: the engine's GameServices, the display's DisplayServices, LayerServices and
// ParticleServices,
// the media's MediaServices and the variables' GameValueHost; from the engine it knows only
// the narrow EngineValueHost.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "player/backend/input.h"
#include "player/backend/graphics/rect.h"
#include "player/common/random.h"
#include "player/display/display_services.h"
#include "player/backend/glyph_source.h"
#include "player/display/choice_services.h"
#include "player/display/layer_services.h"
#include "player/display/sel_str_surface.h"
#include "player/display/layer_stack.h"
#include "player/display/particles/particle_services.h"
#include "player/display/particles/sp_effect_manager.h"
#include "player/display/picture_cache.h"
#include "player/display/scene_compositor.h"
#include "player/display/screen_transition.h"
#include "player/engine/game_services.h"
#include "player/backend/glyph_source.h"
#include "player/display/text_surface.h"
#include "player/media/audio_channels.h"
#include "player/media/media_services.h"
#include "player/vars/system_value_host.h"

namespace mavlet {

class Clock;
class Display;
class MovieOpener;
class PcmStream;
class Log;
class SoundDevice;
class Surface;
class TCustomGameSurface;
class TGameInput;
class TGameStatus;
class TGameSurface;

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

// Sound output for the audio channels; none of it is owned. Without a device the channels
// exist but sound cannot be switched on.
struct SoundServices {
  SoundDevice* device = nullptr;
  Clock* clock = nullptr;
  Log* log = nullptr;
};

class TGameSystem : public GameServices,
                    public DisplayServices,
                    private ChoiceServices,
                    private ChoiceTextServices,
                    public MediaServices,
                    public GameValueHost,
                    private LayerServices,
                    private ParticleServices,
                    private TextWindowServices {
 public:
  // joystick may be null (no joystick in use). Nothing is owned.
  explicit TGameSystem(InputState& input, GameSystemOptions options = {}, TGameInput* joystick = nullptr,
                       SoundServices sound = {});
  ~TGameSystem() override;
  TGameSystem(const TGameSystem&) = delete;
  TGameSystem& operator=(const TGameSystem&) = delete;

  // --- logical buttons
  // A press is reported once, by the first query that asks for it: ClickPressed, CancelPressed,
  // DirectionPressed, NavigationPressed and WheelSteps each take what they report, so a later
  // query (in the same step or after) waits for a new press. The input is looked at when a
  // step begins, between the sleeps of runs inside a step (KeepAlive) and by each query. A
  // press nobody has asked about yet stays while its button is held; once let go it stays for
  // the step in which it was first seen, and when it came inside a step (during a transition
  // or a run that waits) for the next step too. So a click during a fade answers the command
  // after the fade, and a click while nothing asks is not kept for much later. Everything not
  // yet reported is dropped while the application is inactive.
  void BeginStep() override;
  // The decide (cancel) button went down since a query last reported it.
  bool ClickPressed() override;
  bool CancelPressed() override;
  // Takes both presses, reporting them to nobody.
  void ConsumePresses() override;
  // The button is down now; takes nothing.
  bool ClickHeld() override;
  bool CancelHeld() override;
  bool CtrlHeld() override;
  // d: 0 up, 1 down, 2 left, 3 right, keyboard or pad. Reports a new press at once, then while
  // held after 20 more queries and every 5 after that.
  bool DirectionPressed(int d) override;
  // Home, End, Page Up, Page Down went down since a query last reported it.
  bool NavigationPressed(NavigationKey key) override;
  // Wheel notches not yet reported (positive away from the player); takes them.
  int WheelSteps() override;
  // Mouse in game-area pixels; (-1, -1) outside the game area or while inactive.
  Point MousePos() override;

  // --- sound and cursor
  // Switching on opens the sound device (a failure leaves sound off, logged only) and restarts
  // the channels that have a name; off stops them and closes the device. Refused while
  // "HasSound" is off.
  void SetSoundOn(bool on) override;
  bool IsSoundOn() const;
  // Audio channel k (0..3); nullptr outside that range.
  TAudioChannel* Channel(int k) override;
  bool ChannelEnabled(int k);
  void SetChannelEnabled(int k, bool on);
  void SetCursor(std::string_view name) override;
  const std::string& Cursor() const { return cursor_name_; }

  // --- movies
  // The decoder movies are opened with (not owned); null plays none.
  void SetMovieOpener(MovieOpener* movies) { movies_ = movies; }
  MovieOpener* Movies() override { return movies_; }
  Surface* MovieScreen() override { return ScreenSurface(); }
  void PrepareMovieScreen() override;
  void PresentMovieFrame(const Rect& rect) override;
  void EndMovieFrames() override;
  PcmStream* StartMovieSound(std::string_view name) override;
  PcmStream* MovieSound() override { return movie_sound_.get(); }
  void StopMovieSound() override;
  // The name StartMovieSound was given (Shift-JIS), empty once stopped.
  const std::string& MovieSoundName() const { return movie_sound_name_; }

  // --- wiring (neither is owned; both may stay null, then nothing is drawn or found)
  void SetDisplay(Display* display);
  Display* GetDisplay() const override { return display_; }
  // The engine gives the title folder, file lookup, the shared random generator and the
  // no-paint-back switch.
  void SetEngine(EngineValueHost* engine) { engine_ = engine; }
  const GameSystemOptions& Options() const { return options_; }
  DisplayServices* DisplayPort() override { return this; }
  ChoiceServices* ChoicePort() override { return this; }
  MediaServices* MediaPort() override { return this; }

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
  void StartTextInput(const Rect& caret) override { input_.StartTextInput(caret); }
  void StopTextInput() override { input_.StopTextInput(); }
  std::vector<TextInputEvent> TakeTextInput() override { return input_.TakeTextInput(); }
  std::string TextComposition() override { return input_.Composition(); }

  // --- layers
  // 0..11; nullptr outside.
  TCustomGameSurface* Layer(int k) override { return layers_.At(k); }
  // Picture layers 0..8; nullptr outside.
  TGameSurface* PictureLayer(int k) { return layers_.Picture(k); }
  // Layer 9.
  TTextSurface& TextWindow() { return *text_window_; }
  // Glyphs of the installed fonts, opened on first use unless given (not owned then).
  GlyphSource& Fonts();
  void SetGlyphs(GlyphSource* glyphs) { glyphs_ = glyphs; }
  // 0..11, 255 for anything that is not one of the layers.
  int IndexOf(const TCustomGameSurface* layer) const { return layers_.IndexOf(layer); }
  LayerStack& Layers() { return layers_; }
  TCacheList& Cache() { return cache_; }
  // 0 the back picture, 1 the front copy; nullptr while the display is not initialised.
  Surface* WorkSurface(int k) { return compositor_.WorkSurface(k); }
  Surface* ScreenSurface() { return compositor_.ScreenSurface(); }
  Rect ScreenRect() const override;

  // --- screen update
  void Invalidate(const Rect& rect) override { compositor_.Invalidate(rect); }
  void InvalidateAll() override;
  const Rect& DirtyRect() const override { return compositor_.DirtyRect(); }
  void ClearDirtyRect() override { compositor_.ClearDirty(); }
  void RedrawArea(const Rect& rect) override { compositor_.RedrawArea(rect); }
  void RedrawAll() override { compositor_.RedrawAll(); }
  // Brings the screen up to date: the changed area, or everything while a layer effect runs;
  // running particles are drawn again over it where they are.
  void Compose() override;
  // The frame's Compose: as Compose, but the particle effects take their step over the presented
  // frame (not while a layer effect runs). Scene and particles reach the window as one present.
  void ComposeFrame();
  void Present(const Rect& rect) override;
  void PresentDirect(const Rect& rect) override { compositor_.PresentDirect(rect); }
  void FlipScreen() { compositor_.FlipScreen(); }
  // Once per logic step: lets the channels refill, step their fades and notice ended sounds.
  void UpdateAudio();
  // Between the sleeps of a stream run that waits inside a command: window messages, audio,
  // and a look at the input (what arrives is kept for the queries after the run).
  void KeepAlive() override;
  bool CloseRequested() override;

  // --- transitions: kinds 2..36 (the standard ones unless a test gives its own factory; an
  // empty factory makes none, so every change shows at once).
  void SetTransitionFactory(TransitionFactory factory) { transitions_ = std::move(factory); }
  std::unique_ptr<ScreenTransition> CreateTransition(int kind) override;
  void SetTransitionRunning(bool on) override { transition_running_ = on; }
  bool TransitionRunning() const { return transition_running_; }
  void ServeTransitionWait() override;
  bool FadeInDraw() const override { return options_.fade_in_draw; }

  // --- particle effects
  TSpEffectManager& SpEffects() override { return *effects_; }

  // --- persistence
  void SaveToStatus(TGameStatus& status) override;
  void LoadFromStatus(TGameStatus& status) override;
  void ResetAll() override;

  // --- system values served by the game system
  std::string LastChoiceText() override { return last_choice_text_; }
  std::int32_t LastChoiceIndex() override { return last_choice_index_; }
  std::int32_t ChoiceTopRow() override;
  // Layers 10 and 11.
  TSelStrSurface* SelStrLayer() override { return sel_str_; }
  TSelMapSurface* SelMapLayer() override;
  bool DecidePressed() override { return ClickPressed(); }
  bool DecideHeld() override { return ClickHeld(); }
  std::int32_t MouseX() override { return StoredMouse().x; }
  std::int32_t MouseY() override { return StoredMouse().y; }
  bool SoundOn() override { return IsSoundOn(); }
  std::string ChannelFile(int channel) override;
  void PlayChannelFile(int channel, std::string_view name) override;
  bool ChannelOutput(int channel) override { return ChannelEnabled(channel); }
  void SetChannelOutput(int channel, bool on) override { SetChannelEnabled(channel, on); }
  std::int32_t ChannelVolume(int channel) override;
  void SetChannelVolume(int channel, std::int32_t volume) override;
  std::string CursorName() override { return cursor_name_; }
  void SetCursorName(std::string_view name) override { SetCursor(name); }
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
  void MoveMouse(std::int32_t x, std::int32_t y) override;
  std::vector<std::int32_t> BitList() override { return bit_list_; }
  std::string TextWindowText() override { return text_window_->GetText(); }
  void SetTextWindowText(std::string_view markup) override;
  std::int32_t TextX() override { return text_window_->OutputX(); }
  std::int32_t TextY() override { return text_window_->OutputY(); }
  std::vector<std::string> ScreenFonts() override { return Fonts().FaceNames(); }
  std::string UseFontsSetting() override { return options_.use_fonts; }
  std::int32_t NowBit() override;
  bool FullScreen() override;

 private:
  void ComposeWithParticles(bool step);
  // Initialises the display again after a switch failed, the previous settings restored.
  void ReinitializeAfterFailure();

  // LayerServices
  FileServices* Files() override;
  std::filesystem::path BasePath() override;
  bool AntiAlias() override { return options_.anti_alias; }
  int ScreenBits() override;
  PixelFormat FrameFormat() override;
  int LayerIndex(const TCustomGameSurface& layer) override { return layers_.IndexOf(&layer); }
  TCacheList& PictureCache() override { return cache_; }
  TRandom& Random() override;
  const Surface* TextWindowSurface() override { return text_window_->Canvas(); }
  // TextWindowServices and ChoiceTextServices (the choice layers draw with the same glyphs)
  GlyphSource* Glyphs() override { return &Fonts(); }
  std::string TextFontName() override;

  bool NoPaintBack() const;
  // Redraws and invalidates the union of a layer's area before and after a change.
  void ShowLayerChange(const Rect& before, const TCustomGameSurface& layer);

  // One logical button, key or direction as the polls found it.
  struct Press {
    bool down = false;     // at the last poll
    bool pending = false;  // went down since a query last reported it
    std::uint64_t until = 0;  // the last step whose queries may take it once it is let go
    void Poll(bool raw, std::uint64_t until_step) {
      if (raw && !down) {
        pending = true;
        until = until_step;
      }
      down = raw;
    }
    bool Take() { return std::exchange(pending, false); }
  };
  // Raw states now (false while inactive).
  bool RawButton(const Press& b, MouseButton mouse, Key key1, Key key2, int joystick_button);
  bool RawDirection(int d);
  // Looks at the input: the step's start (BeginStep) or a poll inside the step.
  void PollDecide();
  void PollCancel();
  void PollDirection(int d);
  void PollNavigation(std::size_t k);
  void PollWheel();
  void PollAll();
  // While inactive nothing is pressed and nothing not yet reported is kept.
  bool CheckActive();
  // What a poll now records as the last step its presses are kept for.
  std::uint64_t KeepUntil() const { return in_step_start_ ? step_ : step_ + 1; }
  bool Joystick(int button);
  // The last position the mouse had inside the game area (or was moved to): "@MouseX" and
  // "@MouseY" keep it while the mouse is outside; only MousePos answers (-1, -1) there.
  Point StoredMouse();

  InputState& input_;
  GameSystemOptions options_;
  TGameInput* joystick_;
  Press click_;
  Press cancel_;
  std::array<Press, 4> direction_;
  std::array<Press, 4> navigation_;
  std::array<std::int32_t, 4> repeat_{};
  // Notches for this step's queries, and those that came inside it (kept for the next step).
  int wheel_now_ = 0;
  int wheel_next_ = 0;
  std::uint64_t step_ = 0;  // logic steps begun
  bool in_step_start_ = false;
  Point stored_mouse_{0, 0};
  // ChoiceServices
  void SetLastChoice(const std::string& text, std::int32_t index) override {
    last_choice_text_ = text;
    last_choice_index_ = index;
  }
  void SetLastChoiceIndex(std::int32_t index) override { last_choice_index_ = index; }
  std::string last_choice_text_;
  std::int32_t last_choice_index_ = 0;
  TSelStrSurface* sel_str_ = nullptr;  // owned by layers_
  // The channels look sounds up below the engine's title folder, known only after Init.
  AudioChannels& Audio();
  struct SilentSound;
  SoundServices sound_;
  std::unique_ptr<SilentSound> silent_;  // stands in when no device was given
  std::unique_ptr<AudioChannels> audio_;
  std::string cursor_name_;
  Display* display_ = nullptr;
  EngineValueHost* engine_ = nullptr;
  TRandom own_random_;  // until an engine is connected
  TCacheList cache_;
  LayerStack layers_;
  SceneCompositor compositor_;
  TransitionFactory transitions_;
  TTextSurface* text_window_ = nullptr;  // owned by layers_
  std::unique_ptr<TSpEffectManager> effects_;
  GlyphSource* glyphs_ = nullptr;
  std::unique_ptr<GlyphSource> own_glyphs_;
  bool transition_running_ = false;
  std::vector<std::int32_t> bit_list_;
  MovieOpener* movies_ = nullptr;
  std::unique_ptr<PcmStream> movie_sound_;
  std::string movie_sound_name_;
  bool movie_frame_shown_ = false;  // a movie frame was presented since the last frame's compose
  bool movie_on_screen_ = false;    // the screen holds a movie frame the layers do not know
};

}  // namespace mavlet
