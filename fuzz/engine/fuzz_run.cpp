// Scenario text of any bytes run through the interpreter for a few logic steps with the player's
// whole command set (layers and sound included), on the headless platform bundle as `mavtool
// run` uses it: every scenario number 0..9 is the same text, no file is found, slots live in
// memory, messages go nowhere and runs and the work on saved games are bounded low so
// loops stay quick.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>

#include "player/backend/file_services.h"
#include "player/engine/global_file.h"
#include "player/runner/headless_services.h"
#include "player/shell/player_session.h"

namespace {

class NoFiles : public mavlet::FileServices {
 public:
  std::optional<std::filesystem::path> Resolve(const std::filesystem::path&, std::string_view) override {
    return std::nullopt;
  }
  std::vector<std::filesystem::path> DataDiscRoots() override { return {}; }
  std::filesystem::path TempFolder() override { return "/nonexistent"; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const mavlet::ByteBuffer text(data, data + size);
  std::ostream nowhere(nullptr);
  mavlet::HeadlessServices headless(nowhere);
  NoFiles files;
  mavlet::PlayerServices services = headless.Services();
  services.files = &files;
  services.movies = nullptr;
  services.max_run_commands = 500;
  services.max_step_work_bytes = mavlet::TBookManager::kSlotWriteWorkBytes * 2;  // two saves a step
  services.scenario_source = [&text](std::int32_t n) -> std::optional<mavlet::ByteBuffer> {
    if (n < 0 || n > 9) return std::nullopt;
    return text;
  };
  mavlet::PlayerConfig config;
  config.interval = 15;
  mavlet::PlayerSession session(services, config);
  mavlet::TGlobalData global;
  global.StartPage = 1;
  global.NoRegistry = 1;
  global.NumNames = {"A", "B", "I"};
  global.StrNames = {"S"};
  global.FlagNames = {"F"};
  if (session.StartFrom(global) != mavlet::PlayerSession::StartResult::kRunning) return 0;
  // The first event restarts the engine; the steps after it run the scenario.
  for (int step = 0; step < 9 && !session.QuitRequested(); ++step) {
    headless.Clock().Advance(15);
    if (step % 3 == 2)
      headless.Input().Hold(mavlet::MouseButton::kLeft);
    else
      headless.Input().ReleaseAll();
    session.RunTimerEvent(1);
  }
  return 0;
}
