#include "player/shell/game_system.h"

#include <exception>
#include <string>
#include <utility>

#include "player/backend/clock.h"
#include "player/backend/display.h"
#include "player/backend/file_services.h"
#include "player/backend/sound_device.h"
#include "player/common/error.h"
#include "player/backend/fonts/freetype_glyphs.h"
#include "player/common/log.h"
#include "player/display/sel_map_surface.h"
#include "player/engine/book_manager.h"
#include "player/display/game_surface.h"
#include "player/display/transitions/transition_factory.h"
#include "player/shell/game_input.h"
#include "player/storage/game_status.h"

namespace mavlet {
namespace {

// Joystick buttons of the logical buttons: left, up, right, down, decide, cancel.
constexpr int kJoyDecide = 4;
constexpr int kJoyCancel = 5;
constexpr int kJoyDirection[4] = {1, 3, 0, 2};  // up, down, left, right
constexpr Key kDirectionKey[4] = {Key::kUp, Key::kDown, Key::kLeft, Key::kRight};
// In NavigationKey order.
constexpr std::array<Key, 4> kNavigationKeys = {Key::kHome, Key::kEnd, Key::kPageUp, Key::kPageDown};

// Auto-repeat: first report at once, then after 20 further queries, then every 5.
constexpr std::int32_t kRepeatDelay = 20;
constexpr std::int32_t kRepeatRate = 5;

}  // namespace

// No sound output at all: the channels keep their settings, switching sound on fails quietly.
struct TGameSystem::SilentSound {
  class NoDevice : public SoundDevice {
   public:
    bool Initialized() const override { return false; }
    void Initialize() override { throw MavError("this player has no sound output"); }
    void Finalize() override {}
    std::unique_ptr<WavePlayer> CreatePlayer(int, std::uint32_t) override {
      throw MavError("this player has no sound output");
    }
    std::unique_ptr<PcmStream> CreateStream() override { throw MavError("this player has no sound output"); }
  };
  // Never read: without a player nothing is timed.
  class StoppedClock : public Clock {
   public:
    std::uint32_t NowMs() override { return 0; }
    void SleepMs(std::uint32_t) override {}
  };
  class Discard : public Log {
   public:
    void Write(LogLevel, std::string_view) override {}
  };
  NoDevice device;
  StoppedClock clock;
  Discard log;
};

TGameSystem::TGameSystem(InputState& input, GameSystemOptions options, TGameInput* joystick, SoundServices sound)
    : input_(input),
      options_(std::move(options)),
      joystick_(options_.has_joy_pad ? joystick : nullptr),
      sound_(sound),
      cache_(options_.image_cache),
      layers_(*this),
      compositor_(layers_) {
  if (sound_.device == nullptr || sound_.clock == nullptr || sound_.log == nullptr) {
    silent_ = std::make_unique<SilentSound>();
    sound_ = SoundServices{&silent_->device, &silent_->clock, &silent_->log};
  }
  auto text = std::make_unique<TTextSurface>(static_cast<LayerServices&>(*this), static_cast<TextWindowServices&>(*this));
  text_window_ = text.get();
  layers_.Install(LayerStack::kTextLayer, std::move(text));
  auto sel_str = std::make_unique<TSelStrSurface>(static_cast<LayerServices&>(*this),
                                                  static_cast<ChoiceTextServices&>(*this));
  sel_str_ = sel_str.get();
  layers_.Install(LayerStack::kSelStrLayer, std::move(sel_str));
  effects_ = std::make_unique<TSpEffectManager>(static_cast<ParticleServices&>(*this), sound_.log);
  transitions_ = [this](int kind, Surface& screen, Surface& front, Surface& back) {
    return MakeScreenTransition(kind, screen, front, back, Random());
  };
}

TGameSystem::~TGameSystem() {
  movie_sound_.reset();
  // The channels go first: they close the device they opened and delete their temporary files.
  audio_.reset();
}

bool TGameSystem::Joystick(int button) {
  if (joystick_ == nullptr) return false;
  return joystick_->Button(button);
}

Point TGameSystem::MousePos() {
  if (!input_.ApplicationActive()) return {-1, -1};
  Point p = input_.MousePosition();
  if (p.x < 0 || p.y < 0) return {-1, -1};
  return p;
}

Point TGameSystem::StoredMouse() {
  const Point p = input_.MousePosition();
  if (p.x >= 0 && p.y >= 0) stored_mouse_ = p;
  return stored_mouse_;
}

bool TGameSystem::RawButton(const Press& b, MouseButton mouse, Key key1, Key key2, int joystick_button) {
  if (!input_.ApplicationActive()) return false;
  // A press that began inside the game area stays valid when it is dragged outside.
  if (input_.MouseButtonDown(mouse) && (MousePos().x >= 0 || b.down)) return true;
  if (input_.KeyDown(key1) || input_.KeyDown(key2)) return true;
  return Joystick(joystick_button);
}

bool TGameSystem::RawDirection(int d) {
  if (!input_.ApplicationActive()) return false;
  if (joystick_ != nullptr && joystick_->Button(kJoyDirection[d])) return true;
  return input_.KeyDown(kDirectionKey[d]);
}

bool TGameSystem::CheckActive() {
  if (input_.ApplicationActive()) return true;
  for (Press* p : {&click_, &cancel_}) *p = Press{};
  for (Press& p : direction_) p = Press{};
  for (Press& p : navigation_) p = Press{};
  repeat_ = {};
  input_.TakeWheel();
  wheel_now_ = 0;
  wheel_next_ = 0;
  return false;
}

void TGameSystem::PollDecide() {
  click_.Poll(RawButton(click_, MouseButton::kLeft, Key::kEnter, Key::kSpace, kJoyDecide), KeepUntil());
}

void TGameSystem::PollCancel() {
  cancel_.Poll(RawButton(cancel_, MouseButton::kRight, Key::kEscape, Key::kBackspace, kJoyCancel), KeepUntil());
}

void TGameSystem::PollDirection(int d) { direction_[static_cast<std::size_t>(d)].Poll(RawDirection(d), KeepUntil()); }

void TGameSystem::PollNavigation(std::size_t k) {
  navigation_[k].Poll(input_.ApplicationActive() && input_.KeyDown(kNavigationKeys[k]), KeepUntil());
}

void TGameSystem::PollWheel() {
  const int notches = input_.TakeWheel();
  if (in_step_start_)
    wheel_now_ += notches;
  else
    wheel_next_ += notches;
}

void TGameSystem::PollAll() {
  if (!CheckActive()) return;
  PollDecide();
  PollCancel();
  for (int d = 0; d < 4; ++d) PollDirection(d);
  for (std::size_t k = 0; k < navigation_.size(); ++k) PollNavigation(k);
  PollWheel();
}

void TGameSystem::BeginStep() {
  ++step_;
  // What came inside the previous step is for this one; what this step's start finds as well.
  wheel_now_ = wheel_next_;
  wheel_next_ = 0;
  in_step_start_ = true;
  PollAll();
  in_step_start_ = false;
  // A press let go before any query took it is kept no longer than its last step.
  auto expire = [this](Press& p) {
    if (p.pending && !p.down && p.until < step_) p.pending = false;
  };
  expire(click_);
  expire(cancel_);
  for (Press& p : direction_) expire(p);
  for (Press& p : navigation_) expire(p);
}

bool TGameSystem::ClickPressed() {
  if (!CheckActive()) return false;
  PollDecide();
  return click_.Take();
}

bool TGameSystem::CancelPressed() {
  if (!CheckActive()) return false;
  PollCancel();
  return cancel_.Take();
}

void TGameSystem::ConsumePresses() {
  ClickPressed();
  CancelPressed();
}

bool TGameSystem::ClickHeld() {
  if (!CheckActive()) return false;
  PollDecide();
  return click_.down;
}

bool TGameSystem::CancelHeld() {
  if (!CheckActive()) return false;
  PollCancel();
  return cancel_.down;
}

bool TGameSystem::NavigationPressed(NavigationKey key) {
  const auto k = static_cast<std::size_t>(key);
  if (k >= navigation_.size() || !CheckActive()) return false;
  PollNavigation(k);
  return navigation_[k].Take();
}

int TGameSystem::WheelSteps() {
  if (!CheckActive()) return 0;
  PollWheel();
  return std::exchange(wheel_now_, 0) + std::exchange(wheel_next_, 0);
}

bool TGameSystem::CtrlHeld() { return input_.ApplicationActive() && input_.KeyDown(Key::kControl); }

bool TGameSystem::DirectionPressed(int d) {
  if (d < 0 || d > 3 || !CheckActive()) return false;
  PollDirection(d);
  Press& p = direction_[static_cast<std::size_t>(d)];
  std::int32_t& c = repeat_[static_cast<std::size_t>(d)];
  // A press not yet reported (it may have been let go again since) reports at once.
  if (p.Take()) {
    c = kRepeatDelay;
    return true;
  }
  if (c >= 1) {
    if (!p.down) {
      c = 0;
      return false;
    }
    --c;
    if (c == 0) {
      c = kRepeatRate;
      return true;
    }
    return false;
  }
  if (p.down) {
    c = kRepeatDelay;
    return true;
  }
  return false;
}

// --- sound

AudioChannels& TGameSystem::Audio() {
  TitleFiles title;
  if (engine_ != nullptr) title = TitleFiles{engine_->TitleFolder(), engine_->Files()};
  if (!audio_) {
    SoundSettings settings;
    settings.has_sound = options_.has_sound;
    settings.buffer_ms = options_.sound_buffer;
    settings.background_unpack = options_.background_unpack;
    audio_ = std::make_unique<AudioChannels>(*sound_.device, *sound_.clock, *sound_.log, title, settings);
  } else if (audio_->Title().base != title.base || audio_->Title().files != title.files) {
    audio_->SetTitle(title);
  }
  return *audio_;
}

void TGameSystem::SetSoundOn(bool on) { Audio().SetSoundOn(on); }

bool TGameSystem::IsSoundOn() const { return audio_ && audio_->SoundOn(); }

TAudioChannel* TGameSystem::Channel(int k) {
  if (k < 0 || k >= AudioChannels::kCount) return nullptr;
  return &Audio().Channel(k);
}

bool TGameSystem::ChannelEnabled(int k) {
  TAudioChannel* c = Channel(k);
  return c != nullptr && c->OutputEnabled();
}

void TGameSystem::SetChannelEnabled(int k, bool on) {
  if (TAudioChannel* c = Channel(k)) c->SetOutputEnabled(on);
}

void TGameSystem::KeepAlive() {
  if (display_ != nullptr) display_->PumpMessages();
  UpdateAudio();
  // Time moves on inside the run: what is pressed meanwhile waits for the queries after it.
  PollAll();
}

bool TGameSystem::CloseRequested() { return display_ != nullptr && display_->CloseRequested(); }

void TGameSystem::UpdateAudio() {
  if (audio_) audio_->UpdateAudio();
}

std::string TGameSystem::ChannelFile(int channel) {
  TAudioChannel* c = Channel(channel);
  return c != nullptr ? c->FileName() : std::string();
}

void TGameSystem::PlayChannelFile(int channel, std::string_view name) {
  TAudioChannel* c = Channel(channel);
  if (c == nullptr) return;
  c->SetFileName(std::string(name));
  c->Play();
}

std::int32_t TGameSystem::ChannelVolume(int channel) {
  TAudioChannel* c = Channel(channel);
  return c != nullptr ? c->Volume() : 0;
}

void TGameSystem::SetChannelVolume(int channel, std::int32_t volume) {
  if (TAudioChannel* c = Channel(channel)) c->SetVolume(volume);
}

void TGameSystem::SetCursor(std::string_view name) {
  cursor_name_ = std::string(name);
  if (display_ == nullptr) return;
  std::optional<std::filesystem::path> file;
  FileServices* files = Files();
  if (!name.empty() && files != nullptr) file = files->Resolve(BasePath(), "PMP\\" + cursor_name_);
  // A missing or unusable cursor file gives the default cursor, without a message.
  display_->SetCursorFile(file);
}

void TGameSystem::SaveToStatus(TGameStatus& status) {
  status.WriteBool("@SoundOn", IsSoundOn());
  status.WriteString("@Cursor", cursor_name_);
  layers_.SaveToStatus(status);
  Audio().SaveToStatus(status);
  effects_->SaveToStatus(status);
}

void TGameSystem::LoadFromStatus(TGameStatus& status) {
  // The sound switch is written but deliberately not read back.
  SetCursor(status.ReadString("@Cursor", ""));
  // A damaged picture or sound still loads the rest and shows the loaded layers; the first
  // failure is reported after that.
  std::exception_ptr first;
  try {
    layers_.LoadFromStatus(status);
  } catch (const MavError&) {
    first = std::current_exception();
  }
  try {
    Audio().LoadFromStatus(status);
  } catch (const MavError&) {
    if (!first) first = std::current_exception();
  }
  RedrawAll();
  effects_->LoadFromStatus(status);
  if (first) std::rethrow_exception(first);
}

void TGameSystem::ResetAll() {
  StopMovieSound();
  layers_.ResetAll();
  input_.StopTextInput();  // the text window's entry line went with its reset
  Audio().ResetAll();
  RedrawAll();
}

// --- display

void TGameSystem::SetDisplay(Display* display) {
  display_ = display;
  compositor_.SetDisplay(display);
}

void TGameSystem::Initialize() {
  compositor_.Initialize();
  EnumBitDepths();
  layers_.ReloadAll();
  effects_->Initialize();
  // The new surfaces start black: show the scene again at the next Compose.
  RedrawAll();
  InvalidateAll();
}

void TGameSystem::Finalize() {
  effects_->Finalize();
  compositor_.Finalize();
  layers_.UnloadAll();
}

void TGameSystem::RestoreSurfaces() {
  RedrawAll();
  Present(ScreenRect());
}

void TGameSystem::EnumBitDepths() {
  bit_list_.clear();
  if (display_ == nullptr) return;
  for (const DisplayMode& m : display_->Modes())
    if (m.width == display_->Width() && m.height == display_->Height() && m.bits > 8) bit_list_.push_back(m.bits);
}

void TGameSystem::SetBitCount(int bits) {
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

void TGameSystem::SetFullScreen(bool on) {
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

void TGameSystem::ReinitializeAfterFailure() {
  // The screen that worked before comes back (and with it the frame timer); the caller still
  // reports the failure. A display that cannot even do that stays finalised.
  try {
    display_->Initialize();
  } catch (const MavError&) {
  }
}

Rect TGameSystem::ScreenRect() const {
  if (compositor_.Ready()) return compositor_.ScreenRect();
  if (display_ != nullptr) return Rect{0, 0, display_->Width(), display_->Height()};
  return Rect{};
}

void TGameSystem::InvalidateAll() { Invalidate(ScreenRect()); }

bool TGameSystem::NoPaintBack() const { return engine_ != nullptr && engine_->NoPaintBack(); }

void TGameSystem::Compose() {
  // A movie owns the screen while it plays: changes shown at once wait for its end.
  if (movie_on_screen_) return;
  ComposeWithParticles(false);
}

void TGameSystem::PrepareMovieScreen() {
  if (movie_on_screen_) return;  // another movie's frame is there already
  if (display_ != nullptr && display_->CanDraw()) ComposeWithParticles(false);
}

void TGameSystem::EndMovieFrames() {
  movie_frame_shown_ = false;
  InvalidateAll();
}

void TGameSystem::PresentMovieFrame(const Rect& rect) {
  movie_frame_shown_ = true;
  movie_on_screen_ = true;
  if (!rect.IsEmpty()) PresentDirect(rect);
}

PcmStream* TGameSystem::StartMovieSound(std::string_view name) {
  StopMovieSound();
  SoundDevice* device = sound_.device;
  if (!IsSoundOn() || device == nullptr || !device->Initialized()) return nullptr;
  try {
    movie_sound_ = device->CreateStream();
  } catch (const MavError& e) {
    if (sound_.log != nullptr) sound_.log->Warn(std::string("movie sound: ") + e.what());
    return nullptr;
  }
  movie_sound_name_ = std::string(name);
  return movie_sound_.get();
}

void TGameSystem::StopMovieSound() {
  movie_sound_.reset();
  movie_sound_name_.clear();
}

void TGameSystem::ComposeFrame() {
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

void TGameSystem::ComposeWithParticles(bool step) {
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

void TGameSystem::Present(const Rect& rect) { compositor_.Present(rect, NoPaintBack()); }

std::unique_ptr<ScreenTransition> TGameSystem::CreateTransition(int kind) {
  Surface* screen = ScreenSurface();
  Surface* front = WorkSurface(1);
  Surface* back = WorkSurface(0);
  if (transition_running_ || !transitions_ || screen == nullptr || front == nullptr || back == nullptr) return nullptr;
  return transitions_(kind, *screen, *front, *back);
}

void TGameSystem::ServeTransitionWait() { KeepAlive(); }

// --- layer services

FileServices* TGameSystem::Files() { return engine_ != nullptr ? engine_->Files() : nullptr; }

std::filesystem::path TGameSystem::BasePath() {
  return engine_ != nullptr ? engine_->TitleFolder() : std::filesystem::path();
}

int TGameSystem::ScreenBits() {
  Surface* screen = ScreenSurface();
  return screen != nullptr ? screen->bits_per_pixel() : 0;
}

PixelFormat TGameSystem::FrameFormat() { return display_ != nullptr ? display_->Format() : PixelFormat::Xrgb8888(); }

TRandom& TGameSystem::Random() {
  TRandom* shared = engine_ != nullptr ? engine_->Random() : nullptr;
  return shared != nullptr ? *shared : own_random_;
}

// --- system values

void TGameSystem::ShowLayerChange(const Rect& before, const TCustomGameSurface& layer) {
  const Rect area = Union(before, layer.LayerRect());
  RedrawArea(area);
  Invalidate(area);
}

std::string TGameSystem::LayerSource(int layer) {
  TCustomGameSurface* l = PictureLayer(layer);
  return l != nullptr ? l->GetSrc() : std::string();
}

void TGameSystem::SetLayerSource(int layer, std::string_view name) {
  TCustomGameSurface* l = PictureLayer(layer);
  if (l == nullptr) return;
  const Rect before = l->LayerRect();
  l->SetSrc(name);
  ShowLayerChange(before, *l);
}

std::int32_t TGameSystem::LayerFrameIndex(int layer) {
  TCustomGameSurface* l = PictureLayer(layer);
  return l != nullptr ? l->GetFrameIndex() : 0;
}

std::int32_t TGameSystem::LayerX(int layer) {
  TCustomGameSurface* l = Layer(layer);
  return l != nullptr ? l->X() : 0;
}

void TGameSystem::SetLayerX(int layer, std::int32_t x) {
  TCustomGameSurface* l = Layer(layer);
  if (l == nullptr) return;
  const Rect before = l->LayerRect();
  l->SetX(x);
  ShowLayerChange(before, *l);
}

std::int32_t TGameSystem::LayerY(int layer) {
  TCustomGameSurface* l = Layer(layer);
  return l != nullptr ? l->Y() : 0;
}

void TGameSystem::SetLayerY(int layer, std::int32_t y) {
  TCustomGameSurface* l = Layer(layer);
  if (l == nullptr) return;
  const Rect before = l->LayerRect();
  l->SetY(y);
  ShowLayerChange(before, *l);
}

std::int32_t TGameSystem::LayerWidth(int layer) {
  TCustomGameSurface* l = Layer(layer);
  return l != nullptr ? l->GetWidth() : 0;
}

std::int32_t TGameSystem::LayerHeight(int layer) {
  TCustomGameSurface* l = Layer(layer);
  return l != nullptr ? l->GetHeight() : 0;
}

std::int32_t TGameSystem::LayerBright(int layer) {
  TCustomGameSurface* l = PictureLayer(layer);
  return l != nullptr ? l->GetBright() : 0;
}

void TGameSystem::SetLayerBright(int layer, std::int32_t bright) {
  TCustomGameSurface* l = PictureLayer(layer);
  if (l == nullptr) return;
  const Rect before = l->LayerRect();
  l->SetBright(bright);
  ShowLayerChange(before, *l);
}

bool TGameSystem::LayerVisible(int layer) {
  TCustomGameSurface* l = Layer(layer);
  return l != nullptr && l->Visible();
}

void TGameSystem::SetLayerVisible(int layer, bool on) {
  TCustomGameSurface* l = Layer(layer);
  if (l == nullptr) return;
  l->SetVisible(on);
  ShowLayerChange(l->LayerRect(), *l);
}

std::string TGameSystem::AttachmentSource(int layer, int k) {
  TCustomGameSurface* l = PictureLayer(layer);
  TAttach* a = l != nullptr ? l->GetAttachment(k) : nullptr;
  return a != nullptr ? a->Src() : std::string();
}

void TGameSystem::SetAttachmentSource(int layer, int k, std::string_view name) {
  TCustomGameSurface* l = PictureLayer(layer);
  TAttach* a = l != nullptr ? l->GetAttachment(k) : nullptr;
  if (a == nullptr) return;
  const Rect before = l->LayerRect();
  a->SetSrc(name, TextWindowSurface());
  l->Reload();
  ShowLayerChange(before, *l);
}

GlyphSource& TGameSystem::Fonts() {
  if (glyphs_ == nullptr) {
    own_glyphs_ = std::make_unique<FreeTypeGlyphs>();
    glyphs_ = own_glyphs_.get();
  }
  return *glyphs_;
}

std::string TGameSystem::TextFontName() {
  std::string name = engine_ != nullptr ? engine_->FontName() : std::string();
  return name.empty() ? std::string(TBookManager::kDefaultFontName) : name;
}

void TGameSystem::SetTextWindowText(std::string_view markup) {
  const Rect before = text_window_->LayerRect();
  try {
    text_window_->SetText(markup);
  } catch (const MavError& e) {
    throw MavError(std::string("@Text ") + e.what());
  }
  ShowLayerChange(before, *text_window_);
}

void TGameSystem::MoveMouse(std::int32_t x, std::int32_t y) {
  stored_mouse_ = Point{x, y};
  if (display_ != nullptr) display_->MoveMouse(Point{x, y});
}

std::int32_t TGameSystem::NowBit() { return display_ != nullptr ? display_->BitCount() : 0; }

bool TGameSystem::FullScreen() { return display_ != nullptr && display_->FullScreen(); }

std::int32_t TGameSystem::ChoiceTopRow() { return sel_str_->Top(); }

TSelMapSurface* TGameSystem::SelMapLayer() {
  return static_cast<TSelMapSurface*>(layers_.At(LayerStack::kSelMapLayer));
}

}  // namespace mavlet
