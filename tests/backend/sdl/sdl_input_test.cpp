#include "player/backend/sdl/sdl_input.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include <cstdlib>

#include "player/backend/sdl/sdl_display.h"
#include "tests/support/offscreen_window.h"

namespace mavlet {
namespace {

class SdlInputTest : public testing::OffscreenWindowTest {};

// Presses released before the next poll (a quick tap) count once; held state is SDL's own.
TEST_F(SdlInputTest, TapsBetweenPollsCountOnce) {
  SdlDisplay display(Options());
  SdlInputState input(display);
  struct Case {
    const char* name;
    SDL_Event event;
    bool (*query)(SdlInputState&);
  };
  auto mouse = [&](Uint8 button) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = display.WindowId();
    e.button.button = button;
    return e;
  };
  auto key = [](SDL_Scancode code, bool repeat) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.scancode = code;
    e.key.repeat = repeat ? 1 : 0;
    return e;
  };
  const Case cases[] = {
      {"left click", mouse(SDL_BUTTON_LEFT), [](SdlInputState& i) { return i.MouseButtonDown(MouseButton::kLeft); }},
      {"right click", mouse(SDL_BUTTON_RIGHT), [](SdlInputState& i) { return i.MouseButtonDown(MouseButton::kRight); }},
      {"return", key(SDL_SCANCODE_RETURN, false), [](SdlInputState& i) { return i.KeyDown(Key::kEnter); }},
      {"keypad enter", key(SDL_SCANCODE_KP_ENTER, false), [](SdlInputState& i) { return i.KeyDown(Key::kEnter); }},
      {"right ctrl", key(SDL_SCANCODE_RCTRL, false), [](SdlInputState& i) { return i.KeyDown(Key::kControl); }},
      {"keypad 0", key(SDL_SCANCODE_KP_0, false), [](SdlInputState& i) { return i.KeyDown(Key::kNumpad0); }},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(c.query(input)) << c.name;
    input.OnEvent(c.event);
    EXPECT_TRUE(c.query(input)) << c.name;
    EXPECT_FALSE(c.query(input)) << c.name << ": reported once";
  }
  input.OnEvent(key(SDL_SCANCODE_SPACE, true));
  EXPECT_FALSE(input.KeyDown(Key::kSpace)) << "auto-repeat is no new press";
  input.OnEvent(mouse(SDL_BUTTON_LEFT));
  SDL_Event lost{};
  lost.type = SDL_WINDOWEVENT;
  lost.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  input.OnEvent(lost);
  EXPECT_FALSE(input.MouseButtonDown(MouseButton::kLeft)) << "dropped when the focus goes";
  SDL_Event other = mouse(SDL_BUTTON_LEFT);
  other.button.windowID = display.WindowId() + 1;
  input.OnEvent(other);
  EXPECT_FALSE(input.MouseButtonDown(MouseButton::kLeft)) << "another window's click";
  // The debug window's keys and focus changes are not the play window's.
  SDL_Event other_key = key(SDL_SCANCODE_RETURN, false);
  other_key.key.windowID = display.WindowId() + 1;
  input.OnEvent(other_key);
  EXPECT_FALSE(input.KeyDown(Key::kEnter)) << "another window's key";
  input.OnEvent(mouse(SDL_BUTTON_LEFT));
  lost.window.windowID = display.WindowId() + 1;
  input.OnEvent(lost);
  EXPECT_TRUE(input.MouseButtonDown(MouseButton::kLeft)) << "another window losing the focus";
}

// Gestures on a 320x240 game shown twice as large in a 1000x480 window (bars 180 points wide at
// either side): each case's fingers, then what the title sees.
TEST_F(SdlInputTest, TouchGesturesAreClicksAndWheelSteps) {
  SdlDisplay display(Options(2));
  display.SetSize(320, 240);
  display.Initialize();
  SDL_SetWindowSize(display.Window(), 1000, 480);
  SdlInputState input(display);
  struct Finger {
    Uint32 type;
    SDL_FingerID id;
    float x, y;  // game pixels; x below 0 is on the left bar
  };
  constexpr Uint32 kDown = SDL_FINGERDOWN, kMove = SDL_FINGERMOTION, kUp = SDL_FINGERUP;
  auto event = [&](const Finger& f) {
    SDL_Event e{};
    e.type = f.type;
    e.tfinger.touchId = 1;
    e.tfinger.fingerId = f.id;
    e.tfinger.windowID = display.WindowId();
    e.tfinger.x = (180.0f + f.x * 2.0f) / 1000.0f;
    e.tfinger.y = f.y * 2.0f / 480.0f;
    return e;
  };
  struct Case {
    const char* name;
    std::vector<Finger> fingers;
    bool left, right;
    int wheel;
    Point at;
  };
  const Case cases[] = {
      {"tap", {{kDown, 1, 100, 100}, {kUp, 1, 100, 100}}, true, false, 0, {100, 100}},
      {"tap that wobbles",
       {{kDown, 1, 100, 100}, {kMove, 1, 108, 106}, {kUp, 1, 104, 104}},
       true,
       false,
       0,
       {100, 100}},
      {"two-finger tap",
       {{kDown, 1, 50, 60}, {kDown, 2, 90, 60}, {kUp, 1, 50, 60}, {kUp, 2, 90, 60}},
       false,
       true,
       0,
       {50, 60}},
      {"two-finger tap, first finger on the bar",
       {{kDown, 1, -20, 60}, {kDown, 2, 90, 60}, {kUp, 2, 90, 60}, {kUp, 1, -20, 60}},
       false,
       true,
       0,
       {90, 60}},
      {"three-finger tap",
       {{kDown, 1, 50, 60},
        {kDown, 2, 90, 60},
        {kDown, 3, 130, 60},
        {kUp, 1, 50, 60},
        {kUp, 2, 90, 60},
        {kUp, 3, 130, 60}},
       false,
       false,
       0,
       {50, 60}},
      {"drag down",
       {{kDown, 1, 100, 50}, {kMove, 1, 100, 80}, {kMove, 1, 100, 110}, {kUp, 1, 100, 110}},
       false,
       false,
       2,
       {100, 50}},
      {"drag up",
       {{kDown, 1, 100, 200}, {kMove, 1, 100, 150}, {kMove, 1, 100, 120}, {kUp, 1, 100, 120}},
       false,
       false,
       -3,
       {100, 200}},
      {"drag down and back",
       {{kDown, 1, 100, 50}, {kMove, 1, 100, 110}, {kMove, 1, 100, 52}, {kUp, 1, 100, 50}},
       false,
       false,
       0,
       {100, 50}},
      {"two-finger drag",
       {{kDown, 1, 100, 50},
        {kDown, 2, 140, 50},
        {kMove, 1, 100, 150},
        {kMove, 2, 140, 150},
        {kUp, 1, 100, 150},
        {kUp, 2, 140, 150}},
       false,
       false,
       0,
       {100, 50}},
      {"tap on the bar", {{kDown, 1, -20, 100}, {kUp, 1, -20, 100}}, false, false, 0, {-1, -1}},
      {"long press that strayed and came back",
       {{kDown, 1, 100, 100}, {kMove, 1, 130, 100}, {kMove, 1, 100, 100}, {kUp, 1, 100, 100}},
       false,
       false,
       0,
       {100, 100}},
      {"press that ends too far", {{kDown, 1, 100, 100}, {kUp, 1, 120, 100}}, false, false, 0, {100, 100}},
      {"up of a finger never down", {{kUp, 7, 100, 100}}, false, false, 0, {100, 100}},
  };
  for (const Case& c : cases) {
    for (const Finger& f : c.fingers) input.OnEvent(event(f));
    EXPECT_EQ(input.MouseButtonDown(MouseButton::kLeft), c.left) << c.name;
    EXPECT_EQ(input.MouseButtonDown(MouseButton::kRight), c.right) << c.name;
    EXPECT_EQ(input.TakeWheel(), c.wheel) << c.name;
    EXPECT_EQ(input.MousePosition(), c.at) << c.name;
  }

  // What SDL makes up from a touch (mouse clicks) or from the mouse (touches) counts not twice.
  SDL_Event made_up{};
  made_up.type = SDL_MOUSEBUTTONDOWN;
  made_up.button.windowID = display.WindowId();
  made_up.button.which = SDL_TOUCH_MOUSEID;
  made_up.button.button = SDL_BUTTON_LEFT;
  input.OnEvent(made_up);
  EXPECT_FALSE(input.MouseButtonDown(MouseButton::kLeft)) << "a click made up from a touch";
  for (const Uint32 type : {kDown, kUp}) {
    SDL_Event from_mouse = event({type, 0, 100, 100});
    from_mouse.tfinger.touchId = SDL_MOUSE_TOUCHID;
    input.OnEvent(from_mouse);
  }
  EXPECT_FALSE(input.MouseButtonDown(MouseButton::kLeft)) << "a touch made up from the mouse";
  SDL_Event other = event({kDown, 1, 100, 100});
  other.tfinger.windowID = display.WindowId() + 1;
  input.OnEvent(other);
  other.type = kUp;
  input.OnEvent(other);
  EXPECT_FALSE(input.MouseButtonDown(MouseButton::kLeft)) << "another window's tap";
  // Focus lost mid-gesture: the finger's up is no tap.
  input.OnEvent(event({kDown, 1, 10, 10}));
  SDL_Event lost{};
  lost.type = SDL_WINDOWEVENT;
  lost.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  input.OnEvent(lost);
  input.OnEvent(event({kUp, 1, 10, 10}));
  EXPECT_FALSE(input.MouseButtonDown(MouseButton::kLeft)) << "a tap cut by the focus going";
  // The real mouse moving takes the position back.
  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.windowID = display.WindowId();
  input.OnEvent(motion);
  EXPECT_EQ(input.MousePosition(), (Point{-1, -1})) << "the mouse's again (outside the window)";
}

TEST_F(SdlInputTest, PlayerKeysNeverReachTheTitle) {
  SdlDisplay display(Options());
  SdlInputState input(display);
  auto key = [&](SDL_Scancode code, Uint16 mod, Uint32 window) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = window;
    e.key.keysym.scancode = code;
    e.key.keysym.mod = mod;
    return e;
  };
  const Uint32 mine = display.WindowId();
  struct Case {
    const char* name;
    SDL_Event event;
    std::optional<PlayerKey> expected;
  };
  const Case cases[] = {
      {"F11", key(SDL_SCANCODE_F11, KMOD_NONE, mine), PlayerKey::kToggleFullScreen},
      {"Alt+Enter", key(SDL_SCANCODE_RETURN, KMOD_LALT, mine), PlayerKey::kToggleFullScreen},
      {"Alt+keypad Enter", key(SDL_SCANCODE_KP_ENTER, KMOD_RALT, 0), PlayerKey::kToggleFullScreen},
      {"F12", key(SDL_SCANCODE_F12, KMOD_NONE, mine), PlayerKey::kScreenshot},
      {"Enter alone", key(SDL_SCANCODE_RETURN, KMOD_NONE, mine), std::nullopt},
      {"F11 in another window", key(SDL_SCANCODE_F11, KMOD_NONE, mine + 1), std::nullopt},
  };
  for (const Case& c : cases) {
    input.OnEvent(c.event);
    EXPECT_EQ(input.TakePlayerKey(), c.expected) << c.name;
    EXPECT_EQ(input.TakePlayerKey(), std::nullopt) << c.name << ": taken once";
    EXPECT_EQ(input.KeyDown(Key::kEnter), c.expected == std::nullopt && c.event.key.keysym.scancode == SDL_SCANCODE_RETURN &&
                                                 c.event.key.windowID == mine)
        << c.name << ": the title's Enter";
  }
}

TEST_F(SdlInputTest, MouseOutsideWindowIsOutsideGameArea) {
  SdlDisplay display(Options());
  SdlInputState input(display);
  EXPECT_EQ(input.MousePosition(), (Point{-1, -1}));
  for (Key k : {Key::kEnter, Key::kZ, Key::kNumpad8, Key::kShift}) EXPECT_NE(SdlInputState::Scancode(k), 0);
}

// Typed text, the composition and the editing keys reach the entry line only while text input
// is on; a commit ends the composition, and the keys still count as presses.
TEST_F(SdlInputTest, TextInputBetweenStartAndStop) {
  SdlDisplay display(Options());
  SdlInputState input(display);
  auto text = [&](const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = display.WindowId();
    SDL_strlcpy(e.text.text, utf8, sizeof e.text.text);
    return e;
  };
  auto editing = [&](const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTEDITING;
    e.edit.windowID = display.WindowId();
    SDL_strlcpy(e.edit.text, utf8, sizeof e.edit.text);
    return e;
  };
  auto key = [](SDL_Scancode code) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.scancode = code;
    return e;
  };
  using K = TextInputEvent::Kind;
  input.OnEvent(text("lost"));
  input.OnEvent(key(SDL_SCANCODE_BACKSPACE));
  EXPECT_TRUE(input.TakeTextInput().empty());
  EXPECT_TRUE(input.KeyDown(Key::kBackspace));

  input.StartTextInput(Rect{10, 10, 26, 26});
  EXPECT_TRUE(SDL_IsTextInputActive());
  input.OnEvent(text("ab"));
  input.OnEvent(editing("かな"));
  EXPECT_EQ(input.Composition(), "かな");
  input.OnEvent(key(SDL_SCANCODE_RETURN));  // the input method's own while composing
  input.OnEvent(text("仮名"));
  EXPECT_EQ(input.Composition(), "");
  input.OnEvent(key(SDL_SCANCODE_BACKSPACE));
  input.OnEvent(key(SDL_SCANCODE_KP_ENTER));
  const std::vector<TextInputEvent> expected = {
      {K::kText, "ab"}, {K::kText, "仮名"}, {K::kBackspace, {}}, {K::kReturn, {}}};
  EXPECT_EQ(input.TakeTextInput(), expected);
  EXPECT_TRUE(input.TakeTextInput().empty());
  EXPECT_TRUE(input.KeyDown(Key::kEnter));

  input.OnEvent(text("x"));
  input.OnEvent(editing("y"));
  input.StopTextInput();
  EXPECT_FALSE(SDL_IsTextInputActive());
  EXPECT_TRUE(input.TakeTextInput().empty());
  EXPECT_EQ(input.Composition(), "");
}

}  // namespace
}  // namespace mavlet
