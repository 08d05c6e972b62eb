#include "player/main/debug_window.h"

#include <imgui.h>
#include <imgui_impl_sdl.h>
#include <imgui_impl_sdlrenderer.h>

#include <algorithm>
#include <cfloat>

#include "player/backend/sdl/sdl_input.h"
#include "player/common/error.h"
#include "player/common/log.h"
#include "player/debug/debug_core.h"
#include "player/main/debug_window_state.h"
#include "player/shell/game_system.h"

namespace mavlet {
namespace {

constexpr std::uint64_t kRefreshMs = 50;

}  // namespace

DebugWindow::DebugWindow(DebugCore& core, TBookManager& book, TGameSystem& sys, SDL_Window* play_window,
                         const SdlInputState& play_input, const std::string& font_file, Log& log)
    : core_(core), book_(book), sys_(sys), log_(log), play_input_(play_input), ui_(std::make_unique<Ui>()) {
  int px = SDL_WINDOWPOS_UNDEFINED, py = SDL_WINDOWPOS_UNDEFINED, pw = 0, ph = 0;
  if (play_window != nullptr) {
    SDL_GetWindowPosition(play_window, &px, &py);
    SDL_GetWindowSize(play_window, &pw, &ph);
  }
  int width = 720;
  const int height = std::max(ph, 600);
  int x = px + pw + 8;
  SDL_Rect bounds;
  const int display = play_window != nullptr ? SDL_GetWindowDisplayIndex(play_window) : 0;
  if (play_window != nullptr && SDL_GetDisplayBounds(std::max(display, 0), &bounds) == 0 &&
      x + width > bounds.x + bounds.w) {
    // No room on the right: the two windows share the screen side by side, the debug window
    // narrower when it must be, the play window moved left.
    width = std::clamp(bounds.w - pw - 8, 360, width);
    const int left = bounds.x + std::max(0, (bounds.w - pw - 8 - width) / 2);
    SDL_SetWindowPosition(play_window, left, py);
    x = std::min(left + pw + 8, bounds.x + bounds.w - width);
  }
  // Shown without taking the focus from the play window.
  SDL_SetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN, "1");
  window_ = SDL_CreateWindow("デバッグ", x, py, width, height, SDL_WINDOW_RESIZABLE | SDL_WINDOW_SKIP_TASKBAR);
  if (window_ == nullptr) throw MavError(std::string("the debug window cannot be opened: ") + SDL_GetError());
  renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
  if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (renderer_ == nullptr) {
    const std::string why = SDL_GetError();
    SDL_DestroyWindow(window_);
    throw MavError("the debug window cannot draw: " + why);
  }
  window_id_ = SDL_GetWindowID(window_);
  // The play window keeps the keyboard (the window system may have handed it to the new one).
  if (play_window != nullptr) {
    SDL_RaiseWindow(play_window);
    SDL_SetWindowInputFocus(play_window);
  }

  IMGUI_CHECKVERSION();
  ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  io.LogFilename = nullptr;
  // The cursor belongs to the title (SetCursor): never change it.
  io.ConfigFlags |= ImGuiConfigFlags_NoMouseCursorChange;
  ImGui::StyleColorsLight();
  ImFontConfig config;
  config.OversampleH = 1;
  config.PixelSnapH = true;
  if (font_file.empty() ||
      io.Fonts->AddFontFromFileTTF(font_file.c_str(), 14.0f, &config, io.Fonts->GetGlyphRangesJapanese()) == nullptr) {
    log_.Warn("debug window: no Japanese font found; captions may not show");
    io.Fonts->AddFontDefault();
  }
  ImGui_ImplSDL2_InitForSDLRenderer(window_);
  ImGui_ImplSDLRenderer_Init(renderer_);
}

DebugWindow::~DebugWindow() {
  for (SDL_Texture* t : thumbs_)
    if (t != nullptr) SDL_DestroyTexture(t);
  ImGui_ImplSDLRenderer_Shutdown();
  ImGui_ImplSDL2_Shutdown();
  ImGui::DestroyContext();
  SDL_DestroyRenderer(renderer_);
  SDL_DestroyWindow(window_);
}

void DebugWindow::Show() {
  SDL_ShowWindow(window_);
  dirty_ = true;
}

bool DebugWindow::Shown() const { return (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) != 0; }

bool DebugWindow::HandleEvent(const SDL_Event& e) {
  std::uint32_t id = 0;
  switch (e.type) {
    case SDL_WINDOWEVENT:
      id = e.window.windowID;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      id = e.key.windowID;
      break;
    case SDL_TEXTINPUT:
      id = e.text.windowID;
      break;
    case SDL_TEXTEDITING:
      id = e.edit.windowID;
      break;
    case SDL_MOUSEMOTION:
      id = e.motion.windowID;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      id = e.button.windowID;
      break;
    case SDL_MOUSEWHEEL:
      id = e.wheel.windowID;
      break;
    default:
      return false;
  }
  if (id != window_id_) return false;
  dirty_ = true;
  // Left Alt with a letter is an access key here (the break dialog's fields), never text.
  if (e.type == SDL_TEXTINPUT && (SDL_GetModState() & KMOD_LALT) != 0) return true;
  if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE) {
    // The window has no close of its own: it hides, and the player goes on.
    SDL_HideWindow(window_);
    return true;
  }
  // A click here means the user turned to this window: it takes the keyboard (window systems
  // without a window manager would leave it with the play window).
  if (e.type == SDL_MOUSEBUTTONDOWN && SDL_GetKeyboardFocus() != window_) SDL_SetWindowInputFocus(window_);
  // Where the pointer is, from this window's own events (some video drivers never report the
  // mouse focus).
  if (e.type == SDL_MOUSEMOTION) {
    pointer_ = {e.motion.x, e.motion.y};
    pointer_inside_ = true;
  } else if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_ENTER) {
    pointer_inside_ = true;
  } else if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_LEAVE) {
    pointer_inside_ = false;
  }
  if (e.type == SDL_MOUSEBUTTONDOWN && e.button.button >= 1 && e.button.button <= 3)
    mouse_pressed_[e.button.button == SDL_BUTTON_LEFT ? 0 : e.button.button == SDL_BUTTON_RIGHT ? 1 : 2] = true;
  ImGui_ImplSDL2_ProcessEvent(&e);
  return true;
}

// The platform half of a frame, done here rather than by the SDL back end of ImGui, which
// would read the mouse buttons held over the play window and capture the mouse for them.
void DebugWindow::NewFrame() {
  ImGuiIO& io = ImGui::GetIO();
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  io.DisplaySize = ImVec2(static_cast<float>(w), static_cast<float>(h));
  const std::uint64_t now = SDL_GetTicks64();
  io.DeltaTime = last_frame_ == 0 ? 1.0f / 30 : std::max(0.001f, static_cast<float>(now - last_frame_) / 1000.0f);
  last_frame_ = now;
  io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
  int mx = 0, my = 0;
  Uint32 buttons = SDL_GetMouseState(&mx, &my);
  bool ours = SDL_GetMouseFocus() == window_;
  if (!ours && pointer_inside_) {
    ours = true;
    mx = pointer_[0];
    my = pointer_[1];
    buttons = 0;  // the presses come as events
  }
  if (ours) io.MousePos = ImVec2(static_cast<float>(mx), static_cast<float>(my));
  // A press where the pointer has just arrived waits one frame: items that allow overlap (the
  // tabs) take a press only where the pointer already was.
  const bool moved = mx != last_mouse_[0] || my != last_mouse_[1];
  last_mouse_ = {mx, my};
  if (moved && (mouse_pressed_[0] || mouse_pressed_[1] || mouse_pressed_[2])) {
    for (bool& down : io.MouseDown) down = false;
    dirty_ = true;
    return;
  }
  const Uint32 masks[3] = {SDL_BUTTON(SDL_BUTTON_LEFT), SDL_BUTTON(SDL_BUTTON_RIGHT), SDL_BUTTON(SDL_BUTTON_MIDDLE)};
  for (int i = 0; i < 3; ++i) {
    io.MouseDown[i] = mouse_pressed_[static_cast<std::size_t>(i)] || (ours && (buttons & masks[i]) != 0);
    mouse_pressed_[static_cast<std::size_t>(i)] = false;
  }
}

void DebugWindow::Frame() {
  if (!Shown()) return;
  const std::uint64_t now = SDL_GetTicks64();
  if (!dirty_ && now - last_frame_ < kRefreshMs) return;
  dirty_ = false;
  ImGui_ImplSDLRenderer_NewFrame();
  NewFrame();
  ImGui::NewFrame();
  DrawContents();
  ImGui::Render();
  UpdateTextInput();
  SDL_SetRenderDrawColor(renderer_, 240, 240, 240, 255);
  SDL_RenderClear(renderer_);
  ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
  SDL_RenderPresent(renderer_);
}

// SDL's text input is one switch for the whole program: on while a field here is edited (unless
// the title has it on already), back off afterwards unless the title took it meanwhile.
void DebugWindow::UpdateTextInput() {
  const bool want = ImGui::GetIO().WantTextInput;
  if (want && !text_input_ && !play_input_.TextInputOn()) {
    SDL_StartTextInput();
    text_input_ = true;
  } else if (!want && text_input_) {
    if (!play_input_.TextInputOn()) SDL_StopTextInput();
    text_input_ = false;
  }
}

}  // namespace mavlet
