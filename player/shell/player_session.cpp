#include "player/shell/player_session.h"

#include <algorithm>

#include "player/backend/dialogs.h"
#include "player/backend/input.h"
#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/common/log.h"
#include "player/backend/graphics/png_writer.h"
#include "player/shell/command_set.h"
#include "player/shell/player_prefs.h"
#include "player/storage/file_io.h"
#include "player/shell/startup.h"
#include "player/vars/param_manager.h"

namespace mavlet {

GameSystemOptions GameSystemOptionsFor(const PlayerConfig& config, bool background_unpack) {
  GameSystemOptions options;
  options.has_sound = config.has_sound;
  options.has_joy_pad = config.has_joy_pad;
  options.anti_alias = config.anti_alias;
  options.fade_in_draw = config.fade_in_draw;
  options.image_cache = config.image_cache;
  options.sound_buffer = config.sound_buffer;
  options.background_unpack = background_unpack;
  options.use_fonts = config.use_fonts;
  return options;
}

PlayerSession::PlayerSession(const PlayerServices& services, const PlayerConfig& config)
    : services_(services),
      config_(config),
      timer_(*services.clock, static_cast<std::uint32_t>(std::max(config.interval, 1))),
      loop_(*this, config.full_screen) {
  services_.display->SetListener(this);
  services_.display->SetFrameTimer(&timer_);
}

PlayerSession::~PlayerSession() {
  // Shut-down order: the display's finalising event releases the game system's surfaces, then
  // the game system goes, then the engine.
  services_.display->Finalize();
  services_.display->SetListener(nullptr);
  services_.display->SetFrameTimer(nullptr);
  if (book_) {
    book_->SetHook(nullptr);
    book_->Params().SetGameHost(nullptr);
  }
  made_hook_.reset();
  sys_.reset();
  joystick_.reset();
  book_.reset();
}

void PlayerSession::DropMadeHook() {
  if (!made_hook_) return;
  if (book_) book_->SetHook(services_.hook);
  made_hook_.reset();
}

void PlayerSession::Report(const std::string& message) {
  if (services_.log_reports) services_.log->Error(message);
  services_.dialogs->ShowMessage(kCaption, message);
}

PlayerSession::StartResult PlayerSession::Start(const std::filesystem::path& project_folder) {
  return StartWith([&] { book_->Init(project_folder); });
}

PlayerSession::StartResult PlayerSession::StartFrom(const TGlobalData& global) {
  return StartWith([&] { book_->InitFrom({}, global); });
}

PlayerSession::StartResult PlayerSession::StartWith(const std::function<void()>& init) {
  RegisterAllCommands(registry_);
  EngineServices es;
  es.registry = &registry_;
  es.files = services_.files;
  es.settings = services_.settings;
  es.dialogs = services_.dialogs;
  es.clock = services_.clock;
  es.log = services_.log;
  es.local_time = services_.local_time;
  es.max_run_commands = services_.max_run_commands;
  es.max_step_work_bytes = services_.max_step_work_bytes;
  es.max_save_bytes = services_.max_save_bytes;
  es.scenario_source = services_.scenario_source;
  book_ = std::make_unique<TBookManager>(es);
  book_->SetHook(services_.hook);
  if (services_.make_hook) {
    made_hook_ = services_.make_hook(*book_);
    if (made_hook_) book_->SetHook(made_hook_.get());
  }
  try {
    init();
  } catch (const MavError& e) {
    // The window stays open and empty: no display, no timer, no frame.
    start_error_ = e.what();
    Report(start_error_);
    return StartResult::kFailed;
  }
  if (book_->Terminating()) return StartResult::kCancelled;

  caption_ = SjisToUtf8(book_->Title());
  services_.display->SetCaption(caption_);
  const ScreenSize size = ScreenSizeForMode(book_->ScreenMode());
  services_.display->SetSize(size.width, size.height);
  if (!services_.config_file.empty()) {
    try {
      if (auto place = LoadWindowPlacement(services_.config_file, TitleKey()))
        services_.display->SetPlacement(*place);
    } catch (const MavError& e) {
      services_.log->Warn(e.what());
    }
  }

  if (config_.has_joy_pad && services_.joysticks) {
    joystick_ = std::make_unique<TGameInput>(*services_.joysticks, *services_.input);
    joystick_->SetAutoUpdate(false);
    joystick_->SetMode(TInputMode::imJoyStick1);
    if (!joystick_->Update()) joystick_.reset();
  }
  if (joystick_) services_.log->Info("joystick 1 found");

  const GameSystemOptions options = GameSystemOptionsFor(config_, services_.background_unpack);
  SoundDevice* sound = services_.sound != nullptr ? services_.sound : &silent_;
  GlyphSource* glyphs = services_.glyphs != nullptr ? services_.glyphs : &no_glyphs_;
  sys_ = std::make_unique<TGameSystem>(*services_.input, *glyphs, SoundServices{sound, services_.clock, services_.log},
                                       options, joystick_.get());
  sys_->SetMovieOpener(services_.movies);
  sys_->SetEngine(book_.get());
  sys_->SetDisplay(services_.display);
  book_->Params().SetGameHost(&sys_->Values());

  services_.display->SetWaitVBlank(config_.wait_vblank);
  services_.display->SetUseSystemMemory(config_.use_system_memory);
  timer_.SetInterval(static_cast<std::uint32_t>(std::max(config_.interval, 1)));
  try {
    services_.display->Initialize();
  } catch (const MavError& e) {
    start_error_ = e.what();
    Report(start_error_);
    return StartResult::kFailed;
  }

  // Colour depth: the first offered depth, then the desktop's when it is offered too.
  const std::vector<std::int32_t> bits = sys_->Screen().BitDepths();
  try {
    if (!bits.empty()) {
      SetBitCount(bits.front());
      const int desktop = services_.display->DesktopBitCount();
      if (std::find(bits.begin(), bits.end(), desktop) != bits.end()) SetBitCount(desktop);
    }
  } catch (const MavError& e) {
    // The depth stays as it is; the title still runs.
    services_.log->Warn(e.what());
  }
  return StartResult::kRunning;
}

const std::vector<std::int32_t>& PlayerSession::BitList() const {
  static const std::vector<std::int32_t> kNone;
  return sys_ ? sys_->Screen().BitDepths() : kNone;
}

void PlayerSession::SetBitCount(int bits) {
  book_->SetBitCount(bits);
  sys_->Screen().SetBitCount(bits);
}

void PlayerSession::SetFullScreen(bool on) {
  if (!book_ || !sys_) return;
  if (!book_->FullScreenAllowed(on)) return;
  sys_->Screen().SetFullScreen(on);
  book_->SetFullScreenOn(on);
}

std::string PlayerSession::TitleKey() const {
  // Titles without a settings key are told apart by their caption.
  const std::string key = SjisToUtf8(book_->RegKey());
  return !key.empty() ? key : !caption_.empty() ? caption_ : std::string("untitled");
}

void PlayerSession::KeepWindowPlace() {
  if (!book_ || services_.config_file.empty()) return;
  const std::optional<WindowPlacement> place = services_.display->Placement();
  if (!place) return;
  try {
    KeepWindowPlacement(services_.config_file, TitleKey(), *place);
  } catch (const MavError& e) {
    services_.log->Warn(std::string("the window's place is not kept: ") + e.what());
  }
}

void PlayerSession::HandlePlayerKeys() {
  while (const std::optional<PlayerKey> key = services_.input->TakePlayerKey()) {
    switch (*key) {
      case PlayerKey::kToggleFullScreen: ToggleFullScreen(); break;
      case PlayerKey::kScreenshot: SaveScreenshot(); break;
    }
  }
  if (notice_until_ && static_cast<std::int32_t>(services_.clock->NowMs() - *notice_until_) >= 0) {
    notice_until_.reset();
    services_.display->SetCaption(caption_);
  }
}

void PlayerSession::ToggleFullScreen() {
  if (!book_ || !sys_) return;
  // The same path as the title's own switch, so "@FullScr" follows it.
  const bool want = !book_->FullScreenOn();
  SetFullScreen(want);
  if (book_->FullScreenOn() != want || services_.config_file.empty()) return;
  try {
    KeepSettings(services_.config_file, "STATUS", {{"FullScreen", want ? "1" : "0"}});
  } catch (const MavError& e) {
    services_.log->Warn(std::string("the full-screen choice is not kept: ") + e.what());
  }
}

void PlayerSession::SaveScreenshot() {
  if (!services_.display->Initialized()) return;
  if (services_.screenshot_folder.empty()) {
    services_.log->Warn("screenshot: no folder for screenshots is known (set XDG_PICTURES_DIR or HOME)");
    return;
  }
  try {
    std::error_code ec;
    std::filesystem::create_directories(services_.screenshot_folder, ec);
    const std::filesystem::path file =
        NextScreenshotFile(services_.screenshot_folder, caption_, services_.local_time->Now());
    // What the window shows, at the game's own size.
    WriteFileAtomic(file, EncodePng(services_.display->VisibleSurface()));
    last_screenshot_ = file;
    services_.log->Info("screenshot saved to " + file.string());
    services_.display->SetCaption(caption_ + " \u2014 " + file.filename().string());
    notice_until_ = services_.clock->NowMs() + kNoticeMs;
  } catch (const MavError& e) {
    services_.log->Error(std::string("screenshot: ") + e.what());
  }
}

void PlayerSession::OnDisplayInitialized() {
  // The game system enumerates the offered depths as part of its Initialize.
  if (sys_) sys_->Screen().Initialize();
  loop_.RequestFlip();
  timer_.SetEnabled(true);
}

void PlayerSession::OnDisplayFinalizing() {
  timer_.SetEnabled(false);
  if (sys_) sys_->Screen().Finalize();
}

void PlayerSession::OnSurfacesRestored() {
  if (sys_) sys_->Screen().RestoreSurfaces();
}

void PlayerSession::OnExposed() {
  if (services_.display->CanDraw()) services_.display->ShowVisible(services_.display->VisibleSurface().bounds());
}

bool PlayerSession::QuitRequested() const { return quit_requested_ || (book_ && book_->Terminating()); }

bool PlayerSession::Ready() { return book_ && sys_ && services_.display->CanDraw(); }

void PlayerSession::Restart() { book_->Restart(); }

bool PlayerSession::ApplicationActive() { return services_.input->ApplicationActive(); }

void PlayerSession::FlipScreen() { sys_->Screen().FlipScreen(); }

void PlayerSession::Tick() {
  // Without automatic update the joystick is read once per logic step, so every query of the
  // step sees the same pad state.
  if (joystick_ && !joystick_->AutoUpdate()) joystick_->Update();
  // The player keeps showing the screen when the main stream has ended; runs may stop there.
  main_ended_ = book_->Tick(*sys_);
  if (step_observer_) step_observer_();
}

void PlayerSession::UpdateAudio() {
  sys_->UpdateAudio();
  if (step_observer_) step_observer_();
}

bool PlayerSession::CanDraw() { return services_.display->CanDraw() && services_.display->Visible(); }

void PlayerSession::Compose() { sys_->ComposeFrame(); }

bool PlayerSession::PollTimer() {
  const std::uint32_t lag = timer_.Poll();
  if (lag == 0) return false;
  RunTimerEvent(lag);
  return true;
}

void PlayerSession::RunTimerEvent(std::uint32_t lag) {
  HandlePlayerKeys();
  if (services_.display->Visible() && services_.display->TakeMissedPresent()) loop_.RequestFlip();
  try {
    loop_.OnTimer(lag);
  } catch (const std::exception& e) {
    // Any failure of a step is the title's error: reported, and the loop goes on.
    const std::pair<TBookManager::CommandSite, std::string> error{book_->LastSite(), e.what()};
    if (last_error_ && *last_error_ == error) {
      const std::string again = std::string("again: ") + e.what();
      if (services_.log_reports)
        services_.log->Warn(again);
      else
        services_.log->Info(again);
      return;
    }
    last_error_ = error;
    Report(e.what());
  }
}

}  // namespace mavlet
