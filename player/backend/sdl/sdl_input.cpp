#include "player/backend/sdl/sdl_input.h"

#include <SDL.h>

#include <algorithm>

#include "player/backend/sdl/sdl_display.h"

namespace mavlet {

SdlInputState::SdlInputState(SdlDisplay& display) : display_(display) {
  // SDL starts with text input on, which would wake the input method during play.
  SDL_StopTextInput();
  SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
  SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
}

void SdlInputState::OnFinger(const SDL_Event& event) {
  const SDL_TouchFingerEvent& t = event.tfinger;
  // Touches SDL makes up from the mouse, and another window's fingers, are not touches here.
  if (t.touchId == SDL_MOUSE_TOUCHID || (t.windowID != 0 && t.windowID != display_.WindowId())) return;
  int w = 0, h = 0;
  SDL_GetWindowSize(display_.Window(), &w, &h);
  // Fingers come normalised to the window; gestures measure them in window points.
  const float x = t.x * static_cast<float>(w), y = t.y * static_cast<float>(h);
  const Viewport view = display_.CurrentViewport();
  touch_.SetScale(view.width > 0 ? static_cast<double>(display_.Width()) / view.width : 1.0);
  switch (t.type) {
    case SDL_FINGERDOWN: {
      const bool first = touch_.Down(t.fingerId, x, y);
      const Point at = display_.WindowToGame(static_cast<int>(x), static_cast<int>(y));
      // The gesture's point is its first finger's, or the first one on the picture.
      if (first || !touch_point_ || touch_point_->x < 0) touch_point_ = at;
      break;
    }
    case SDL_FINGERMOTION:
      wheel_ += touch_.Move(t.fingerId, x, y);
      break;
    case SDL_FINGERUP:
      if (const std::optional<MouseButton> click = touch_.Up(t.fingerId, x, y)) {
        // A tap on the black bars is no click, as a mouse click there is none.
        if (touch_point_ && touch_point_->x >= 0) pending_buttons_[*click == MouseButton::kLeft ? 0 : 1] = true;
      }
      break;
    default:
      break;
  }
}

void SdlInputState::StartTextInput(const Rect& caret) {
  const Viewport view = display_.CurrentViewport();
  const int gw = display_.Width(), gh = display_.Height();
  SDL_Rect r{0, 0, 0, 0};
  if (gw > 0 && gh > 0) {
    // Game pixels to window pixels (the picture is scaled and centred in the window).
    r.x = view.x + caret.left * view.width / gw;
    r.y = view.y + caret.top * view.height / gh;
    r.w = std::max(1, caret.Width() * view.width / gw);
    r.h = std::max(1, caret.Height() * view.height / gh);
  }
  SDL_SetTextInputRect(&r);
  if (!text_input_) {
    typed_.clear();
    composition_.clear();
    SDL_StartTextInput();
    text_input_ = true;
  }
}

void SdlInputState::StopTextInput() {
  if (text_input_) SDL_StopTextInput();
  text_input_ = false;
  typed_.clear();
  composition_.clear();
}

std::vector<TextInputEvent> SdlInputState::TakeTextInput() {
  SDL_PumpEvents();
  std::vector<TextInputEvent> out;
  out.swap(typed_);
  return out;
}

int SdlInputState::Scancode(Key key) {
  switch (key) {
    case Key::kEnter: return SDL_SCANCODE_RETURN;
    case Key::kSpace: return SDL_SCANCODE_SPACE;
    case Key::kEscape: return SDL_SCANCODE_ESCAPE;
    case Key::kBackspace: return SDL_SCANCODE_BACKSPACE;
    case Key::kUp: return SDL_SCANCODE_UP;
    case Key::kDown: return SDL_SCANCODE_DOWN;
    case Key::kLeft: return SDL_SCANCODE_LEFT;
    case Key::kRight: return SDL_SCANCODE_RIGHT;
    case Key::kControl: return SDL_SCANCODE_LCTRL;
    case Key::kShift: return SDL_SCANCODE_LSHIFT;
    case Key::kZ: return SDL_SCANCODE_Z;
    case Key::kX: return SDL_SCANCODE_X;
    case Key::kS: return SDL_SCANCODE_S;
    case Key::kE: return SDL_SCANCODE_E;
    case Key::kF: return SDL_SCANCODE_F;
    case Key::kC: return SDL_SCANCODE_C;
    case Key::kNumpad0: return SDL_SCANCODE_KP_0;
    case Key::kNumpad1: return SDL_SCANCODE_KP_1;
    case Key::kNumpad2: return SDL_SCANCODE_KP_2;
    case Key::kNumpad4: return SDL_SCANCODE_KP_4;
    case Key::kNumpad6: return SDL_SCANCODE_KP_6;
    case Key::kNumpad8: return SDL_SCANCODE_KP_8;
    case Key::kHome: return SDL_SCANCODE_HOME;
    case Key::kEnd: return SDL_SCANCODE_END;
    case Key::kPageUp: return SDL_SCANCODE_PAGEUP;
    case Key::kPageDown: return SDL_SCANCODE_PAGEDOWN;
  }
  return SDL_SCANCODE_UNKNOWN;
}

void SdlInputState::OnEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_FINGERDOWN:
    case SDL_FINGERMOTION:
    case SDL_FINGERUP:
      OnFinger(event);
      break;
    case SDL_MOUSEMOTION:
      if (event.motion.windowID == display_.WindowId() && event.motion.which != SDL_TOUCH_MOUSEID) touch_point_.reset();
      break;
    case SDL_MOUSEBUTTONDOWN:
      // The gestures stand for touches; SDL's clicks made up from them would count twice.
      if (event.button.windowID != display_.WindowId() || event.button.which == SDL_TOUCH_MOUSEID) break;
      touch_point_.reset();
      if (event.button.button == SDL_BUTTON_LEFT) pending_buttons_[0] = true;
      if (event.button.button == SDL_BUTTON_RIGHT) pending_buttons_[1] = true;
      break;
    case SDL_MOUSEWHEEL:
      if (event.wheel.windowID != display_.WindowId() || event.wheel.which == SDL_TOUCH_MOUSEID) break;
      wheel_ += event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
      break;
    case SDL_KEYDOWN: {
      // Keys typed into another window of ours (the debug window) are not the title's.
      if ((event.key.windowID != 0 && event.key.windowID != display_.WindowId()) || event.key.repeat) break;
      const SDL_Scancode code = event.key.keysym.scancode;
      const bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
      if (code == SDL_SCANCODE_F11 || (alt && (code == SDL_SCANCODE_RETURN || code == SDL_SCANCODE_KP_ENTER))) {
        player_keys_.push_back(PlayerKey::kToggleFullScreen);
        break;
      }
      if (code == SDL_SCANCODE_F12) {
        player_keys_.push_back(PlayerKey::kScreenshot);
        break;
      }
      pending_keys_.insert(code);
      // Keys the input method uses while composing never reach here; the check is for those
      // that leak through.
      if (text_input_ && composition_.empty()) {
        using K = TextInputEvent::Kind;
        switch (code) {
          case SDL_SCANCODE_RETURN:
          case SDL_SCANCODE_KP_ENTER:
            typed_.push_back({K::kReturn, {}});
            break;
          case SDL_SCANCODE_ESCAPE:
            typed_.push_back({K::kEscape, {}});
            break;
          case SDL_SCANCODE_BACKSPACE:
            typed_.push_back({K::kBackspace, {}});
            break;
          case SDL_SCANCODE_LEFT:
            typed_.push_back({K::kLeft, {}});
            break;
          case SDL_SCANCODE_RIGHT:
            typed_.push_back({K::kRight, {}});
            break;
          case SDL_SCANCODE_HOME:
            typed_.push_back({K::kHome, {}});
            break;
          case SDL_SCANCODE_END:
            typed_.push_back({K::kEnd, {}});
            break;
          default:
            break;
        }
      }
      break;
    }
    case SDL_TEXTINPUT:
      if (text_input_ && event.text.windowID == display_.WindowId()) {
        typed_.push_back({TextInputEvent::Kind::kText, event.text.text});
        composition_.clear();  // a commit ends the composition
      }
      break;
    case SDL_TEXTEDITING:
      if (text_input_ && event.edit.windowID == display_.WindowId()) composition_ = event.edit.text;
      break;
    case SDL_WINDOWEVENT:
      // Presses made for another window do not carry over.
      if ((event.window.windowID == 0 || event.window.windowID == display_.WindowId()) &&
          event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        pending_buttons_ = {};
        pending_keys_.clear();
        wheel_ = 0;
        touch_.Reset();
      }
      break;
    default:
      break;
  }
}

bool SdlInputState::OtherWindowHasKeyboard() const {
  SDL_Window* focus = SDL_GetKeyboardFocus();
  return focus != nullptr && focus != display_.Window();
}

bool SdlInputState::OtherWindowHasMouse() const {
  SDL_Window* focus = SDL_GetMouseFocus();
  return focus != nullptr && focus != display_.Window();
}

bool SdlInputState::TakePending(int scancode) { return pending_keys_.erase(scancode) != 0; }

bool SdlInputState::KeyDown(Key key) {
  // The state is what the event queue has delivered; pumping keeps it current inside commands
  // that poll in a loop of their own.
  SDL_PumpEvents();
  const Uint8* state = SDL_GetKeyboardState(nullptr);
  int other = SDL_SCANCODE_UNKNOWN;
  switch (key) {
    case Key::kEnter: other = SDL_SCANCODE_KP_ENTER; break;
    case Key::kControl: other = SDL_SCANCODE_RCTRL; break;
    case Key::kShift: other = SDL_SCANCODE_RSHIFT; break;
    default: break;
  }
  const int main = Scancode(key);
  // Both taken, so a tap of either key is not reported twice.
  const bool tapped_main = TakePending(main);
  const bool tapped_other = other != SDL_SCANCODE_UNKNOWN && TakePending(other);
  const bool tapped = tapped_main || tapped_other;
  // Keys held while another window of ours (the debug window) has the keyboard are not ours.
  if (OtherWindowHasKeyboard()) return tapped;
  // Enter held with Alt is the full-screen key, never the title's Enter.
  if (key == Key::kEnter && (SDL_GetModState() & KMOD_ALT) != 0) return tapped;
  return tapped || state[main] != 0 || (other != SDL_SCANCODE_UNKNOWN && state[other] != 0);
}

bool SdlInputState::MouseButtonDown(MouseButton button) {
  SDL_PumpEvents();
  const std::size_t index = button == MouseButton::kLeft ? 0 : 1;
  const bool tapped = pending_buttons_[index];
  pending_buttons_[index] = false;
  if (OtherWindowHasMouse()) return tapped;
  const Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
  return tapped || (buttons & SDL_BUTTON(index == 0 ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT)) != 0;
}

Point SdlInputState::MousePosition() {
  if (touch_point_) return *touch_point_;
  if (SDL_GetMouseFocus() != display_.Window()) return Point{-1, -1};
  int x = 0, y = 0;
  SDL_GetMouseState(&x, &y);
  return display_.WindowToGame(x, y);
}

bool SdlInputState::ApplicationActive() {
  return (SDL_GetWindowFlags(display_.Window()) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

std::optional<PlayerKey> SdlInputState::TakePlayerKey() {
  if (player_keys_.empty()) return std::nullopt;
  const PlayerKey key = player_keys_.front();
  player_keys_.pop_front();
  return key;
}

int SdlInputState::TakeWheel() {
  const int w = wheel_;
  wheel_ = 0;
  return w;
}

}  // namespace mavlet
