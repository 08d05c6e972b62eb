// The engine on a small fake of its port (GameServices), without a game system: what the engine
// asks of the game system, and when.
#include <utility>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "player/backend/headless/headless_clock.h"
#include "player/backend/headless/headless_dialogs.h"
#include "player/backend/headless/headless_settings.h"
#include "player/common/log.h"
#include "player/engine/book_manager.h"
#include "player/engine/command_registry.h"
#include "player/engine/engine_commands.h"
#include "player/engine/game_services.h"
#include "player/vars/param_manager.h"
#include "tests/support/fake_files.h"

namespace mavlet {
namespace {

class FakeGame : public GameServices {
 public:
  void BeginStep() override {
    click_now = click;
    cancel_now = cancel;
  }
  // A query takes the press it reports.
  bool ClickPressed() override { return std::exchange(click_now, false); }
  bool CancelPressed() override { return std::exchange(cancel_now, false); }
  void ConsumePresses() override { click_now = cancel_now = false; }
  void InvalidateAll() override { ++invalidations; }
  void RedrawAll() override { ++redraws; }
  void ResetAll() override { ++resets; }
  void SaveToStatus(TGameStatus&) override {}
  void LoadFromStatus(TGameStatus&) override {}
  void KeepAlive() override {}
  std::vector<std::string> ScreenFonts() override { return {}; }
  DisplayServices* DisplayPort() override { return nullptr; }
  MediaServices* MediaPort() override { return nullptr; }

  bool click = false;
  bool cancel = false;
  bool click_now = false;
  bool cancel_now = false;
  int invalidations = 0;
  int redraws = 0;
  int resets = 0;
};

// An engine on scenario texts held in memory, with the engine's own commands only.
class EngineRun {
 public:
  explicit EngineRun(std::map<int, std::string> pages) : pages_(std::move(pages)), dialogs_(nullptr) {
    RegisterEngineCommands(registry_);
    RegisterPlaceholders(registry_);
    EngineServices s;
    s.registry = &registry_;
    s.files = &files_;
    s.settings = &settings_;
    s.dialogs = &dialogs_;
    s.clock = &clock_;
    s.log = &log_;
    s.scenario_source = [this](std::int32_t n) -> std::optional<ByteBuffer> {
      auto it = pages_.find(n);
      if (it == pages_.end()) return std::nullopt;
      return ByteBuffer(it->second.begin(), it->second.end());
    };
    book = std::make_unique<TBookManager>(s);
    TGlobalData global;
    global.StartPage = 1;
    global.NoRegistry = 1;
    global.NumNames = {"A", "B"};
    book->InitFrom({}, global);
    book->Restart();
  }
  void Steps(int n) {
    for (int i = 0; i < n; ++i) {
      clock_.Advance(30);
      book->Tick(game);
    }
  }
  std::int32_t Num(const char* name) { return book->Params().Find(name)->GetNum(); }

  FakeGame game;
  std::unique_ptr<TBookManager> book;

 private:
  std::map<int, std::string> pages_;
  CommandRegistry registry_;
  testing::FakeFiles files_;
  MemorySettings settings_;
  HeadlessDialogs dialogs_;
  HeadlessClock clock_;
  MemoryLog log_;
};

TEST(EnginePort, WaitClickWaitsForTheDecideButtonOfTheStep) {
  EngineRun run({{1, "WaitClick\nCalc ,,A = 1\n"}});
  run.Steps(3);
  EXPECT_EQ(run.Num("A"), 0);
  run.game.click = true;
  run.Steps(2);
  EXPECT_EQ(run.Num("A"), 1);
}

TEST(EnginePort, ResetAsksTheGameSystemToResetAndRedraw) {
  EngineRun run({{1, "NonStop=1\nCalc ,,A = 7\nReset ,,2\n"}, {2, "NonStop=1\nCalc ,,B = A + 1\n"}});
  run.Steps(3);
  EXPECT_EQ(run.game.resets, 1);
  EXPECT_GE(run.game.redraws, 1);
  EXPECT_EQ(run.Num("B"), 1) << "variables start afresh on the new page";
}

TEST(EnginePort, TextSkippingEndsOnADecideOrCancelPress) {
  struct Case {
    bool shown, click, cancel, still_skipping;
  };
  for (const Case c : {Case{true, false, false, true}, Case{true, true, false, false},
                       Case{true, false, true, false}, Case{false, true, false, true}}) {
    EngineRun run({{1, "Wait ,,99999\n"}});
    run.book->SetNoTextWait(true);
    run.book->SetTextShown(c.shown);
    run.game.click = c.click;
    run.game.cancel = c.cancel;
    run.Steps(1);
    EXPECT_EQ(run.book->NoTextWait(), c.still_skipping) << c.shown << c.click << c.cancel;
    if (!c.still_skipping) {
      EXPECT_FALSE(run.game.click_now || run.game.cancel_now) << "the press is used up";
    }
  }
}

}  // namespace
}  // namespace mavlet
