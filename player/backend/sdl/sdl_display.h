#pragma once
// The game window: shows the display's visible surface through an SDL texture, scaled with its
// aspect kept (black bars around it), in a window or desktop full screen.
#include <cstdint>
#include <string>
#include <vector>

#include "player/backend/display.h"
#include "player/backend/sdl/viewport.h"

union SDL_Event;
struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Cursor;

namespace mavlet {

struct SdlWindowOptions {
  int window_scale = 0;       // 0 = largest integer scale that fits the desktop
  bool linear_filter = false;  // else nearest pixel
  bool vsync = true;
  bool hidden = false;         // tests: never map the window
};

class SdlDisplay : public Display {
 public:
  // Opens the (empty, black) window at its design size. Throws MavError when SDL video cannot
  // be started or no window can be made.
  explicit SdlDisplay(const SdlWindowOptions& options);
  ~SdlDisplay() override;

  SDL_Window* Window() const { return window_; }
  std::uint32_t WindowId() const;

  // Draws the current picture again (after an expose or a resize).
  void Redraw();
  // What one of this window's events asks of the player. An expose, resize or restore is
  // answered here (the picture is drawn again); events of other windows ask nothing.
  enum class WindowRequest { kNone, kActivate, kClose };
  WindowRequest OnWindowEvent(const SDL_Event& event);
  // Game pixel under a window position, (-1, -1) outside the picture.
  Point WindowToGame(int window_x, int window_y) const;
  // The picture's place in the window, in window coordinates.
  Viewport CurrentViewport() const;
  // What the window shows now, as 0x00RRGGBB pixels in output pixels (screenshots, tests).
  std::vector<std::uint32_t> CaptureWindow(int& width, int& height);
  // The window size (points) the automatic scale gives for the current game size.
  WindowSize AutomaticSize() const;

  int DesktopBitCount() const override;
  void SetCaption(std::string_view utf8) override;
  void SetPlacement(const WindowPlacement& placement) override;
  std::optional<WindowPlacement> Placement() const override;
  bool Visible() const override;
  bool SetCursorFile(const std::optional<std::filesystem::path>& file) override;
  void MoveMouse(Point game_point) override;
  void PumpMessages() override;
  bool CloseRequested() override;
  // Window icon from a picture file (mavlet.ico beside the player); false when unreadable.
  bool SetIconFile(const std::filesystem::path& file);

 protected:
  void Upload(const Rect& rect) override;
  void ApplyFullScreen(bool on) override;
  void OnSurfacesCreated() override;
  void OnSurfacesReleased() override;

 private:
  // Draws bars and picture into the renderer without showing them.
  void RenderPicture();
  void ReleaseTexture();
  void ReleaseCursor();
  void ResizeWindowToGame();

  SdlWindowOptions options_;
  bool video_started_ = false;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  SDL_Cursor* cursor_ = nullptr;
  int sized_width_ = 0;
  int sized_height_ = 0;
  std::optional<WindowPlacement> wanted_placement_;
};

}  // namespace mavlet
