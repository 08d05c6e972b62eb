#pragma once
// The display: the game-sized screen surface everything is composed on, and the picture the
// window shows. Drawing is all software; a platform subclass only uploads shown rectangles,
// switches full screen and handles the cursor. Used as it is, it is the headless display (the
// visible surface is what a screenshot saves).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "player/backend/frame_timer.h"
#include "player/backend/input.h"
#include "player/backend/graphics/pixel_format.h"
#include "player/backend/graphics/rect.h"
#include "player/backend/graphics/surface.h"

namespace mavlet {

struct DisplayMode {
  int width = 0;
  int height = 0;
  int bits = 0;
  friend bool operator==(const DisplayMode&, const DisplayMode&) = default;
};

// The window's size and place on the desktop: scale is window points per game pixel, x and y
// the window's top-left corner in desktop coordinates.
struct WindowPlacement {
  int scale = 1;
  int x = 0;
  int y = 0;
  friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// The game system's side of the display life cycle.
class DisplayListener {
 public:
  virtual ~DisplayListener() = default;
  virtual void OnDisplayInitialized() = 0;
  virtual void OnDisplayFinalizing() = 0;
  virtual void OnSurfacesRestored() {}
};

// Told of every rectangle the window shows, right after the visible surface took it (the
// headless runner's record of presents).
class PresentObserver {
 public:
  virtual ~PresentObserver() = default;
  // tag: what SetPresentTag last set (the transition kind while one runs, else 0).
  virtual void OnPresent(const Surface& visible, const Rect& rect, int tag) = 0;
};

class Display {
 public:
  Display() = default;
  virtual ~Display() = default;
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  void SetListener(DisplayListener* listener) { listener_ = listener; }

  // --- settings, taking effect at the next Initialize
  void SetSize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  // 16, 24 or 32; other depths are refused (false).
  bool SetBitCount(int bits);
  int BitCount() const { return bits_; }
  void SetWaitVBlank(bool on) { wait_vblank_ = on; }
  bool WaitVBlank() const { return wait_vblank_; }
  void SetUseSystemMemory(bool on) { use_system_memory_ = on; }
  bool UseSystemMemory() const { return use_system_memory_; }
  // Window or desktop full screen at the same game size (never a display-mode switch).
  void SetFullScreen(bool on);
  bool FullScreen() const { return full_screen_; }

  // --- life cycle
  // Creates the screen and visible surfaces (black) and raises OnDisplayInitialized.
  // Throws MavError when the size or depth cannot be used.
  void Initialize();
  // Raises OnDisplayFinalizing, then releases the surfaces. Nothing when not initialised.
  void Finalize();
  bool Initialized() const { return initialized_; }
  virtual bool CanDraw() const { return initialized_; }

  // --- surfaces
  // The back buffer of the game-screen size in the display's format. Only while initialised.
  Surface& ScreenSurface() { return screen_; }
  // What the window shows; particles draw here directly and call ShowVisible.
  Surface& VisibleSurface() { return visible_; }
  // The format of the screen surfaces while initialised (a depth set meanwhile waits for the
  // next Initialize), else the one the next Initialize will use.
  PixelFormat Format() const;

  // --- presentation
  // Copies rect of source (a surface of the screen's size and format) to the window. A
  // rectangle that already shows the same pixels is not shown again.
  void Present(const Surface& source, const Rect& rect);
  // Shows the whole screen surface again.
  void Flip() { Present(screen_, screen_.bounds()); }
  // Shows a rectangle of the visible surface as it is.
  void ShowVisible(const Rect& rect);
  // Between Begin and End the presents only change the visible surface; End shows what they
  // changed as one present (one window update for a frame and the particles drawn over it).
  void BeginPresentBatch();
  void EndPresentBatch();
  // True once after presents were dropped because the window could not be seen.
  bool TakeMissedPresent() { return std::exchange(missed_present_, false); }

  // --- platform services
  // Display modes offered at any size (the game system filters by size and depth).
  virtual std::vector<DisplayMode> Modes() const;
  // Depth of the desktop, for the colour depth choice at start-up.
  virtual int DesktopBitCount() const { return 32; }
  // Window caption, UTF-8 (the headless display keeps it for tests).
  virtual void SetCaption(std::string_view utf8) { caption_ = utf8; }
  const std::string& Caption() const { return caption_; }
  // Where the window should open from the next game size on: the platform keeps it on a display
  // (else centres it); the headless display only remembers it.
  virtual void SetPlacement(const WindowPlacement& placement) { placement_ = placement; }
  // Where the window is now; nullopt while it is full screen or there is no window.
  virtual std::optional<WindowPlacement> Placement() const { return FullScreen() ? std::nullopt : placement_; }
  // False while nobody can see the picture (the window is minimised or hidden): the title runs
  // on, but nothing is drawn.
  virtual bool Visible() const { return true; }
  // A cursor file for the game area; nullopt restores the default cursor. False when the
  // file cannot be used as a cursor (the default cursor is shown then).
  virtual bool SetCursorFile(const std::optional<std::filesystem::path>& /*file*/) { return true; }
  // Moves the system mouse cursor to a point of the game area.
  virtual void MoveMouse(Point /*game_point*/) {}
  // Lets the window system deliver its messages during a loop that runs outside the frame
  // timer (screen transitions); events stay queued for the main loop.
  virtual void PumpMessages() {}
  // True once the window was closed or the process was asked to end (the quit event is queued);
  // nested waits (transitions, runs to an end) ask it after PumpMessages and end promptly. The
  // event itself stays queued for the main loop. The headless display is told by RequestClose.
  virtual bool CloseRequested() { return close_requested_; }
  void RequestClose() { close_requested_ = true; }

  // The frame timer that drives the title. A loop that runs outside it (a screen transition)
  // disables it and enables it again afterwards, so the time spent is not caught up as lag.
  // Null while no title runs.
  void SetFrameTimer(FrameTimer* timer) { frame_timer_ = timer; }
  FrameTimer* Timer() const { return frame_timer_; }

  // Counts of presented rectangles, for tests and the headless runner.
  std::uint64_t PresentCount() const { return present_count_; }
  // Null for none; the observer must outlive its registration.
  void SetPresentObserver(PresentObserver* observer) { present_observer_ = observer; }
  // A number the following presents carry to the observer.
  void SetPresentTag(int tag) { present_tag_ = tag; }
  int PresentTag() const { return present_tag_; }

 protected:
  // The platform shows a rectangle of the visible surface (already clipped, not empty).
  virtual void Upload(const Rect& /*rect*/) {}
  // The platform applies the full-screen choice; called by SetFullScreen when it changes.
  virtual void ApplyFullScreen(bool /*on*/) {}
  // The platform prepares (or drops) its output for the new screen size and format.
  virtual void OnSurfacesCreated() {}
  virtual void OnSurfacesReleased() {}

 private:
  // Copies rect of source into the visible surface; false when nothing differed.
  bool CopyIfChanged(const Surface& source, const Rect& rect);
  // Counts, uploads and reports one shown rectangle.
  void Show(const Rect& rect);

  DisplayListener* listener_ = nullptr;
  PresentObserver* present_observer_ = nullptr;
  bool close_requested_ = false;
  int present_tag_ = 0;
  FrameTimer* frame_timer_ = nullptr;
  int width_ = 640;
  int height_ = 480;
  int bits_ = 32;
  bool wait_vblank_ = true;
  bool use_system_memory_ = true;
  bool full_screen_ = false;
  bool initialized_ = false;
  Surface screen_;
  Surface visible_;
  std::string caption_;
  bool missed_present_ = false;
  std::optional<WindowPlacement> placement_;
  std::uint64_t present_count_ = 0;
  bool batching_ = false;
  Rect batched_;
};

}  // namespace mavlet
