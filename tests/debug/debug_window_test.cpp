// The debug window on SDL's offscreen driver: its title and place, which events it takes,
// closing it hides it while the player goes on, the log and the variables on one page, and the
// break dialog's captions.
#include "player/main/debug_window.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "player/backend/sdl/sdl_display.h"
#include "player/backend/sdl/sdl_input.h"
#include "player/common/log.h"
#include "player/debug/debug_core.h"
#include "player/debug/scripted_debug.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

class DebugWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ::setenv("SDL_RENDER_DRIVER", "software", 1);
    ::setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
  }
  DebugWindowTest() {
    title_.Scenario(1, "Calc ,,A = 1\nCalc ,,A = 2\nWait ,,99999\n");
    title_.Nums({"A"});
    run_.Load();
    SdlWindowOptions o;
    o.window_scale = 1;
    o.vsync = false;
    o.hidden = true;
    play_ = std::make_unique<SdlDisplay>(o);
    input_ = std::make_unique<SdlInputState>(*play_);
    core_ = std::make_unique<DebugCore>(run_.Book());
    script_ = std::make_unique<ScriptedDebug>(*core_);
    run_.R().AttachDebugger(script_.get());
    window_ = std::make_unique<DebugWindow>(*core_, run_.Book(), run_.R().Sys(), play_->Window(), *input_, "", log_);
  }
  ~DebugWindowTest() override { run_.R().AttachDebugger(nullptr); }

  // The texts the window draws in one frame, in drawing order, through ImGui's own text log
  // (what a hidden page or a closed dialog holds is not drawn, so not there). The log goes to
  // the "clipboard" when the first top-level window (the window, or an open dialog) ends.
  std::string FrameText() {
    ImGuiContext* ctx = ImGui::GetCurrentContext();
    ImGuiIO& io = ImGui::GetIO();
    std::string text;
    const auto set_clipboard = io.SetClipboardTextFn;
    void* const clipboard_data = io.ClipboardUserData;
    io.SetClipboardTextFn = [](void* data, const char* t) { *static_cast<std::string*>(data) += t; };
    io.ClipboardUserData = &text;
    ImGuiContextHook start;
    start.Type = ImGuiContextHookType_NewFramePost;
    start.Callback = [](ImGuiContext*, ImGuiContextHook*) { ImGui::LogToClipboard(); };
    const ImGuiID hook = ImGui::AddContextHook(ctx, &start);
    Redraw();
    ImGui::RemoveContextHook(ctx, hook);
    io.SetClipboardTextFn = set_clipboard;
    io.ClipboardUserData = clipboard_data;
    return text;
  }
  // A frame now (an event of the window's own makes it due).
  void Redraw() {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = DebugId();
    e.window.event = SDL_WINDOWEVENT_EXPOSED;
    window_->HandleEvent(e);
    window_->Frame();
  }
  Uint32 DebugId() { return SDL_GetWindowID(DebugSdlWindowOf()); }
  SDL_Window* DebugSdlWindowOf() {
    for (Uint32 id = 1; id < 16; ++id) {
      SDL_Window* w = SDL_GetWindowFromID(id);
      if (w != nullptr && w != play_->Window()) return w;
    }
    return nullptr;
  }
  // A click of the button (SDL_BUTTON_LEFT or _RIGHT) at x, y of the window, as the user makes
  // it: the pointer arrives, then the press and the release each take a frame.
  void Click(float x, float y, Uint8 button) {
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = DebugId();
    motion.motion.x = static_cast<int>(x);
    motion.motion.y = static_cast<int>(y);
    window_->HandleEvent(motion);
    window_->Frame();
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = DebugId();
    e.button.button = button;
    e.button.x = motion.motion.x;
    e.button.y = motion.motion.y;
    window_->HandleEvent(e);
    window_->Frame();
    e.type = SDL_MOUSEBUTTONUP;
    window_->HandleEvent(e);
    window_->Frame();
  }
  // Opens the break dialog through the break list's menu ("追加..."), as the user does.
  void OpenBreakDialog() {
    Redraw();
    const ImGuiWindow* list = DrawnWindow("###ListBreak");
    ASSERT_NE(list, nullptr);
    Click(list->Pos.x + 20, list->Pos.y + list->Size.y - 10, SDL_BUTTON_RIGHT);
    ImGuiContext& g = *ImGui::GetCurrentContext();
    ASSERT_FALSE(g.OpenPopupStack.empty()) << "the break list's menu";
    const ImGuiWindow* menu = g.OpenPopupStack.back().Window;
    ASSERT_NE(menu, nullptr);
    Click(menu->Pos.x + menu->WindowPadding.x + 10,
          menu->Pos.y + menu->WindowPadding.y + ImGui::GetTextLineHeight() / 2, SDL_BUTTON_LEFT);
  }
  // A key event, then a frame unless more events come first.
  void Key(SDL_Scancode code, bool down, bool frame = true) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = DebugId();
    e.key.keysym.scancode = code;
    window_->HandleEvent(e);
    if (frame) Redraw();
  }
  void Type(const char* text) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = DebugId();
    SDL_strlcpy(e.text.text, text, sizeof e.text.text);
    window_->HandleEvent(e);
    Redraw();
  }
  // The ImGui window (a pane, a list) whose name holds the id, drawn in the last frame.
  static ImGuiWindow* DrawnWindow(const char* id) {
    ImGuiContext& g = *ImGui::GetCurrentContext();
    for (ImGuiWindow* w : g.Windows)
      if (std::string(w->Name).find(id) != std::string::npos && w->LastFrameActive == g.FrameCount) return w;
    return nullptr;
  }

  TestTitle title_;
  TitleRun run_{title_};
  std::ostringstream log_text_;
  StreamLog log_{log_text_, LogLevel::kWarning};
  std::unique_ptr<SdlDisplay> play_;
  std::unique_ptr<SdlInputState> input_;
  std::unique_ptr<DebugCore> core_;
  std::unique_ptr<ScriptedDebug> script_;
  std::unique_ptr<DebugWindow> window_;
};

SDL_Window* DebugSdlWindow(SDL_Window* play) {
  for (Uint32 id = 1; id < 16; ++id) {
    SDL_Window* w = SDL_GetWindowFromID(id);
    if (w != nullptr && w != play) return w;
  }
  return nullptr;
}

TEST_F(DebugWindowTest, OpensBesideThePlayWindowAndTakesOnlyItsOwnEvents) {
  SDL_Window* debug = DebugSdlWindow(play_->Window());
  ASSERT_NE(debug, nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(debug), "デバッグ");
  int px = 0, py = 0, pw = 0, ph = 0, dx = 0, dy = 0;
  SDL_GetWindowPosition(play_->Window(), &px, &py);
  SDL_GetWindowSize(play_->Window(), &pw, &ph);
  SDL_GetWindowPosition(debug, &dx, &dy);
  EXPECT_GE(dx, px + pw) << "beside, not over the play window";
  EXPECT_TRUE(window_->Shown());
  window_->Frame();  // draws the log page without any input

  const Uint32 own = SDL_GetWindowID(debug);
  const Uint32 play = play_->WindowId();
  struct Case {
    const char* name;
    SDL_Event event;
    bool taken;
  };
  auto button = [](Uint32 window) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = window;
    e.button.button = SDL_BUTTON_LEFT;
    return e;
  };
  auto key = [](Uint32 window) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = window;
    e.key.keysym.scancode = SDL_SCANCODE_RETURN;
    return e;
  };
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  const Case cases[] = {
      {"its click", button(own), true}, {"its key", key(own), true}, {"play click", button(play), false},
      {"play key", key(play), false},   {"quit", quit, false},
  };
  for (const Case& c : cases) EXPECT_EQ(window_->HandleEvent(c.event), c.taken) << c.name;
  window_->Frame();
}

TEST_F(DebugWindowTest, ClosingHidesItAndThePlayerGoesOn) {
  SDL_Window* debug = DebugSdlWindow(play_->Window());
  ASSERT_NE(debug, nullptr);
  SDL_Event close{};
  close.type = SDL_WINDOWEVENT;
  close.window.windowID = SDL_GetWindowID(debug);
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  EXPECT_TRUE(window_->HandleEvent(close)) << "not left to the player, which would quit";
  EXPECT_FALSE(window_->Shown());
  window_->Frame();  // nothing to draw while hidden
  window_->Show();
  EXPECT_TRUE(window_->Shown());
}

// A variable is watched while the main scenario is stepped: the log with its "次へ" and the
// variable list are drawn in the same frame, and each step shows the new value at once.
TEST_F(DebugWindowTest, LogAndVariablesShowTogetherWhileStepping) {
  core_->SetStepMode(true);
  core_->Next();
  run_.Events(3);  // the first Calc runs, the second is logged and held
  std::string text = FrameText();
  EXPECT_NE(DrawnWindow("###logpane"), nullptr);
  EXPECT_NE(DrawnWindow("###varpane"), nullptr);
  EXPECT_NE(text.find("次へ"), std::string::npos) << text;
  EXPECT_NE(text.find("[0]ﾒｲﾝ ﾍﾟｰｼﾞ:1 1行目 TComCalc"), std::string::npos) << text;
  EXPECT_EQ(text.find("[1]"), std::string::npos) << "held before the second Calc";
  EXPECT_NE(text.find("| A | 1 | N |"), std::string::npos) << "the variable's row: " << text;

  core_->Next();  // what "次へ" does
  run_.Events(3);
  text = FrameText();
  EXPECT_NE(text.find("[1]ﾒｲﾝ ﾍﾟｰｼﾞ:1 2行目 TComCalc"), std::string::npos) << text;
  EXPECT_EQ(text.find("[2]"), std::string::npos) << "one command per step";
  EXPECT_NE(text.find("| A | 2 | N |"), std::string::npos) << text;
}

// The break dialog, opened from the break list's menu, shows its access keys as the letters
// themselves (underlined), never the "(&N)" markers of its captions.
TEST_F(DebugWindowTest, BreakDialogCaptionsShowNoAccessKeyMarkers) {
  std::string text = FrameText();
  EXPECT_EQ(text.find("(&"), std::string::npos) << text;
  OpenBreakDialog();
  text = FrameText();
  EXPECT_NE(text.find("ブレーク"), std::string::npos) << text;
  EXPECT_NE(text.find("変数("), std::string::npos) << "the dialog is open: " << text;
  EXPECT_NE(text.find("値("), std::string::npos) << text;
  EXPECT_EQ(text.find("(&"), std::string::npos) << text;
}

// Alt+V moves from the name to the value field, and the "v" that X11 sends as text with the key
// press (in the same batch of events, before any frame) is not typed.
TEST_F(DebugWindowTest, BreakDialogAccessKeyMovesToTheValueField) {
  OpenBreakDialog();
  Redraw();  // the name field takes the keyboard
  Type("A");
  SDL_SetModState(KMOD_LALT);
  Key(SDL_SCANCODE_LALT, true);
  Key(SDL_SCANCODE_V, true, false);
  Type("v");
  Key(SDL_SCANCODE_V, false);
  SDL_SetModState(KMOD_NONE);
  Key(SDL_SCANCODE_LALT, false);
  Type("2");
  Key(SDL_SCANCODE_RETURN, true);
  Key(SDL_SCANCODE_RETURN, false);
  ASSERT_EQ(core_->Breaks().size(), 1u);
  EXPECT_EQ(core_->Breaks()[0].name, "A");
  EXPECT_EQ(core_->Breaks()[0].value, "2");
}

}  // namespace
}  // namespace mavlet::testing
