#pragma once
// Where the game picture sits inside the window: scaled to fit with its aspect kept and
// centred, the rest black. Pure arithmetic, shared by drawing and mouse mapping.
#include <vector>

#include "player/backend/input.h"

namespace mavlet {

struct Viewport {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The largest picture of the game's aspect that fits the window, centred. Exact integer
// multiples are kept when the window is one (so pixels stay square); a zero-sized window
// gives an empty viewport.
Viewport FitViewport(int window_width, int window_height, int game_width, int game_height);

// Window pixel (mouse position) to game pixel. Points on the black bars or beyond the
// picture give (-1, -1), the "outside the game area" position.
Point WindowToGame(const Viewport& view, int game_width, int game_height, int window_x, int window_y);

// Largest integer scale at which the game fits the usable desktop area, at least 1.
int LargestIntegerScale(int desktop_width, int desktop_height, int game_width, int game_height);

struct WindowSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const WindowSize&, const WindowSize&) = default;
};
// The window size (in window points) for the automatic scale: the largest integer number of
// OUTPUT pixels per game pixel that fits the usable area (window points, less the frame
// allowance), so a high-density screen (density_percent > 100: output pixels per 100 points)
// gets sharp square pixels and fills sensibly. Density below 100 counts as 100.
WindowSize AutomaticWindowSize(int usable_width, int usable_height, int density_percent, int game_width,
                               int game_height);

struct DesktopRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
// True when a window at that place could be reached on one of the displays: at least a
// 64x32-point piece of its top edge (where the title bar is) lies on one display.
bool WindowReachable(const DesktopRect& window, const std::vector<DesktopRect>& displays);

}  // namespace mavlet
