#pragma once
// The debug window "デバッグ": a second SDL window beside the play window, drawn with Dear ImGui
// from the debug core's state (command logs, stepping, breakpoints, variables, save slots, and
// the display, sound and stream inspector). It takes only the events of its own window, never
// changes the mouse cursor, and closing it hides it (F9 in the play window shows it again);
// the player goes on either way.
#include <SDL.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mavlet {

class DebugCore;
class Log;
class SdlInputState;
class TBookManager;
class TGameSystem;

class DebugWindow {
 public:
  // Opens the window beside play_window with the font file (UTF-8 path; empty: ImGui's own,
  // without Japanese). Throws MavError when SDL cannot make the window or its renderer.
  // play_input tells whether the title has SDL's text input on (the window turns it on for its
  // own fields only while the title does not use it, and never turns it off under the title).
  DebugWindow(DebugCore& core, TBookManager& book, TGameSystem& sys, SDL_Window* play_window,
              const SdlInputState& play_input, const std::string& font_file, Log& log);
  ~DebugWindow();
  DebugWindow(const DebugWindow&) = delete;
  DebugWindow& operator=(const DebugWindow&) = delete;

  // Takes the event when it belongs to this window (true); anything else is left to the player.
  bool HandleEvent(const SDL_Event& e);
  // Draws when something happened or the view is due for a refresh.
  void Frame();
  void Show();
  bool Shown() const;

 private:
  struct Ui;
  void NewFrame();
  void DrawContents();
  void DrawMainPage();
  void DrawLogPane();
  void DrawVariablesPane();
  void DrawInspectorTab();
  void DrawBreakDialog();
  void UpdateThumbnails();
  void UpdateTextInput();

  DebugCore& core_;
  TBookManager& book_;
  TGameSystem& sys_;
  Log& log_;
  const SdlInputState& play_input_;
  bool text_input_ = false;  // SDL's text input turned on for a field here
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  std::uint32_t window_id_ = 0;
  std::uint64_t last_frame_ = 0;
  bool dirty_ = true;
  std::array<bool, 3> mouse_pressed_{};
  std::array<int, 2> last_mouse_{-1, -1};
  std::array<int, 2> pointer_{0, 0};  // the pointer's last place over this window
  bool pointer_inside_ = false;
  std::array<SDL_Texture*, 12> thumbs_{};
  std::array<std::array<int, 2>, 12> thumb_size_{};
  std::uint64_t last_thumbs_ = 0;
  std::unique_ptr<Ui> ui_;
};

}  // namespace mavlet
