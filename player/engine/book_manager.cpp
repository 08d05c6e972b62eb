#include "player/engine/book_manager.h"

#include <algorithm>
#include <exception>
#include <cstdio>
#include <string>
#include <system_error>

#include "player/backend/clock.h"
#include "player/backend/dialogs.h"
#include "player/backend/file_services.h"
#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/common/log.h"
#include "player/common/sjis_text.h"
#include "player/common/ticks.h"
#include "player/engine/command_registry.h"
#include "player/engine/engine_hook.h"
#include "player/engine/game_services.h"
#include "player/storage/data_lookup.h"
#include "player/storage/game_status.h"
#include "player/storage/packed_file.h"
#include "player/vars/font_list.h"
#include "player/vars/param_manager.h"

namespace mavlet {

const char* const TBookManager::kDefaultFontName = mavlet::kDefaultFontName;

namespace {

constexpr const char* kCaption = "Mavlet";
// How often the folder prompt may be answered with a folder that still does not exist.
constexpr int kMaxFolderPrompts = 8;
// Nested runs (always stream, after-load pages, choices) deeper than this are refused.
constexpr int kMaxRunDepth = 16;

std::string IntKey(const char* prefix, int k) { return prefix + std::to_string(k); }

}  // namespace

TBookManager::TBookManager(const EngineServices& services) : services_(services) {
  params_ = std::make_unique<TParamManager>(services_.log);
  params_->SetEngineHost(this);
  for (int k = 0; k < kStreams; ++k)
    managers_[static_cast<std::size_t>(k)] = std::make_unique<TCallManager>(*this, static_cast<std::uint8_t>(k));
  int_page_.fill(-1);
  font_name = kDefaultFontName;
}

TBookManager::~TBookManager() = default;

void TBookManager::Init(const std::filesystem::path& folder) {
  std::optional<std::filesystem::path> global = services_.files->Resolve(folder, "Pmx\\Global.pmx");
  // UnpackFile names the missing file in its error.
  TGlobalData data = ReadGlobalFile(global ? *global : folder / "Pmx" / "Global.pmx");
  InitFrom(folder, data);
}

void TBookManager::InitFrom(const std::filesystem::path& folder, const TGlobalData& data) {
  base_path_ = folder;
  wav_path_.clear();
  if (auto wav = services_.files->Resolve(base_path_, "Wav"); wav && std::filesystem::is_directory(*wav)) {
    wav_path_ = *wav;
  } else {
    for (const auto& root : services_.files->OpticalRoots()) {
      if (auto disc_wav = services_.files->Resolve(root, "Wav"); disc_wav && std::filesystem::is_directory(*disc_wav)) {
        wav_path_ = *disc_wav;
        break;
      }
    }
  }
  title_ = data.Title;
  screen_mode_ = data.ScreenMode;
  start_page_ = data.StartPage;
  reg_key_ = data.RegKey;
  no_registry_ = data.NoRegistry;
  for (const auto& n : data.NumNames) params_->Declare(0, n);
  for (const auto& n : data.StrNames) params_->Declare(1, n);
  for (const auto& n : data.FlagNames) params_->Declare(2, n);
  if (no_registry_ == 0 && reg_key_.rfind("Software\\", 0) != 0)
    throw MavError("ﾚｼﾞｽﾄﾘ指定が間違っています");
  for (int d = 1; d <= 5; ++d) {
    auto file = services_.files->Resolve(base_path_, "Pmx\\Data" + std::to_string(d) + ".pmx");
    if (file && std::filesystem::is_regular_file(*file)) {
      archive_.LoadArchive(*file);
      break;
    }
  }
  if (no_registry_ == 0) SetUpSaveFolder();
}

// Key names go to the settings store as the title wrote them (Shift-JIS).
std::string TBookManager::SettingsKey() const { return reg_key_; }

void TBookManager::SetUpSaveFolder() {
  for (int attempt = 0;; ++attempt) {
    std::filesystem::path current = GetSavePath();
    std::error_code ec;
    if (!current.empty() && std::filesystem::is_directory(current, ec)) return;
    if (attempt >= kMaxFolderPrompts)
      throw MavError("the save folder \"" + current.string() + "\" could not be set up");
    services_.dialogs->ShowMessage(kCaption, "セーブデータを保存するフォルダを指定してください");
    std::optional<std::filesystem::path> chosen =
        services_.dialogs->AskFolder("セーブデータを保存するフォルダ", services_.files->TempFolder());
    if (!chosen) {
      RequestTerminate();
      return;
    }
    services_.settings->WriteString(SettingsKey(), "SavePath", chosen->string());
  }
}

std::filesystem::path TBookManager::GetSavePath() {
  if (no_registry_ != 0 || reg_key_.empty() || services_.settings == nullptr) return {};
  std::optional<std::string> v = services_.settings->ReadString(SettingsKey(), "SavePath");
  return v ? std::filesystem::path(*v) : std::filesystem::path();
}

void TBookManager::ClearSettings() {
  if (reg_key_.empty() || services_.settings == nullptr) return;
  services_.settings->DeleteKey(SettingsKey());
}

// --- streams

void TBookManager::Restart() {
  managers_[0]->Start(start_page_, 0);
  int_page_[0] = start_page_;
  for (int k = 1; k < kStreams; ++k) StartInterrupt(k, -1);
}

void TBookManager::StartInterrupt(int k, std::int32_t page) {
  if (k < 0 || k >= kStreams) {
    services_.log->Warn("IntCall: there is no stream " + std::to_string(k) + " (streams are 0 to 7)");
    return;
  }
  int_page_[static_cast<std::size_t>(k)] = page;
  managers_[static_cast<std::size_t>(k)]->Start(page, 0);
}

// Opens the shared run budget when no run holds one yet; nested runs draw from the same one.
class RunBudget {
 public:
  explicit RunBudget(TBookManager& book) : book_(book) {
    if (book_.budget_users_++ == 0) {
      book_.budget_end_ = book_.total_executed_ + book_.MaxRunCommands();
      book_.budget_warned_ = false;
      book_.work_end_ = book_.work_done_ + book_.MaxStepWorkBytes();
      book_.busy_since_ms_ = book_.services_.clock->NowMs();
      book_.step_cut_ = TBookManager::StepCut::kNone;
    }
  }
  ~RunBudget() {
    if (--book_.budget_users_ == 0) book_.last_step_cut_ = book_.step_cut_;
  }
  RunBudget(const RunBudget&) = delete;
  RunBudget& operator=(const RunBudget&) = delete;

 private:
  TBookManager& book_;
};

bool TBookManager::RunBudgetSpent() {
  if (budget_users_ == 0) return false;
  if (step_cut_ != StepCut::kNone) return true;
  Clock& clock = *services_.clock;
  if (total_executed_ >= budget_end_) {
    step_cut_ = StepCut::kCommands;
  } else if (work_done_ >= work_end_) {
    step_cut_ = StepCut::kWork;
  } else if (!clock.Virtual() && TickDistance(clock.NowMs(), busy_since_ms_) >= kMaxBusyStepMs) {
    step_cut_ = StepCut::kTime;
  } else {
    return false;
  }
  // The command budget warns in every step it cuts; work and time once for a run of cut steps.
  if (step_cut_ == StepCut::kCommands) {
    if (!budget_warned_)
      services_.log->Warn("the scenario ran " + std::to_string(MaxRunCommands()) +
                          " commands in one logic step, nested runs included; the rest waits for the next step");
    budget_warned_ = true;
  } else if (step_cut_ != last_step_cut_) {
    const TStackData& pos = managers_[0]->Pos();
    const std::string where =
        " (main stream at page " + std::to_string(pos.Page) + ", command " + std::to_string(pos.Com) + ")";
    services_.log->Warn(step_cut_ == StepCut::kWork ? "the scenario did " + std::to_string(MaxStepWorkBytes()) +
                                                          " bytes of work on saved games in one logic step" + where +
                                                          "; the rest waits for the next step"
                                                    : "the scenario ran " + std::to_string(kMaxBusyStepMs) +
                                                          " ms in one logic step without waiting" + where +
                                                          "; the rest waits for the next step");
  }
  return true;
}

bool TBookManager::TerminateOnClose(GameServices& sys) {
  if (!terminating_ && sys.CloseRequested()) terminating_ = true;
  return terminating_;
}

bool TBookManager::Tick(GameServices& sys) {
  RunBudget budget(*this);
  stop_frame_ = false;
  TerminateOnClose(sys);  // then the main stream runs no command
  sys.BeginStep();
  StopTextSkipOnPress(sys);
  bool ended = managers_[0]->Advance(sys);
  if (hook_ != nullptr) hook_->OnTickEnd();
  return ended;
}

void TBookManager::StopTextSkipOnPress(GameServices& sys) {
  if (!SkippingText()) return;
  // Both buttons are asked (and so both presses used up by ending the skip).
  const bool decide = sys.ClickPressed();
  const bool cancel = sys.CancelPressed();
  if (decide || cancel) no_text_wait_ = false;
}

void TBookManager::NoteExecute(TCallManager& mgr, TCommand& command, const TStackData& pos) {
  ++total_executed_;
  last_site_ = CommandSite{&command, mgr.Kind(), pos.Page, pos.Com};
  if (hook_ != nullptr) hook_->OnExecute(mgr, command, pos);
}

void TBookManager::RunAlwaysStream(TCallManager& mgr, GameServices& sys) {
  if (!IsMain(mgr) || int_page_[1] < 0 || always_running_) return;
  TCallManager& s = *managers_[1];
  const std::uint32_t now = services_.clock->NowMs();
  const std::int64_t diff = TickDistance(now, s.LastTick);
  std::int64_t countdown = static_cast<std::int64_t>(s.Countdown) - diff;
  s.LastTick = now;
  if (countdown > 0) {
    s.Countdown = static_cast<std::int32_t>(countdown);
    return;
  }
  countdown += 30;
  s.Countdown = countdown < 0 ? 30 : static_cast<std::int32_t>(countdown);
  always_running_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{always_running_};
  RunToEnd(s, sys, "the always stream");
  StartInterrupt(1, int_page_[1]);
}

bool TBookManager::RunToEnd(TCallManager& mgr, GameServices& sys, std::string_view what,
                             const std::function<bool()>& stop) {
  if (run_depth_ >= kMaxRunDepth) {
    services_.log->Warn(std::string(what) + ": runs nested more than " + std::to_string(kMaxRunDepth) +
                        " deep; not run");
    return false;
  }
  ++run_depth_;
  struct Depth {
    int& d;
    ~Depth() { --d; }
  } depth{run_depth_};
  RunBudget budget(*this);
  const std::uint64_t start = mgr.Executed();
  const std::uint64_t limit = MaxRunCommands();
  bool step_spent = false;
  for (std::uint64_t calls = 0; calls < limit; ++calls) {
    if (mgr.Advance(sys)) return true;
    if (stop && stop()) return true;
    if (TerminateOnClose(sys)) return false;
    step_spent = RunBudgetSpent();
    if (mgr.Executed() - start >= limit || step_spent) break;
    // The command at the position was entered and left it unchanged: it waits for time or
    // input, which only move on while we sleep.
    const TStackData& pos = mgr.Pos();
    if (pos.Page == mgr.Entered().Page && pos.Com == mgr.Entered().Com && !terminating_) {
      sys.KeepAlive();
      services_.clock->SleepMs(kRunWaitStepMs);
      // The window was served: the step's time without waiting starts again.
      busy_since_ms_ = services_.clock->NowMs();
    }
  }
  if (step_spent && step_cut_ != StepCut::kCommands) {
    // Cut with its logic step by the work or time bound, which has said so once already.
    return false;
  }
  services_.log->Warn(std::string(what) + " (page " + std::to_string(mgr.Pos().Page) + ") did not end within " +
                      std::to_string(limit) + " commands; left where it stands");
  return false;
}

void TBookManager::ResetGame(std::int32_t page, GameServices& sys) {
  font_name = kDefaultFontName;
  text_spd = 3;
  text_col = 0;
  text_scol = 0;
  sys.ResetAll();
  params_->ResetAll();
  int_page_[0] = page;
  managers_[0]->Start(page, 0);
  for (int k = 1; k < kStreams; ++k) {
    int_page_[static_cast<std::size_t>(k)] = -1;
    managers_[static_cast<std::size_t>(k)]->Start(-1, -1);
  }
  sys.RedrawAll();
  sys.InvalidateAll();  // the frame presents the whole new screen
  stop_frame_ = true;
  no_text_wait_ = false;
  text_shown_ = false;
  no_paint_back = false;
  history.clear();
  marks_.clear();
}

void TBookManager::ReadScenarioInto(TPage& page, std::int32_t n) {
  std::optional<ByteBuffer> data;
  if (services_.scenario_source) {
    data = services_.scenario_source(n);
  } else {
    TitleFiles title{base_path_, services_.files};
    data = LoadScenarioData(title, archive_, n);
  }
  if (!data) {
    services_.dialogs->ShowMessage(kCaption, "シナリオ" + std::to_string(n) + "がありません");
    return;
  }
  page.ParseText(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()), *services_.registry);
}

bool TBookManager::SetFontName(std::string_view name, GameServices& sys) {
  auto has_double_byte = [](std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return IsLeadByte(static_cast<std::uint8_t>(c)); });
  };
  if (name.empty() || name[0] == '@' || !has_double_byte(name)) return false;
  const std::vector<std::string> fonts = sys.ScreenFonts();
  if (std::find(fonts.begin(), fonts.end(), name) == fonts.end()) return false;
  font_name = std::string(name);
  sys.InvalidateAll();  // the text layer lies within it
  return true;
}

// --- variables

bool TBookManager::CheckCondition(const std::string& cond) { return params_->CheckCondition(cond); }

void TBookManager::AddMark(const TParameter& param) { marks_.push_back(param.Id()); }

void TBookManager::DelMarks() {
  for (const std::uint64_t id : marks_)
    if (TParameter* p = params_->FindById(id)) params_->RemoveParam(p);
  marks_.clear();
}

void TBookManager::ForgetMark(const TParameter* param) {
  std::erase(marks_, param->Id());
}

// --- slots

std::string TBookManager::ReadKey(int slot, std::string_view key, std::string_view fallback) {
  TGameStatus status(GetSavePath(), slot);
  return status.ReadString(key, fallback);
}

void TBookManager::WriteKey(int slot, std::string_view key, std::string_view value) {
  TGameStatus status(GetSavePath(), slot);
  AddStepWork(status.PayloadBytes());
  status.SetSizeLimit(services_.max_save_bytes);
  status.WriteString(key, value);
  AddStepWork(status.PayloadBytes() + kSlotWriteWorkBytes);
  status.Flush();
}

void TBookManager::SaveGameSlot(int slot, GameServices& sys) {
  TGameStatus status(GetSavePath(), slot);
  AddStepWork(status.PayloadBytes());
  status.SetSizeLimit(services_.max_save_bytes);
  try {
    WriteGame(status, sys);
  } catch (...) {
    // A save that failed half-way (too large, a part that could not be written) never replaces
    // the slot: its file keeps the game saved before.
    status.Discard();
    AddStepWork(status.PayloadBytes());
    throw;
  }
  AddStepWork(status.PayloadBytes() + kSlotWriteWorkBytes);
  status.Flush();
}

void TBookManager::WriteGame(TGameStatus& status, GameServices& sys) {
  status.ClearKeepHeader();
  status.WriteString("@FontName", font_name);
  status.WriteInteger("@TextSpd", text_spd);
  status.WriteInteger("@TextCol", text_col);
  status.WriteInteger("@TextSCol", text_scol);
  for (int k = 0; k < kStreams; ++k) status.WriteInteger(IntKey("Int", k), int_page_[static_cast<std::size_t>(k)]);
  for (int k = 0; k < kStreams; ++k) managers_[static_cast<std::size_t>(k)]->SaveStream(status, IntKey("Int", k), sys);
  params_->SaveToStatus(status);
  sys.SaveToStatus(status);
  for (std::size_t i = 0; i < history.size(); ++i) {
    status.WriteInteger(IntKey("@HistPage", static_cast<int>(i)), history[i].first);
    status.WriteInteger(IntKey("@HistOff", static_cast<int>(i)), history[i].second);
  }
  int n = 0;
  for (const std::uint64_t id : marks_)
    if (const TParameter* p = params_->FindById(id)) status.WriteString(IntKey("@Marks", n++), p->Name());
}

void TBookManager::LoadGameSlot(int slot, GameServices& sys) {
  if (const std::exception_ptr error = LoadGameSlotFirstError(slot, sys)) std::rethrow_exception(error);
}

std::exception_ptr TBookManager::LoadGameSlotFirstError(int slot, GameServices& sys) {
  TGameStatus status(GetSavePath(), slot);
  AddStepWork(status.PayloadBytes());
  std::exception_ptr first;
  try {
    sys.LoadFromStatus(status);
  } catch (const MavError&) {
    first = std::current_exception();
  }
  if (terminating_) return first;
  try {
    LoadEngineState(status, sys);
  } catch (const MavError&) {
    if (!first) first = std::current_exception();
  }
  return first;
}

void TBookManager::LoadEngineState(TGameStatus& status, GameServices& sys) {
  params_->LoadFromStatus(status);
  font_name = status.ReadString("@FontName", "");
  text_spd = status.ReadInteger("@TextSpd", 0);
  text_col = status.ReadInteger("@TextCol", 16777215);
  text_scol = status.ReadInteger("@TextSCol", 0);
  for (int k = 0; k < kStreams; ++k) int_page_[static_cast<std::size_t>(k)] = status.ReadInteger(IntKey("Int", k), -1);
  for (int k = 0; k < kStreams; ++k) managers_[static_cast<std::size_t>(k)]->LoadStream(status, IntKey("Int", k), sys);
  history.clear();
  for (int i = 0;; ++i) {
    std::int32_t page = status.ReadInteger(IntKey("@HistPage", i), -1);
    if (page == -1) break;
    history.emplace_back(page, status.ReadInteger(IntKey("@HistOff", i), 0));
  }
  marks_.clear();
  for (int i = 0;; ++i) {
    std::string name = status.ReadString(IntKey("@Marks", i), "");
    if (name.empty()) break;
    // Only temporaries are ever marked: a declared variable of the same name stays.
    if (TParameter* p = params_->FindTemporary(name)) marks_.push_back(p->Id());
  }
  sys.InvalidateAll();
  stop_frame_ = true;
}

}  // namespace mavlet
