// Scenario text of any bytes run through the interpreter for a few logic steps with the player's
// whole command set (layers and sound included) on a small offscreen display: every scenario
// number 0..9 is the same text, slots live in memory, runs are bounded low so loops stay quick.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "player/backend/display.h"
#include "player/backend/file_services.h"
#include "player/backend/fonts/freetype_glyphs.h"
#include "player/backend/headless/headless_clock.h"
#include "player/backend/headless/headless_dialogs.h"
#include "player/backend/headless/headless_input.h"
#include "player/backend/headless/headless_settings.h"
#include "player/backend/headless/headless_sound.h"
#include "player/common/error.h"
#include "player/common/log.h"
#include "player/engine/book_manager.h"
#include "player/engine/command_registry.h"
#include "player/shell/command_set.h"
#include "player/shell/game_system.h"
#include "player/vars/param_manager.h"

namespace {

class NoFiles : public mavlet::FileServices {
 public:
  std::optional<std::filesystem::path> Resolve(const std::filesystem::path&, std::string_view) override {
    return std::nullopt;
  }
  std::vector<std::filesystem::path> DataDiscRoots() override { return {}; }
  std::filesystem::path TempFolder() override { return "/nonexistent"; }
};

class NullLog : public mavlet::Log {
 public:
  void Write(mavlet::LogLevel, std::string_view) override {}
};

class Surfaces : public mavlet::DisplayListener {
 public:
  explicit Surfaces(mavlet::TGameSystem& sys) : sys_(sys) {}
  void OnDisplayInitialized() override { sys_.Screen().Initialize(); }
  void OnDisplayFinalizing() override { sys_.Screen().Finalize(); }

 private:
  mavlet::TGameSystem& sys_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const mavlet::CommandRegistry* registry = [] {
    auto* r = new mavlet::CommandRegistry;
    mavlet::RegisterAllCommands(*r);
    return r;
  }();
  const mavlet::ByteBuffer text(data, data + size);
  NoFiles files;
  mavlet::MemorySettings settings;
  mavlet::HeadlessDialogs dialogs(nullptr);
  mavlet::HeadlessClock clock;
  mavlet::HeadlessInput input;
  NullLog log;
  mavlet::EngineServices services;
  services.registry = registry;
  services.files = &files;
  services.settings = &settings;
  services.dialogs = &dialogs;
  services.clock = &clock;
  services.log = &log;
  services.max_run_commands = 500;
  services.scenario_source = [&text](std::int32_t n) -> std::optional<mavlet::ByteBuffer> {
    if (n < 0 || n > 9) return std::nullopt;
    return text;
  };
  mavlet::TBookManager book(services);
  mavlet::HeadlessSoundDevice sound(clock);
  mavlet::OnDemandGlyphs glyphs;
  mavlet::TGameSystem sys(input, glyphs, mavlet::SoundServices{&sound, &clock, &log});
  sys.SetEngine(&book);
  mavlet::Display display;
  Surfaces surfaces(sys);
  display.SetListener(&surfaces);
  display.SetSize(64, 48);
  sys.SetDisplay(&display);
  book.Params().SetGameHost(&sys.Values());
  mavlet::TGlobalData global;
  global.StartPage = 1;
  global.NoRegistry = 1;
  global.NumNames = {"A", "B", "I"};
  global.StrNames = {"S"};
  global.FlagNames = {"F"};
  book.InitFrom({}, global);
  display.Initialize();
  book.Restart();
  for (int step = 0; step < 8 && !book.Terminating(); ++step) {
    clock.Advance(15);
    if (step % 3 == 1)
      input.Hold(mavlet::MouseButton::kLeft);
    else
      input.ReleaseAll();
    try {
      book.Tick(sys);
    } catch (const mavlet::MavError&) {
    }
  }
  book.Params().SetGameHost(nullptr);
  display.Finalize();
  display.SetListener(nullptr);
  return 0;
}
