// The browser's player: reads the page's URL query, loads the site's title list, then plays the
// title in real time on the page's canvas or, with events=N, runs it as `mavtool run` does and
// shows the variables and the last picture on the page. The page's body says how it went
// (data-mavlet: loading, running, done, error) and the status line why.
#include <SDL.h>
#include <emscripten.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>

#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/common/log.h"
#include "player/engine/global_file.h"
#include "player/runner/dropped_title.h"
#include "player/runner/headless_runner.h"
#include "player/runner/web_query.h"
#include "player/shell/player_config.h"
#include "player/shell/player_session.h"
#include "player/storage/save_transfer.h"
#include "player/web/web_glue.h"
#include "player/web/web_platform.h"

namespace mavlet::web {
namespace {

namespace fs = std::filesystem;

const fs::path kConfigFile = kPersistFolder / "mavlet.ini";
const fs::path kScreenshotFolder = "/screenshots";
const fs::path kShotFile = "/tmp/mavlet-shot.png";
// The scripted run hands the page back its turn at least this often (ms).
constexpr double kYieldEveryMs = 25;

// The title's settings key as the title wrote it (Shift-JIS), empty when Global.pmx cannot be
// read (the engine reports that itself).
std::string SettingsKey(FileServices& files, const fs::path& title) {
  try {
    if (std::optional<fs::path> global = files.Resolve(title, "Pmx\\Global.pmx")) return ReadGlobalFile(*global).RegKey;
  } catch (const MavError&) {}
  return {};
}

// The browser keeps saves in a folder of its own, so the engine's save-folder question (a box
// that waits for a click before the title starts) is answered before it is asked: the folder is
// made and stored as the title's save path unless the stored one is a folder already.
void AnswerSaveFolder(SettingsStore& settings, const std::string& key, const fs::path& folder, Log& log) {
  if (key.empty()) return;
  std::error_code ec;
  if (std::optional<std::string> stored = settings.ReadString(key, "SavePath"); stored && fs::is_directory(*stored, ec))
    return;
  fs::create_directories(folder, ec);
  if (ec) {
    log.Warn(folder.string() + ": the save folder cannot be made (" + ec.message() + ")");
    return;
  }
  try {
    settings.WriteString(key, "SavePath", folder.string());
  } catch (const MavError& e) {
    log.Warn(e.what());
  }
}

// The export's file name: the settings key's parts joined ("Maker-Game-saves.zip").
std::string ExportName(const fs::path& save_folder) {
  std::string name;
  for (const fs::path& part : save_folder.lexically_relative(kPersistFolder / "saves")) {
    if (!name.empty()) name += '-';
    name += part.string();
  }
  return (name.empty() ? std::string("mavlet") : name) + "-saves.zip";
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw MavError(file.string() + ": cannot be read");
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The folder the title plays from: the site's title, or the one the drop page wrote.
fs::path TitleRoot(WebContent& content) {
  if (!TitleDropped()) {
    content.LoadManifest();
    return kTitleFolder;
  }
  const std::string zip = DroppedZipName();
  if (!zip.empty()) {
    UnpackDroppedZip(ReadFile("/tmp/mavlet-drop.zip"), zip, kTitleFolder);
    std::error_code ec;
    fs::remove("/tmp/mavlet-drop.zip", ec);
  }
  return FindDroppedTitle(kTitleFolder);
}

void RunScripted(const RunQuery& query, WebContent& content, const fs::path& title) {
  RunOptions options;
  options.events = *query.events;
  if (query.interval) options.config.interval = *query.interval;
  if (!query.input.empty()) options.input = ParseInputScript(FetchText(query.input), query.input);
  options.bits = query.depth;
  options.files = &content.Files();
  options.glyphs = &content.Glyphs();
  if (query.shot) options.shots.push_back({*query.events, kShotFile});
  double last_yield = NowMs();
  options.between_events = [&last_yield] {
    if (NowMs() - last_yield < kYieldEveryMs) return;
    emscripten_sleep(0);
    last_yield = NowMs();
  };
  HeadlessRunner runner(options, std::cout, std::cerr);
  SetPageState("running", "Running " + std::to_string(*query.events) + " events");
  if (!runner.Load(title)) throw MavError("the save-folder prompt was cancelled");
  runner.Run();
  if (query.vars) {
    std::ostringstream vars;
    runner.WriteVariables(vars);
    ShowVariables(vars.str());
  }
  if (query.shot) {
    if (runner.EventsRun() < *query.events)
      throw MavError("the run ended after event " + std::to_string(runner.EventsRun()) + ", no picture of event " +
                     std::to_string(*query.events));
    ShowShot(kShotFile);
  }
  SetPageState("done", "Ran " + std::to_string(runner.EventsRun()) + " events");
}

// Marks the first picture the window shows.
class FirstFrame : public PresentObserver {
 public:
  explicit FirstFrame(Display& display) : display_(display) { display_.SetPresentObserver(this); }
  ~FirstFrame() override { display_.SetPresentObserver(nullptr); }
  void OnPresent(const Surface&, const Rect&, int) override {
    MarkFirstFrame();
    display_.SetPresentObserver(nullptr);
  }

 private:
  Display& display_;
};

// Hands the screenshots the player saved to the page as downloads.
void OfferScreenshots() {
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(kScreenshotFolder, ec)) {
    if (!e.is_regular_file(ec)) continue;
    OfferDownload(e.path(), e.path().filename().string());
    fs::remove(e.path(), ec);
  }
}

// The page's import control: the zip it wrote replaces the slots (nothing changes when it is
// refused), then the folder is saved to IndexedDB. Run by the frame loop, since writing a slot
// waits for IndexedDB: a call from the page lands while the program sleeps and cannot wait.
std::string ImportSavesFrom(const fs::path& folder, const std::string& file_name) {
  const fs::path file = "/tmp/mavlet-import.zip";
  std::error_code ec;
  try {
    ImportSaves(ReadFile(file), folder, file_name);
    fs::remove(file, ec);
    SyncPersistentFolder();
    return "Saves imported from " + file_name;
  } catch (const std::exception& e) {
    fs::remove(file, ec);
    return std::string("Import failed: ") + e.what();
  }
}

void HandleEvent(const SDL_Event& e, SdlDisplay& display, SdlInputState& input, PlayerSession& session) {
  input.OnEvent(e);
  // A page has no close button of its own: only activation matters.
  if (display.OnWindowEvent(e) == SdlDisplay::WindowRequest::kActivate) session.OnActivated();
}

void RunRealTime(WebContent& content, StreamLog& log, const fs::path& title) {
  PlayerConfig config;
  try {
    config = LoadPlayerConfig(kConfigFile, &log);
  } catch (const MavError& e) {
    log.Error(std::string(e.what()) + "; using the default settings");
  }
  if (SDL_Init(SDL_INIT_EVENTS) != 0) throw MavError(std::string("cannot start SDL: ") + SDL_GetError());
  WebPlatform platform(content, log, std::cerr);
  const std::string key = SettingsKey(content.Files(), title);
  const fs::path save_folder = SaveFolderForKey(SjisToUtf8(key));
  platform.Dialogs().SetSaveFolder(save_folder);
  AnswerSaveFolder(platform.Settings(), key, save_folder, log);
  SetSaveFolder(save_folder, ExportName(save_folder));
  std::error_code ec;
  fs::create_directories(kScreenshotFolder, ec);
  PlayerServices services = platform.Services();
  services.config_file = kConfigFile;
  services.screenshot_folder = kScreenshotFolder;
  FirstFrame first_frame(platform.Screen());
  PlayerSession session(services, config);
  const PlayerSession::StartResult started = session.Start(title);
  if (started == PlayerSession::StartResult::kFailed) {
    if (!content.Files().Resolve(title, "Pmx\\Global.pmx"))
      throw MavError("no title on this site: title/Pmx/Global.pmx is missing");
    throw MavError("the title cannot start: " + session.StartError());
  }
  if (started == PlayerSession::StartResult::kCancelled) {
    SetPageState("done", "The title was closed");
    return;
  }
  SetPageState("running", "Playing");
  SdlDisplay& display = platform.Screen();
  SdlInputState& input = platform.Input();
  while (!session.QuitRequested() && !platform.Dialogs().CloseRequested()) {
    SDL_Event e;
    // Sleeps (the page runs on) until the next frame is due or an event comes.
    if (platform.Clock().WaitEvent(e, session.Timer().MsUntilDue())) {
      HandleEvent(e, display, input, session);
      while (SDL_PollEvent(&e)) HandleEvent(e, display, input, session);
    }
    session.PollTimer();
    OfferScreenshots();
    // The page's full screen also changes without the player (Esc, the button, a refusal): the
    // player's switch follows it, so the next F11 does what the person sees.
    if (const std::optional<bool> full = TakeFullScreenChange(); full && *full != display.FullScreen())
      session.SetFullScreen(*full);
    if (const std::string zip = TakeImportRequest(); !zip.empty())
      SetPageState("running", ImportSavesFrom(save_folder, zip));
  }
  SetPageState("done", "The title has ended");
}

int Main() {
  SetPageState("loading", "Loading");
  StreamLog log(std::cerr, LogLevel::kWarning);
  try {
    const RunQuery query = ParseRunQuery(PageQuery());
    MountPersistentFolder();
    WebContent content(std::cerr);
    const fs::path title = TitleRoot(content);
    if (query.Scripted())
      RunScripted(query, content, title);
    else
      RunRealTime(content, log, title);
  } catch (const std::exception& e) {
    std::cerr << "mavlet: " << e.what() << '\n';
    SetPageState("error", e.what());
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace mavlet::web

namespace {

// A message for the page's status line, handed over in memory the page frees.
char* PageMessage(const std::string& text) {
  char* p = static_cast<char*>(std::malloc(text.size() + 1));
  if (p != nullptr) std::memcpy(p, text.c_str(), text.size() + 1);
  return p;
}

}  // namespace

// The page's export button: the save folder as one zip, offered as a download.
extern "C" EMSCRIPTEN_KEEPALIVE char* mavlet_export_saves(const char* folder, const char* name) {
  try {
    const std::string zip = mavlet::ExportSaves(folder);
    const std::filesystem::path file = "/tmp/mavlet-export.zip";
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(zip.data(), static_cast<std::streamsize>(zip.size()));
    out.close();
    if (!out) throw mavlet::MavError(file.string() + ": cannot be written");
    mavlet::web::OfferDownload(file, name);
    std::error_code ec;
    std::filesystem::remove(file, ec);
    return PageMessage(std::string("Saves exported as ") + name);
  } catch (const std::exception& e) {
    return PageMessage(std::string("Export failed: ") + e.what());
  }
}

int main() { return mavlet::web::Main(); }
