#include "player/shell/player_session.h"

#include <optional>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "player/backend/headless/headless_clock.h"
#include "player/backend/headless/headless_dialogs.h"
#include "player/backend/headless/headless_input.h"
#include "player/backend/headless/headless_settings.h"
#include "player/backend/headless/headless_sound.h"
#include "player/backend/posix/posix_file_services.h"
#include "player/engine/global_file.h"
#include "player/runner/headless_runner.h"
#include "player/storage/packed_file.h"
#include "player/vars/local_time.h"
#include "player/vars/param_manager.h"
#include "player/vars/parameter.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_title.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;

class RecordingDisplay : public Display {
 public:
  std::string caption;
  int initializations = 0;
  void SetCaption(std::string_view utf8) override { caption = std::string(utf8); }
  int DesktopBitCount() const override { return desktop_bits; }
  int desktop_bits = 32;
  // The platform cannot show a full screen at this depth (0: any).
  std::optional<int> fail_full_screen_bits;

 protected:
  void OnSurfacesCreated() override {
    if (FullScreen() && fail_full_screen_bits && (*fail_full_screen_bits == 0 || *fail_full_screen_bits == BitCount()))
      throw MavError("no full screen here");
    ++initializations;
  }
};

class PlayerSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder_ / "Pmx");
    services_.display = &display_;
    services_.input = &input_;
    services_.dialogs = &dialogs_;
    services_.clock = &clock_;
    // Sound channels write their "~mavl%d.wav" files in the temporary folder: a folder of the
    // test's own keeps parallel test processes from sharing them.
    fs::create_directories(folder_ / "tmp");
    files_.emplace(PosixFileServices::Options{"/proc/self/mounts", folder_ / "tmp"});
    services_.files = &*files_;
    services_.settings = &settings_;
    services_.local_time = &date_;
    services_.log = &log_;
  }

  // Scenario 1 comes from memory; the returned title starts there with one variable, A.
  TGlobalData ScenarioFromMemory(std::string text) {
    services_.scenario_source = [text = std::move(text)](std::int32_t n) -> std::optional<ByteBuffer> {
      if (n != 1) return std::nullopt;
      return ByteBuffer(text.begin(), text.end());
    };
    TGlobalData global;
    global.StartPage = 1;
    global.NoRegistry = 1;
    global.NumNames = {"A"};
    return global;
  }

  void WriteTitle(int screen_mode, const std::string& scenario) {
    TGlobalData g;
    g.Title = "Demo";
    g.ScreenMode = static_cast<std::uint8_t>(screen_mode);
    g.StartPage = 1;
    g.NoRegistry = 1;
    g.NumNames = {"A"};
    WriteGlobalFile(folder_ / "Pmx" / "Global.pmx", g);
    PackToFile(folder_ / "Pmx" / "1.pmx",
               std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(scenario.data()), scenario.size()));
  }
  std::int32_t A(PlayerSession& s) { return s.Book()->Params().Find("A")->GetNum(); }

  testing::TempFolder temp_{"session"};
  const fs::path folder_ = temp_.path();
  RecordingDisplay display_;
  HeadlessInput input_;
  std::ostringstream err_;
  HeadlessDialogs dialogs_{&err_};
  HeadlessClock clock_{1000};
  std::optional<PosixFileServices> files_;
  MemorySettings settings_;
  FixedLocalTime date_;
  MemoryLog log_;
  PlayerServices services_;
};

// What a platform puts in the services reaches the engine: the scenario source replaces the
// title's files, the hook hears every command, and a platform without fonts still runs (the
// screen offers no faces).
TEST_F(PlayerSessionTest, ScenarioSourceHookAndMissingFontsTravelInTheServices) {
  struct Names : EngineHook {
    std::vector<std::string> seen;
    void OnExecute(TCallManager&, TCommand& command, const TStackData&) override {
      seen.push_back(command.ClassName());
    }
  } hook;
  services_.hook = &hook;
  services_.glyphs = nullptr;
  const TGlobalData global = ScenarioFromMemory("Calc ,,A = 7\nWait ,,999999\n");
  {
    PlayerSession session(services_, PlayerConfig{});
    ASSERT_EQ(session.StartFrom(global), PlayerSession::StartResult::kRunning) << err_.str();
    for (int i = 0; i < 3; ++i) {
      clock_.Advance(30);
      session.PollTimer();
    }
    EXPECT_EQ(A(session), 7) << "scenario 1 came from the source, not from the (empty) title folder";
    EXPECT_TRUE(session.Sys()->ScreenFonts().empty());
    EXPECT_EQ(err_.str(), "");
    ASSERT_GE(hook.seen.size(), 2u);
    EXPECT_EQ(hook.seen[0], "TComCalc");
  }
}

// A hook made from the session's own engine (the debug window's core) hears the title from its
// first command in place of the plain hook, lives while the engine does and can be dropped, the
// plain hook then hearing again.
TEST_F(PlayerSessionTest, MadeHookHearsTheTitleUntilDroppedAndGoesBeforeTheEngine) {
  struct Count : EngineHook {
    int commands = 0;
    void OnExecute(TCallManager&, TCommand&, const TStackData&) override { ++commands; }
  };
  struct Made : Count {
    TBookManager& book;
    int* alive;
    Made(TBookManager& b, int* a) : book(b), alive(a) { ++*alive; }
    // The engine is still there: its variables can still be reached.
    ~Made() override {
      book.Params().SetOnChange(nullptr);
      --*alive;
    }
  };
  Count plain;
  Made* made = nullptr;
  int alive = 0, calls = 0;
  services_.hook = &plain;
  services_.make_hook = [&](TBookManager& book) {
    ++calls;
    auto m = std::make_unique<Made>(book, &alive);
    made = m.get();
    return std::unique_ptr<EngineHook>(std::move(m));
  };
  const TGlobalData global = ScenarioFromMemory("Calc ,,A = A + 1\nWait ,,300\nCalc ,,A = A + 1\nWait ,,999999\n");
  {
    PlayerSession session(services_, PlayerConfig{});
    ASSERT_EQ(session.StartFrom(global), PlayerSession::StartResult::kRunning) << err_.str();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(&made->book, session.Book()) << "made from the session's engine";
    for (int i = 0; i < 3; ++i) {
      clock_.Advance(30);
      session.PollTimer();
    }
    ASSERT_EQ(A(session), 1);
    EXPECT_GE(made->commands, 1);
    EXPECT_EQ(plain.commands, 0) << "the made hook stands in for the plain one";
    session.DropMadeHook();
    EXPECT_EQ(alive, 0) << "dropped at once";
    for (int i = 0; i < 15; ++i) {
      clock_.Advance(30);
      session.PollTimer();
    }
    EXPECT_EQ(A(session), 2);
    EXPECT_GE(plain.commands, 1) << "the plain hook hears again";
  }
  made = nullptr;
  services_.make_hook = [&](TBookManager& book) { return std::unique_ptr<EngineHook>(new Made(book, &alive)); };
  {
    PlayerSession session(services_, PlayerConfig{});
    ASSERT_EQ(session.StartFrom(global), PlayerSession::StartResult::kRunning) << err_.str();
    EXPECT_EQ(alive, 1);
  }
  EXPECT_EQ(alive, 0) << "the session's end takes it (before the engine)";
  EXPECT_EQ(calls, 1) << "made once per session";
}

TEST_F(PlayerSessionTest, MissingTitleIsReportedAndNoFrameEverRuns) {
  PlayerSession session(services_, PlayerConfig{});
  EXPECT_EQ(session.Start(folder_ / "nothing"), PlayerSession::StartResult::kFailed);
  ASSERT_EQ(dialogs_.Messages().size(), 1u);
  EXPECT_NE(dialogs_.Messages()[0].text.find("Global.pmx"), std::string::npos) << "names the file";
  EXPECT_NE(session.StartError().find("Global.pmx"), std::string::npos);
  EXPECT_FALSE(display_.Initialized());
  EXPECT_FALSE(session.Timer().Enabled());
  clock_.Advance(1000);
  EXPECT_FALSE(session.PollTimer());
  EXPECT_FALSE(session.QuitRequested()) << "the empty window stays";
}

TEST_F(PlayerSessionTest, StartSizesDisplayAndTimerRunsTheEngine) {
  std::string page;
  for (int i = 0; i < 40; ++i) page += "Calc ,,A = A + 1\n";
  page += "Wait ,,999999\n";
  WriteTitle(1, page);
  PlayerConfig config;
  config.interval = 20;
  PlayerSession session(services_, config);
  ASSERT_EQ(session.Start(folder_), PlayerSession::StartResult::kRunning) << err_.str();
  EXPECT_EQ(display_.caption, "Demo");
  EXPECT_EQ(display_.Width(), 320);
  EXPECT_EQ(display_.Height(), 240);
  EXPECT_TRUE(display_.Initialized());
  EXPECT_EQ(session.BitList(), (std::vector<int>{16, 24, 32}));
  EXPECT_EQ(session.Book()->BitCount(), 32) << "the desktop's depth, being offered";
  EXPECT_EQ(session.Sys() != nullptr, true);
  EXPECT_EQ(session.Joystick(), nullptr) << "no joystick port";

  clock_.Advance(19);
  EXPECT_FALSE(session.PollTimer());
  clock_.Advance(1);
  EXPECT_TRUE(session.PollTimer()) << "first event: restart only";
  EXPECT_EQ(A(session), 0);
  clock_.Advance(20);
  EXPECT_TRUE(session.PollTimer());
  const int after_on_time = A(session);
  EXPECT_GT(after_on_time, 0);
  clock_.Advance(20 * 25);
  EXPECT_TRUE(session.PollTimer());
  const int late_steps = A(session) - after_on_time;
  EXPECT_EQ(late_steps * 2, after_on_time * 11) << "a late event runs 11 logic steps against 2";
}

TEST_F(PlayerSessionTest, FullScreenAtStartAndRefusedWithoutDepth) {
  WriteTitle(3, "Wait ,,999999\n");
  PlayerConfig config;
  config.full_screen = true;
  PlayerSession session(services_, config);
  ASSERT_EQ(session.Start(folder_), PlayerSession::StartResult::kRunning);
  EXPECT_EQ(display_.initializations, 1);
  clock_.Advance(30);
  session.PollTimer();
  EXPECT_TRUE(display_.FullScreen());
  EXPECT_TRUE(session.Book()->FullScreenOn());
  EXPECT_EQ(display_.initializations, 2) << "the switch re-initialises the display";
  EXPECT_TRUE(session.Timer().Enabled());
  session.SetFullScreen(false);
  EXPECT_FALSE(display_.FullScreen());
  session.Book()->SetBitCount(8);
  session.SetFullScreen(true);
  EXPECT_FALSE(display_.FullScreen()) << "refused at 8 bits";
}

TEST_F(PlayerSessionTest, FailedFullScreenSwitchFallsBackToTheWindowThatWorked) {
  WriteTitle(3, "Wait ,,999999\n");
  PlayerSession session(services_, PlayerConfig{});
  ASSERT_EQ(session.Start(folder_), PlayerSession::StartResult::kRunning);
  display_.fail_full_screen_bits = 0;
  EXPECT_THROW(session.SetFullScreen(true), MavError);
  EXPECT_FALSE(display_.FullScreen());
  EXPECT_FALSE(session.Book()->FullScreenOn());
  EXPECT_TRUE(display_.Initialized());
  EXPECT_TRUE(session.Timer().Enabled());

  // A depth the full screen cannot show keeps the full screen at the depth that worked.
  display_.fail_full_screen_bits = 16;
  session.SetFullScreen(true);
  ASSERT_TRUE(display_.FullScreen());
  EXPECT_THROW(session.Sys()->Screen().SetBitCount(16), MavError);
  EXPECT_TRUE(display_.FullScreen());
  EXPECT_EQ(display_.BitCount(), 32);
  EXPECT_TRUE(display_.Initialized());
  EXPECT_TRUE(session.Timer().Enabled());
}

TEST_F(PlayerSessionTest, RepeatedErrorIsShownOnceAndLoopGoesOn) {
  WriteTitle(3, "Jump ,,7\n");  // scenario 7 does not exist
  PlayerSession session(services_, PlayerConfig{});
  ASSERT_EQ(session.Start(folder_), PlayerSession::StartResult::kRunning);
  for (int i = 0; i < 5; ++i) {
    clock_.Advance(30);
    session.PollTimer();
  }
  EXPECT_EQ(dialogs_.Messages().size(), 1u) << err_.str();
  EXPECT_FALSE(session.QuitRequested());
  session.RequestQuit();
  EXPECT_TRUE(session.QuitRequested());
}

TEST_F(PlayerSessionTest, CancelledSaveFolderClosesThePlayer) {
  TGlobalData g;
  g.Title = "Demo";
  g.ScreenMode = 3;
  g.StartPage = 1;
  g.RegKey = "Software\\Test\\Session";
  WriteGlobalFile(folder_ / "Pmx" / "Global.pmx", g);
  dialogs_.SetFolderAnswer(std::nullopt);
  PlayerSession session(services_, PlayerConfig{});
  EXPECT_EQ(session.Start(folder_), PlayerSession::StartResult::kCancelled);
  EXPECT_TRUE(session.QuitRequested());
  EXPECT_FALSE(display_.Initialized());
}

}  // namespace
}  // namespace mavlet

namespace mavlet {
namespace {

TEST_F(PlayerSessionTest, TimerPausedByANestedLoopDoesNotCatchUp) {
  WriteTitle(3, "Wait ,,999999\n");
  {
    PlayerSession session(services_, PlayerConfig{});
    ASSERT_EQ(session.Start(folder_), PlayerSession::StartResult::kRunning);
    ASSERT_EQ(display_.Timer(), &session.Timer());
    clock_.Advance(30);
    EXPECT_EQ(session.Timer().Poll(), 1u);
    // A transition stops the timer for a second, then starts it again.
    display_.Timer()->SetEnabled(false);
    clock_.Advance(1000);
    display_.Timer()->SetEnabled(true);
    clock_.Advance(30);
    EXPECT_EQ(session.Timer().Poll(), 1u) << "no lag from the stopped time";
  }
  EXPECT_EQ(display_.Timer(), nullptr) << "the display forgets the timer with the session";
}

TEST_F(PlayerSessionTest, SoundPlaysOnTheGivenDeviceWithTheConfiguredSettings) {
  WriteTitle(1, "NonStop=1\nSoundOn\nWavPlay ,,0,bgm.PMW,1\nWait ,,999999\n");
  const std::vector<std::uint8_t> wave = testing::SineWave(100, 8000);
  fs::create_directories(folder_ / "WAV");
  PackToFile(folder_ / "WAV" / "bgm.PMW", wave);
  HeadlessSoundDevice device(clock_);
  services_.sound = &device;
  auto run = [&](PlayerSession& session, int events) {
    for (int i = 0; i < events; ++i) {
      clock_.Advance(30);
      session.PollTimer();
    }
  };

  PlayerConfig config;
  config.sound_buffer = 3;  // counts as 10
  {
    PlayerSession session(services_, config);
    ASSERT_EQ(session.Start(folder_), PlayerSession::StartResult::kRunning) << err_.str();
    run(session, 2);
    EXPECT_TRUE(session.Sys()->Sound().IsSoundOn());
    // The packed sound is unpacked off the frame loop and starts at a later frame.
    for (int i = 0; i < 300 && !(device.Player(0) && device.Player(0)->IsPlaying()); ++i) {
      usleep(10000);
      run(session, 1);
    }
    ASSERT_NE(device.Player(0), nullptr);
    EXPECT_TRUE(device.Player(0)->IsPlaying());
    EXPECT_TRUE(device.Player(0)->Looping());
    EXPECT_EQ(device.Player(0)->BufferMs(), 10u);
  }
  EXPECT_FALSE(device.Initialized()) << "closed with the session";

  config.has_sound = false;
  {
    PlayerSession session(services_, config);
    ASSERT_EQ(session.Start(folder_), PlayerSession::StartResult::kRunning);
    run(session, 3);
    EXPECT_FALSE(session.Sys()->Sound().IsSoundOn());
  }
  EXPECT_EQ(device.Initializations(), 1);

  // A device that cannot be opened leaves sound off without a word to the user.
  config.has_sound = true;
  device.SetFailInitialize(true);
  {
    PlayerSession session(services_, config);
    ASSERT_EQ(session.Start(folder_), PlayerSession::StartResult::kRunning);
    run(session, 3);
    EXPECT_FALSE(session.Sys()->Sound().IsSoundOn());
    EXPECT_EQ(session.Sys()->Values().ChannelFile(0), "bgm.PMW");
  }
  EXPECT_TRUE(dialogs_.Messages().empty());
}

// A pad whose button 0 (decide) can be pressed between timer events.
class PadPort : public JoystickPort {
 public:
  std::uint32_t buttons = 0;
  int reads = 0;
  std::optional<JoystickRange> Capabilities(int id) override {
    if (id != 0) return std::nullopt;
    return JoystickRange{0, 300, 0, 300};
  }
  std::optional<JoystickReading> Read(int id) override {
    if (id != 0) return std::nullopt;
    ++reads;
    return JoystickReading{150, 150, buttons};
  }
};

TEST_F(PlayerSessionTest, JoystickIsReadEveryLogicStep) {
  WriteTitle(1, "WaitClick\nCalc ,,A = 1\nWait ,,999999\n");
  PadPort pad;
  services_.joysticks = &pad;
  PlayerSession session(services_, PlayerConfig{});
  ASSERT_EQ(session.Start(folder_), PlayerSession::StartResult::kRunning) << err_.str();
  ASSERT_NE(session.Joystick(), nullptr);
  auto run = [&](int events) {
    for (int i = 0; i < events; ++i) {
      clock_.Advance(30);
      session.PollTimer();
    }
  };
  run(4);
  EXPECT_EQ(A(session), 0);
  const int reads = pad.reads;
  pad.buttons = 1;
  run(3);
  EXPECT_EQ(A(session), 1) << "the decide button of the pad ends WaitClick";
  EXPECT_GE(pad.reads - reads, 3) << "one read per logic step";
}

}  // namespace
}  // namespace mavlet
