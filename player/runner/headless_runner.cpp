#include "player/runner/headless_runner.h"

#include <algorithm>
#include <cstdio>

#include "player/backend/graphics/png_writer.h"
#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/shell/startup.h"
#include "player/storage/game_status.h"
#include "player/vars/param_manager.h"

namespace mavlet {
HeadlessRunner::HeadlessRunner(RunOptions options, std::ostream& trace_out, std::ostream& err)
    : options_(std::move(options)), trace_out_(trace_out), headless_(err) {
  headless_.Dialogs().SetFolderAnswer(options_.save_dir);
  PlayerServices services = headless_.Services();
  services.background_unpack = options_.background_unpack;
  services.hook = this;
  services.max_run_commands = options_.max_run_commands;
  services.max_step_work_bytes = options_.max_step_work_bytes;
  services.max_save_bytes = options_.max_save_bytes;
  services.screenshot_folder = options_.screenshots_dir;
  services.config_file = options_.config_file;
  if (options_.files != nullptr) services.files = options_.files;
  if (options_.glyphs != nullptr) services.glyphs = options_.glyphs;
  session_ = std::make_unique<PlayerSession>(services, options_.config);
  session_->SetStepObserver([this] {
    if (audio_log_ && session_->Sys() != nullptr) audio_log_->Check(event_, *session_->Sys());
  });
  if (options_.audio_log != nullptr) audio_log_.emplace(*options_.audio_log);
  if (options_.text_log != nullptr) text_log_.emplace(*options_.text_log, event_);
}

HeadlessRunner::~HeadlessRunner() {
  headless_.Screen().SetPresentObserver(nullptr);
  if (session_ && session_->Book() != nullptr) session_->Book()->SetHook(nullptr);
  session_.reset();
}

bool HeadlessRunner::Load(const std::filesystem::path& title_folder) {
  HeadlessDisplay& display = headless_.Screen();
  if (!display.SetBitCount(options_.bits))
    throw MavError("colour depth " + std::to_string(options_.bits) + " cannot be used (16, 24 or 32)");
  // The session takes the desktop's depth when the display offers it.
  display.SetDesktopBitCount(options_.bits);
  const PlayerSession::StartResult started = session_->Start(title_folder);
  if (started == PlayerSession::StartResult::kFailed) throw MavError(session_->StartError());
  if (started == PlayerSession::StartResult::kCancelled) return false;
  if (text_log_) session_->Sys()->Screen().TextWindow().SetListener(&*text_log_);
  const ScreenSize size = ScreenSizeForMode(Book().ScreenMode());
  if (options_.expect_size &&
      (size.width != options_.expect_size->width || size.height != options_.expect_size->height)) {
    throw MavError("Global.pmx: screen mode " + std::to_string(Book().ScreenMode()) + " gives " +
                   std::to_string(size.width) + "x" + std::to_string(size.height) + ", not the expected " +
                   std::to_string(options_.expect_size->width) + "x" + std::to_string(options_.expect_size->height));
  }
  if (options_.presents_dir) {
    std::error_code ec;
    std::filesystem::create_directories(*options_.presents_dir, ec);
    const std::filesystem::path log = *options_.presents_dir / "presents.log";
    presents_log_.open(log, std::ios::binary | std::ios::trunc);
    if (!presents_log_) throw MavError(log.string() + ": cannot be written");
    headless_.Screen().SetPresentObserver(this);
  }
  return true;
}

void HeadlessRunner::OnPresent(const Surface& visible, const Rect& rect, int tag) {
  ++present_index_;
  char name[40];
  std::snprintf(name, sizeof name, "present-%06llu.png", static_cast<unsigned long long>(present_index_));
  try {
    WritePng(visible, *options_.presents_dir / name);
  } catch (const MavError& e) {
    // The record stops; the run goes on and the tool reports the failure at the end.
    headless_.Log().Error(std::string("presents: ") + e.what());
    presents_failed_ = true;
    headless_.Screen().SetPresentObserver(nullptr);
    return;
  }
  presents_log_ << event_ << '\t' << present_index_ << '\t' << rect.left << '\t' << rect.top << '\t' << rect.Width()
                << '\t' << rect.Height() << '\t' << tag << '\n';
  presents_log_.flush();
  if (!presents_log_) {
    headless_.Log().Error("presents: " + (*options_.presents_dir / "presents.log").string() + ": writing failed");
    presents_failed_ = true;
    headless_.Screen().SetPresentObserver(nullptr);
  }
}

void HeadlessRunner::SaveScreenshot(const std::filesystem::path& file) {
  // A folder that cannot be made shows up as the PNG write failing, which names the file.
  std::error_code ec;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
  // What the window shows: the screen with the particles over it.
  WritePng(headless_.Screen().VisibleSurface(), file);
}

void HeadlessRunner::TakeShots() {
  for (const ScreenShot& shot : options_.shots) {
    if (shot.event == event_) SaveScreenshot(shot.file);
  }
  if (options_.shots_every > 0 && event_ % options_.shots_every == 0) {
    char name[32];
    std::snprintf(name, sizeof name, "shot-%06d.png", event_);
    SaveScreenshot(options_.shots_dir / name);
  }
}

void HeadlessRunner::ApplyInput() {
  HeadlessInput& input = headless_.Input();
  input.ReleaseAll();
  if (button_pressed_) input.Hold(MouseButton::kLeft);
  const auto& in = options_.input;
  while (next_input_ < in.size() && in[next_input_].event < event_) ++next_input_;
  for (std::size_t i = next_input_; i < in.size() && in[i].event == event_; ++i) {
    const InputAction& a = in[i];
    switch (a.kind) {
      case InputAction::Kind::kClick: input.Hold(MouseButton::kLeft); break;
      case InputAction::Kind::kCancel: input.Hold(MouseButton::kRight); break;
      case InputAction::Kind::kUp: input.Hold(Key::kUp); break;
      case InputAction::Kind::kDown: input.Hold(Key::kDown); break;
      case InputAction::Kind::kLeft: input.Hold(Key::kLeft); break;
      case InputAction::Kind::kRight: input.Hold(Key::kRight); break;
      case InputAction::Kind::kCtrl: input.Hold(Key::kControl); break;
      case InputAction::Kind::kHome: input.Hold(Key::kHome); break;
      case InputAction::Kind::kEnd: input.Hold(Key::kEnd); break;
      case InputAction::Kind::kPageUp: input.Hold(Key::kPageUp); break;
      case InputAction::Kind::kPageDown: input.Hold(Key::kPageDown); break;
      case InputAction::Kind::kMouse: input.SetMouse({a.x, a.y}); break;
      case InputAction::Kind::kPress:
        input.SetMouse({a.x, a.y});
        input.Hold(MouseButton::kLeft);
        button_pressed_ = true;
        break;
      case InputAction::Kind::kRelease:
        input.SetMouse({a.x, a.y});
        input.Release(MouseButton::kLeft);
        button_pressed_ = false;
        break;
      case InputAction::Kind::kWheel: input.Wheel(a.x); break;
      case InputAction::Kind::kDebugStep:
        if (debugger_ != nullptr) debugger_->Step();
        break;
      case InputAction::Kind::kDebugBreak:
        if (debugger_ != nullptr) debugger_->AddBreak(a.name, a.value);
        break;
      case InputAction::Kind::kText: input.Type({TextInputEvent::Kind::kText, a.text}); break;
      case InputAction::Kind::kReturn:
        input.Type({TextInputEvent::Kind::kReturn, {}});
        input.Hold(Key::kEnter);
        break;
      case InputAction::Kind::kEscape:
        input.Type({TextInputEvent::Kind::kEscape, {}});
        input.Hold(Key::kEscape);
        break;
      case InputAction::Kind::kBackspace:
        input.Type({TextInputEvent::Kind::kBackspace, {}});
        input.Hold(Key::kBackspace);
        break;
      case InputAction::Kind::kF11:
      case InputAction::Kind::kAltReturn: input.PressPlayerKey(PlayerKey::kToggleFullScreen); break;
      case InputAction::Kind::kF12: input.PressPlayerKey(PlayerKey::kScreenshot); break;
    }
  }
}

void HeadlessRunner::RunEvent() {
  ++event_;
  headless_.Clock().Advance(static_cast<std::uint32_t>(std::max(options_.config.interval, 1)));
  ApplyInput();
  // Errors of the title are reported by the session, as the player does.
  session_->RunTimerEvent(1);
  // Outside the title's error handling: a picture that cannot be written ends the run.
  TakeShots();
}

void HeadlessRunner::Run() {
  while (event_ < options_.events) {
    if (session_->QuitRequested()) break;
    RunEvent();
    if (options_.until_end && MainEnded()) break;
    if (options_.between_events) options_.between_events();
  }
}

void HeadlessRunner::OnExecute(TCallManager& mgr, TCommand& command, const TStackData& pos) {
  if (debugger_ != nullptr) debugger_->OnExecute(mgr, command, pos);
  if (!options_.trace) return;
  trace_out_ << event_ << '\t' << kStreamLabels[mgr.Kind() & 7] << '\t' << pos.Page << '\t' << pos.Com << '\t'
             << command.ClassName() << '\n';
}

void HeadlessRunner::WriteVariables(std::ostream& out) {
  TGameStatus status({}, 0);
  Book().Params().SaveToStatus(status);
  for (const std::string& line : status.Lines()) out << SjisToUtf8(line) << '\n';
  // The text values, as a scenario reads them, and the engine's text settings.
  GameValueHost& values = Sys().Values();
  TBookManager& book = Book();
  out << "@Text=" << SjisToUtf8(values.TextWindowText()) << '\n';
  out << "@TextX=" << values.TextX() << "\n@TextY=" << values.TextY() << '\n';
  out << "@TextBoxX=" << values.LayerX(9) << "\n@TextBoxY=" << values.LayerY(9) << '\n';
  out << "@VisibleText=" << (values.LayerVisible(9) ? "ON" : "OFF") << '\n';
  out << "@HistoryCount=" << book.HistoryCount() << "\n@TextSpd=" << book.TextSpd() << '\n';
  out << "@TextCol=" << book.text_col << "\n@TextSCol=" << book.text_scol << '\n';
  out << "@FontName=" << SjisToUtf8(book.font_name) << '\n';
  out << "@NoTextWait=" << (book.NoTextWait() ? "ON" : "OFF") << '\n';
  // The choice values, as a scenario reads them.
  out << "@SelStr=" << SjisToUtf8(values.LastChoiceText()) << '\n';
  out << "@SelIdx=" << values.LastChoiceIndex() << '\n';
  out << "@SelTop=" << values.ChoiceTopRow() << '\n';
}

}  // namespace mavlet
